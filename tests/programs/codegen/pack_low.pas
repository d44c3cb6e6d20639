program packlow(output);
{ pack from an index below the unpacked array's index range. }
var
  a: array[1..10] of integer;
  z: packed array[1..4] of integer;
  i: integer;
begin
  for i := 1 to 10 do a[i] := i;
  i := 0;
  pack(a, i, z);
  writeln('not reached')
end.
