program divzero(output);
{ Integer division by zero is reported with the line of the division. }
var
  i, z: integer;
begin
  i := 7; z := 0;
  writeln('before');
  i := i div z;
  writeln('after ', i)
end.
