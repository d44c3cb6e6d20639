program err_recordset_nil(output);
var rs: recordset;
begin
  rs := nil;
  rs.close
end.
