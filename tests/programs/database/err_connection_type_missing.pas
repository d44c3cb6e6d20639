program err_connection_type_missing(output);
var c: connection;
begin
  new(c);
  c.open('DRIVER=SQLite3,Database=x.db')
end.
