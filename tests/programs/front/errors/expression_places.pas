program expression_places(output);
{ Messages about whole expressions point at their first token, whatever the levels above
  a lone factor. }
var a: integer; p: boolean; c: char;
begin
  a := 1;
  if a then a := 2;
  while 'x' do a := 3;
  p := -true;
  p := - p or p;
  a := p;
  a := c + 1;
  c := a shl p;
  p := (a) < 'q';
  if (a) + 1 then a := 4;
  a := [a]
end.
