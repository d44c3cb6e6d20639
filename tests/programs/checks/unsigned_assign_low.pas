program unsigned_assign_low(output);
{ Below the low bound of an unsigned subrange is a range error too. }
type
  { above maxint: an unsigned subrange of word that straddles 2^31 }
  straddle = 2147483640..2147483655;
var
  v: straddle;
  w: word;
begin
  w := 2147483648;
  v := w;
  writeln(v:1);
  w := 2147483639;
  v := w;
  writeln('not reached')
end.
