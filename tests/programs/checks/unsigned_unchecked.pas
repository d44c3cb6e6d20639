program unsigned_unchecked(output);
{ With -r- nothing is checked: an unsigned subrange variable takes any word. }
type
  { above maxint: an unsigned subrange of word that straddles 2^31 }
  straddle = 2147483640..2147483655;
var
  v: straddle;
  w: word;
begin
  w := 5;
  v := w;
  writeln(v:1)
end.
