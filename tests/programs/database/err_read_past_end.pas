program err_read_past_end(output);
{ Reading a field after the last row stops the program. }
var c: connection; rs: recordset; n: integer;
begin
  new(c); new(rs);
  c.open('ODBC;DRIVER=SQLite3;Database=end.db');
  rs.open(c, 'select 1 as one union all select 2');
  while not rs.eof do begin
    n := rs.field('one');
    writeln(n);
    rs.movenext
  end;
  n := rs.field('one')
end.
