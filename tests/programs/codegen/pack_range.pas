program packrange(output);
{ pack from an index that leaves too few unpacked elements for the packed array. }
var
  a: array[1..10] of char;
  z: packed array[1..4] of char;
  i: integer;
begin
  for i := 1 to 10 do a[i] := 'x';
  i := 7;
  pack(a, i, z);
  writeln(z);
  i := 8;
  pack(a, i, z);
  writeln('not reached')
end.
