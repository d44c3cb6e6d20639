program err_connection_type_mysql(output);
var c: connection;
begin
  new(c);
  c.open('mysql;host=localhost')
end.
