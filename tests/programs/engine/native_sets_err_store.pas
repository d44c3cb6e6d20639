program nativeseterrstore(output);
{ A set of 0..255 assigned to a set of 10..60: members inside the smaller range are
  stored, a member outside it stops the program at the assignment's line. }
type
  bytes = set of 0..255;
  middle = set of 10..60;
var
  b: bytes;
  m: middle;
  i: integer;
begin
  for i := 10 to 62 do
  begin
    b := [i, 20];
    m := b;
    if i in m then writeln(i:1, ' stored')
  end;
  writeln('not reached')
end.
