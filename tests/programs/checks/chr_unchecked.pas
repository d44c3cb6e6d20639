program chr_unchecked(output);
{ With range checks off chr passes any value on: ord gives it back unchanged, and a char
  variable keeps its low byte (321 = 256 + 65). }
{$R-}
var
  i: integer;
  c: char;
begin
  i := 321;
  writeln(ord(chr(i)):1);
  c := chr(i);
  writeln(c)
end.
