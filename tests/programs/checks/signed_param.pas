program signed_param(output);
{ A value argument above the high bound of a signed subrange parameter. }
type
  offset = -5..5;
var
  i: integer;

procedure show(x: offset);
begin
  writeln(x:1)
end;

begin
  i := 5;
  show(i);
  i := 6;
  show(i);
  writeln('not reached')
end.
