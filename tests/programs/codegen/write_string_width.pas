program writewidth(output);
{ A string written with a field width narrower than the string is cut to its first
  characters; a wider field pads on the left; no width writes the whole string. }
var s: string[20]; long: string[300]; c: cstring[20]; w: integer;
  pa: packed array[1..6] of char;
begin
  s := 'abcdef'; long := 'ABCDEFGH'; c := 'uvwxyz'; pa := 'pqrstu';
  writeln('[', 'abcdef':3, ']');
  writeln('[', s:2, '][', s:6, '][', s:8, '][', s, ']');
  writeln('[', long:4, '][', long, ']');
  writeln('[', c:1, '][', c:7, ']');
  writeln('[', pa:5, '][', pa, '][', pa:7, ']');
  for w := 1 to 3 do write('[', s:w, ']');
  writeln;
  writeln('[', s + long:10, ']');
  writeln('[', '':3, '][', 'x':1, ']')
end.
