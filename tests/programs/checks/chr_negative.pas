program chr_negative(output);
{ chr of a negative value is a range error; 0 is a character. }
var
  i: integer;
begin
  i := 0;
  writeln(ord(chr(i)):1);
  i := -1;
  writeln(ord(chr(i)):1);
  writeln('not reached')
end.
