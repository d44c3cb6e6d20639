program nativeseterrword(output);
{ The member of a set constructor is computed from an enumeration local that was never
  assigned: the check on the loaded word stops the program at the constructor's line (the
  undefined word plus one would be the member 0), after the same constructor with an
  assigned local has worked. }
type
  colour = (red, orange, yellow, green, blue, indigo, violet);
  bytes = set of 0..255;
var
  s: bytes;

procedure add(first: boolean);
var k: colour;
begin
  if first then k := blue;
  s := s + [ord(k) + 1];
  writeln('5 in s ', 5 in s, ', 0 in s ', 0 in s)
end;

begin
  s := [200];
  add(true);
  add(false);
  writeln('not reached')
end.
