program err_connection_closed(output);
{ A statement on a closed connection stops the program. }
var c: connection;
begin
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=closed.db');
  c.execute('create table t(a integer)');
  c.close;
  writeln('closed');
  c.execute('insert into t values(1)')
end.
