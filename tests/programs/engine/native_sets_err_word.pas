program nativeseterrword(output);
{ The member of a set constructor is an enumeration local that was never assigned: the
  check on the loaded word stops the program at the constructor's line, after the same
  constructor with an assigned local has worked. }
type
  colour = (red, orange, yellow, green, blue, indigo, violet);
  colours = set of colour;
var
  s: colours;

procedure add(first: boolean);
var k: colour;
begin
  if first then k := blue;
  s := s + [k];
  writeln('blue in s ', blue in s, ', red in s ', red in s)
end;

begin
  s := [violet];
  add(true);
  add(false);
  writeln('not reached')
end.
