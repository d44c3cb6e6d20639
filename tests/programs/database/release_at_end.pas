program release_at_end(output);
{ halt with connections and recordsets still open: the end of the run releases them (the
  sanitizer build reports anything left behind) and the exit code is halt's. }
var
  c, second: connection;
  rs, other: recordset;
  n: integer;
begin
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=release.db');
  c.execute('create table t(a integer)');
  c.execute('insert into t values(1)');
  c.execute('insert into t values(2)');
  new(second);
  second.open('ODBC;tarntest');
  new(rs);
  rs.open(c, 'select a from t order by a');
  new(other);
  other.open(second, 'select 1 as one', rsstatic);
  n := rs.field('a');
  writeln('first row ', n:1, ', open: two connections, two recordsets');
  halt(3);
  writeln('not reached')
end.
