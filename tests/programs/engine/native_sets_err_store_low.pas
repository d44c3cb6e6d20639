program nativeseterrstorelow(output);
{ A set of 0..255 assigned to a set of 10..60, with members going down: a member below the
  smaller range stops the program at the assignment's line. }
type
  bytes = set of 0..255;
  middle = set of 10..60;
var
  b: bytes;
  m: middle;
  i: integer;
begin
  for i := 13 downto 0 do
  begin
    b := [60, i];
    m := b;
    if i in m then writeln(i:1, ' stored')
  end;
  writeln('not reached')
end.
