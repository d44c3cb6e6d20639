program nativeseterrelement(output);
{ Members added one at a time to a set of 0..255; the member 256 is outside the set's
  base type: the constructor stops the program at its line. }
type
  bytes = set of 0..255;
var
  b: bytes;
  i, n: integer;
begin
  b := [];
  for i := 250 to 300 do
  begin
    b := b + [i];
    n := 0;
    for n := 0 to 255 do ;
    if i in b then writeln('added ', i:1)
  end;
  writeln('not reached')
end.
