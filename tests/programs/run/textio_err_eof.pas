program textio_err_eof(input, output);
{ Reading a number when only blanks and line ends are left stops the program. }
var
  i: integer;
begin
  read(i);
  writeln(i:1, ' ', eof);
  read(i);
  writeln('not reached')
end.
