program chr_above_255(output);
{ chr of a value above 255 is a range error (option r); 255 itself is a character. }
var
  i: integer;
begin
  i := 65;
  writeln(chr(i));
  i := 255;
  writeln(ord(chr(i)):1);
  i := 256;
  writeln(ord(chr(i)):1);
  writeln('not reached')
end.
