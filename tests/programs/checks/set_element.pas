program set_element(output);
{ A set constructor element outside the base type of the set is a range error. }
var
  s: set of 1..10;
  i: integer;
begin
  i := 10;
  s := [1, i];
  if i in s then writeln('10 in s');
  i := 11;
  s := [i];
  writeln('not reached')
end.
