program for_final_bound(output);
{ A final value outside the control variable's subrange stops the loop before its body. }
type
  small = 1..10;
var
  k: small;
  i: integer;
begin
  i := 10;
  for k := 9 to i do write(k:3);
  writeln;
  i := 11;
  for k := 9 to i do write(k:3);
  writeln('not reached')
end.
