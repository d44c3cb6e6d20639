program byte_assign(output);
{ An integer above 255 assigned to a byte is a range error. }
var
  b: byte;
  i: integer;
begin
  i := 255;
  b := i;
  writeln(b:1);
  i := 256;
  b := i;
  writeln('not reached')
end.
