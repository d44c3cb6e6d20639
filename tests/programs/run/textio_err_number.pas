program textio_err_number(input, output);
{ A number that is not there stops the program when I/O errors are trapped. }
var
  i: integer;
begin
  read(i);
  writeln(i:1);
  read(i);
  writeln('not reached')
end.
