program err_recordset_not_open(output);
var rs: recordset;
begin
  new(rs);
  rs.movenext
end.
