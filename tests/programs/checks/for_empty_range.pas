program for_empty_range(output);
{ A loop whose initial value exceeds its final value runs no body and no range check,
  even when both values lie outside the control variable's subrange. }
type
  small = 1..10;
var
  k: small;
  i, j: integer;
begin
  i := 20;
  j := 15;
  for k := i to j do writeln('body');
  for k := -i downto -j do writeln('body');
  writeln('done')
end.
