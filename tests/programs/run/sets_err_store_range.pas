program sets_err_store_range(output);
{ A set value stored into a set variable kept as bits must have every member inside the
  variable's range, even when it was computed from sets kept as lists. }
type
  small = set of 10..200;
  big = set of 0..999;
var
  a: small;
  x: big;
begin
  x := [10, 200, 500];
  a := x * [0..200];
  writeln(10 in a, ' ', 200 in a);
  a := x - [10];
  writeln('not reached')
end.
