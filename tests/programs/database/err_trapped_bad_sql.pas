program err_trapped_bad_sql(output);
{ With error trapping on (the default), a driver failure stops the program after the
  statement: the diagnostic records are printed, and the last entry is the run-time
  error. }
var c: connection;
begin
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=trapped.db');
  c.execute('create table t(a integer)');
  c.execute('insert into t values(1)');
  writeln('inserted');
  c.execute('insert into t valeus(2)');
  writeln('not reached')
end.
