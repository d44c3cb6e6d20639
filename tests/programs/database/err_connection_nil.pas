program err_connection_nil(output);
var c: connection;
begin
  c := nil;
  c.open('ODBC;DRIVER=SQLite3;Database=nil.db')
end.
