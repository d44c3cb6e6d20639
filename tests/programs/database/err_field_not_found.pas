program err_field_not_found(output);
var c: connection; rs: recordset;
begin
  new(c); new(rs);
  c.open('ODBC;DRIVER=SQLite3;Database=field.db');
  rs.open(c, 'select 1 as one, 2 as two');
  writeln(rs.field('TWO'));
  writeln(rs.field('three'))
end.
