program database_arguments(output);
{ Arguments of connection and recordset procedures that do not fit; one message each,
  also after the first error. }
var c: connection; rs: recordset; i: integer;
begin
  c.open;
  c.open(1);
  c.execute('create table t(a integer)', 'more');
  rs.open(i, 'select 1');
  rs.open(c, 'select 1', 'static');
  rs.open(c);
  rs.movenext(1);
  c.selectdatabase(c);
  c.commit;
  rs.open(c, 'select 1', rskeyset);
  rs.open(c, 'c')
end.
