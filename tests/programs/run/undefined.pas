program undefined(output);
{ A variable read before any assignment is trapped when its type cannot hold the
  all-ones pattern of fresh storage (option u is on by default). }
var
  k: 0..100;
  i: integer;
begin
  i := 1;
  writeln('i = ', i:1);
  i := k + 1;
  writeln('not reached')
end.
