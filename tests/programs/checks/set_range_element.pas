program set_range_element(output);
{ The high end of a range a..b in a set constructor outside the base type. }
var
  s: set of 1..10;
  i: integer;
begin
  i := 10;
  s := [2..i];
  writeln(ord(2 in s):1, ord(10 in s):1, ord(1 in s):1);
  i := 12;
  s := [2..i];
  writeln('not reached')
end.
