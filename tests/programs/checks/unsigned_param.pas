program unsigned_param(output);
{ A value argument for an unsigned subrange parameter is checked in the call. }
type
  { above maxint: an unsigned subrange of word that straddles 2^31 }
  straddle = 2147483640..2147483655;
var
  w: word;

procedure show(x: straddle);
begin
  writeln(x:1)
end;

begin
  w := 2147483650;
  show(w);
  w := 4294967295;
  show(w);
  writeln('not reached')
end.
