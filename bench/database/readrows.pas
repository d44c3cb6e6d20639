program readrows(output);
{ Reads every row of the benchmark table through ODBC: each field of each row converted to
  a typed variable, as a report would. The database is the first argument. }
var
  c: connection;
  rs: recordset;
  id, k, rows: integer;
  r, sum: real;
  name: string;
  chars: integer;
begin
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=' + paramstr(1));
  new(rs);
  rs.open(c, 'select id, k, r, name from t order by id', rsforward);
  rows := 0;
  sum := 0;
  chars := 0;
  while not rs.eof do begin
    id := rs.field('id');
    k := rs.field('k');
    r := rs.field('r');
    name := rs.field('name');
    rows := rows + 1;
    sum := sum + id + k + r;
    chars := chars + length(name);
    rs.movenext
  end;
  rs.close;
  c.close;
  writeln(rows:1, ' rows, checksum ', sum:1:2, ', ', chars:1, ' characters')
end.
