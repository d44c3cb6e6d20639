program sets_err_overflow(output);
{ A set kept as a list holds at most 256 members: a union that would reach 257 stops the
  program, whether its operands were kept as bits or as lists. }
type
  small = set of 0..200;
  big = set of 0..999;
var
  a: small;
  x: big;
begin
  a := [0..200];
  x := [201..255];
  x := x + a;
  writeln('256 members: ', 0 in x, ' ', 255 in x);
  x := a + [300..355];
  writeln('not reached')
end.
