program err_recordset_on_closed_connection(output);
var c: connection; rs: recordset;
begin
  new(c); new(rs);
  rs.open(c, 'select 1 as one')
end.
