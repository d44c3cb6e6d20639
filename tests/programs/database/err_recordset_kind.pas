program err_recordset_kind(output);
var c: connection; rs: recordset;
begin
  new(c); new(rs);
  c.open('ODBC;DRIVER=SQLite3;Database=kind.db');
  rs.open(c, 'select 1 as one', 6)
end.
