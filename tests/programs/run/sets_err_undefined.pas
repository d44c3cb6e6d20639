program sets_err_undefined(output);
{ A local set kept as bits that was never assigned holds the undefined pattern: using it
  stops the program. }
type
  small = set of 0..200;
var
  b: small;

procedure useit;
var a: small;
begin
  b := [7];
  writeln(7 in b + [1]);
  b := a + b;
  writeln('not reached')
end;

begin
  useit
end.
