program sets_err_range_large(output);
{ A constructor range of more than 256 members stops the program, even when every member
  lies inside the base type. }
type
  big = set of 0..999;
var
  x: big;
  i: integer;
begin
  i := 255;
  x := [0..i];
  writeln(255 in x, ' ', 256 in x);
  i := 256;
  x := [0..i];
  writeln('not reached')
end.
