program for_unsigned_bound(output);
{ A control variable of an unsigned subrange: values across 2^31 pass, a final value
  above the range stops the loop. }
type
  straddle = 2147483646..2147483649;
var
  u: straddle;
  w: word;
begin
  w := 2147483649;
  for u := 2147483646 to w do write(u - 2147483646:2);
  writeln;
  w := 2147483650;
  for u := 2147483646 to w do write(u - 2147483646:2);
  writeln('not reached')
end.
