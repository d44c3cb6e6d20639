program traced(output);
{ Every database routine once, for the trace test (trace_test.cpp). }
var c: connection; rs: recordset;
begin
  {$i-}
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=traced.db');
  c.selectdatabase('main');
  c.execute('create table t(a integer)');
  new(rs);
  rs.open(c, 'select 1 as one, 2 as two');
  writeln('one ', rs.field('one'), ', eof ', rs.eof, ', ', c.dbmsname);
  rs.movenext;
  rs.moreresults;
  rs.close;
  dispose(rs);
  c.close;
  dispose(c)
end.
