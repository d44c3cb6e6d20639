program range_index(output);
{ An array index outside the index type is trapped (option r is on by default). }
var
  a: array [1..5] of integer;
  i: integer;
begin
  for i := 1 to 5 do a[i] := i;
  i := 6;
  writeln(a[5]:1);
  a[i] := 1;
  writeln('not reached')
end.
