program signed_index(output);
{ An array index below a negative low bound. }
var
  a: array [-3..3] of integer;
  i: integer;
begin
  for i := -3 to 3 do a[i] := i * 10;
  i := -3;
  writeln(a[i]:1);
  i := -4;
  writeln(a[i]:1);
  writeln('not reached')
end.
