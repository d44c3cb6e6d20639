program err_connection_type_invalid(output);
var c: connection;
begin
  new(c);
  c.open('Oracle;DSN=x')
end.
