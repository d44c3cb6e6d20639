program err_connection_type_too_long(output);
{ A type of 33 characters. }
var c: connection;
begin
  new(c);
  c.open('ODBCODBCODBCODBCODBCODBCODBCODBCX;DSN=x')
end.
