program writeitems(output);
{ Only numbers, chars, booleans and strings have a written form on a text file; a typed
  file takes any value of its component type. }
type
  day = (mon, tue, wed);
  point = record x, y: integer end;
var
  d: day;
  p: point;
  q: ^integer;
  f: file of day;
begin
  d := tue;
  p.x := 1; p.y := 2;
  new(q);
  writeln(d);
  write(ord(d): 3, d: 4, ' ');
  writeln(p, q);
  writeln(output, 'ok', d = tue, 1.5: 4: 1, q^, chr(65));
  rewrite(f);
  write(f, d)
end.
