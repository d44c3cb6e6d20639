program for_initial_bound(output);
{ An initial value outside the control variable's subrange (downto). }
type
  small = 1..10;
var
  k: small;
  i: integer;
begin
  i := 0;
  for k := 2 downto 1 do write(k:3);
  writeln;
  for k := 2 downto i do write(k:3);
  writeln('not reached')
end.
