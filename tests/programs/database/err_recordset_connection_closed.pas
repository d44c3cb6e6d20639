program err_recordset_connection_closed(output);
{ Closing a connection closes the recordsets open on it. }
var c: connection; rs: recordset;
begin
  new(c); new(rs);
  c.open('ODBC;DRIVER=SQLite3;Database=cascade.db');
  rs.open(c, 'select 1 as one union all select 2');
  c.close;
  writeln('connection closed');
  rs.movenext
end.
