program unpackrange(output);
{ unpack to an index past the end of the unpacked array. }
var
  a: array[0..5] of char;
  z: packed array[1..3] of char;
  i: integer;
begin
  z := 'abc';
  i := 3;
  unpack(z, a, i);
  writeln(a[3], a[4], a[5]);
  i := 4;
  unpack(z, a, i);
  writeln('not reached')
end.
