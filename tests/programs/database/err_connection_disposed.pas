program err_connection_disposed(output);
{ dispose closes the connection and leaves the variable undefined; a copy made before
  refers to nothing any more. }
var c, copy: connection;
begin
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=disposed.db');
  copy := c;
  dispose(c);
  writeln('disposed');
  copy.execute('create table t(a integer)')
end.
