program rows_100k(output);
{ A table of 100,000 rows read back and checked row by row, and 2,000 rows inserted one
  statement at a time inside a transaction, then counted. }
var
  c: connection;
  rs: recordset;
  id, k, n, bad: integer;
  sum, x: real;
  s, name: string;
begin
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=rows.db');
  c.execute('create table t(id integer primary key, k integer, r real, name varchar(20))');
  c.execute('insert into t with recursive n(i) as (select 1 union all select i + 1 from n where i < 100000) select i, (i * 7) % 1000, i / 4.0, ''row '' || i from n');
  new(rs);
  rs.open(c, 'select id, k, r, name from t order by id', rsforward);
  n := 0;
  bad := 0;
  sum := 0;
  while not rs.eof do begin
    n := n + 1;
    id := rs.field('id');
    k := rs.field('k');
    x := rs.field('r');
    name := rs.field('name');
    str(n:1, s);
    if (id <> n) or (k <> (n * 7) mod 1000) or (x <> n / 4.0) or (name <> 'row ' + s) then begin
      bad := bad + 1;
      if bad <= 3 then writeln('row ', n:1, ': ', id:1, ' ', k:1, ' ', x:1:2, ' ', name)
    end;
    sum := sum + x;
    rs.movenext
  end;
  rs.close;
  writeln(n:1, ' rows read, ', bad:1, ' wrong, sum of r ', sum:1:2);

  c.execute('begin transaction');
  for id := 100001 to 102000 do begin
    str(id:1, s);
    c.execute('insert into t values(' + s + ', 0, 0, ''extra'')')
  end;
  c.execute('commit');
  rs.open(c, 'select count(*) as n, sum(id) as total from t where name = ''extra''');
  n := rs.field('n');
  x := rs.field('total');
  writeln(n:1, ' rows inserted, sum of ids ', x:1:1);
  rs.close;
  c.close
end.
