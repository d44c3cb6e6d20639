program err_field_name_too_long(output);
{ Field names have at most 260 characters. }
var c: connection; rs: recordset; name: string[300]; i: integer;
begin
  new(c); new(rs);
  c.open('ODBC;DRIVER=SQLite3;Database=field.db');
  rs.open(c, 'select 1 as one');
  name := '';
  for i := 1 to 261 do name := name + 'x';
  writeln(rs.field(name))
end.
