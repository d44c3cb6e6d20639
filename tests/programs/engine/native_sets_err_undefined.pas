program nativeseterrundefined(output);
{ A local set of an enumeration that was never assigned holds the undefined pattern, whose
  bits beyond the enumeration's seven members are set: the membership test that loads it
  stops the program at its line, after the same test on an assigned set has worked. }
type
  colour = (red, orange, yellow, green, blue, indigo, violet);
  colours = set of colour;

procedure check(assigned: boolean);
var x: colours; k: colour;
begin
  if assigned then x := [yellow, violet];
  for k := red to violet do
    if k in x then writeln(ord(k):1, ' in x')
end;

begin
  check(true);
  writeln('now unassigned');
  check(false)
end.
