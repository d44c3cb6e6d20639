program err_recordset_undefined(output);
var rs: recordset;
begin
  writeln(rs.eof)
end.
