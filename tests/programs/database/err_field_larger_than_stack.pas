program err_field_larger_than_stack(output);
{ A field of 1 MiB is read whole, but its value does not fit on a stack of 1 MiB: the
  program stops with a run-time error instead of cutting the value. }
var c: connection; rs: recordset; n: integer;
begin
  new(c); new(rs);
  c.open('ODBC;DRIVER=SQLite3;Database=stack.db');
  rs.open(c, 'select length(t) as n, t from (select replace(hex(zeroblob(524288)), ''00'', ''ab'') as t)');
  n := rs.field('n');
  writeln(n:1, ' characters');
  writeln(length(rs.field('t')))
end.
