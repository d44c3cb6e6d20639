program for_initial_bound(output);
{ An initial value outside the control variable's subrange (downto), the final value
  inside it. }
type
  small = 1..10;
var
  k: small;
  i: integer;
begin
  i := 10;
  for k := i downto 9 do write(k:3);
  writeln;
  i := 11;
  for k := i downto 9 do write(k:3);
  writeln('not reached')
end.
