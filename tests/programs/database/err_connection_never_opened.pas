program err_connection_never_opened(output);
{ An attribute of a connection that was never opened stops the program. }
var c: connection;
begin
  new(c);
  writeln(c.dbmsname)
end.
