program range_off(output);
{ With range checks off (-r-) an out-of-range assignment is not trapped. }
type
  digit = 0..9;
var
  d: digit;
  i: integer;
begin
  i := 12;
  d := i;
  writeln(d:1)
end.
