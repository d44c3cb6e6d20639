program unsigned_index(output);
{ An array indexed by an unsigned subrange checks the index with unsigned bounds. }
type
  { above maxint: an unsigned subrange of word that straddles 2^31 }
  straddle = 2147483640..2147483655;
var
  a: array [straddle] of integer;
  w: word;
begin
  for w := 2147483640 to 2147483655 do a[w] := w - 2147483640;
  w := 2147483650;
  writeln(a[w]:1);
  w := 2147483656;
  writeln(a[w]:1);
  writeln('not reached')
end.
