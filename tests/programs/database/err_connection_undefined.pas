program err_connection_undefined(output);
{ A connection variable that new never set. }
var c: connection;
begin
  c.open('ODBC;DRIVER=SQLite3;Database=undefined.db')
end.
