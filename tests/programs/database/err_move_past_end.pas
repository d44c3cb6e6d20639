program err_move_past_end(output);
{ Moving on from the end of a recordset stops the program. }
var c: connection; rs: recordset;
begin
  new(c); new(rs);
  c.open('ODBC;DRIVER=SQLite3;Database=end.db');
  rs.open(c, 'select 1 as one where 1 = 0');
  writeln('eof ', rs.eof);
  rs.movenext
end.
