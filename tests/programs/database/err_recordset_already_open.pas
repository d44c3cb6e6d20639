program err_recordset_already_open(output);
var c: connection; rs: recordset;
begin
  new(c); new(rs);
  c.open('ODBC;DRIVER=SQLite3;Database=open.db');
  rs.open(c, 'select 1 as one');
  writeln(rs.field('one'));
  rs.open(c, 'select 2 as two')
end.
