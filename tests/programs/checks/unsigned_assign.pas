program unsigned_assign(output);
{ An unsigned subrange is checked with unsigned bounds: values on both sides of 2^31
  inside the range pass, one above it is a range error. }
type
  { above maxint: an unsigned subrange of word that straddles 2^31 }
  straddle = 2147483640..2147483655;
var
  v: straddle;
  w: word;
begin
  w := 2147483640;
  v := w;
  writeln(v:1);
  w := 2147483655;
  v := w;
  writeln(v:1);
  w := 2147483656;
  v := w;
  writeln('not reached')
end.
