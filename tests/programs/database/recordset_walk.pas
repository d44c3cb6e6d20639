program recordset_walk(output);
{ Walking recordsets of every kind: the first row is there right after open, eof turns
  true after the last, a query that matches nothing is at its end at once, field names
  are matched without regard to case (rs.(name) is field(name) too), and a recordset can
  be closed and opened again on another query. }
var
  c: connection;
  rs, other: recordset;
  kind, n, total: integer;
  s: string;
begin
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=walk.db');
  c.execute('create table fruit(id integer, name varchar(20), price real)');
  c.execute('insert into fruit values(1, ''apple'', 0.5)');
  c.execute('insert into fruit values(2, ''banana'', 0.25)');
  c.execute('insert into fruit values(3, ''cherry'', 4)');
  new(rs);
  for kind := rsdefault to rskeyset do begin
    rs.open(c, 'select id, name from fruit order by id', kind);
    write('kind ', kind:1, ':');
    n := 0;
    while not rs.eof do begin
      s := rs.field('NAME');
      write(' ', rs.('Id'), '=', s);
      n := n + 1;
      rs.movenext
    end;
    writeln(' (', n:1, ' rows, eof ', rs.eof, ')');
    rs.close
  end;
  rs.open(c, 'select * from fruit where price > 100');
  writeln('no rows: eof ', rs.eof);
  rs.close;
  { Two recordsets open at the same time on one connection. }
  new(other);
  rs.open(c, 'select id from fruit order by id');
  other.open(c, 'select id from fruit order by id desc', rsstatic);
  total := 0;
  while not rs.eof do begin
    n := rs.field('id');
    total := total * 10 + n;
    n := other.field('id');
    total := total * 10 + n;
    rs.movenext;
    other.movenext
  end;
  writeln('interleaved ', total:1, ', both at the end: ', rs.eof and other.eof);
  rs.close;
  other.close;
  { A char names a field of one letter. }
  rs.open(c, 'select count(*) as n, sum(price) as p from fruit');
  writeln('count ', rs.('n'), ', total price ', rs.field('P'));
  rs.close;
  dispose(other);
  dispose(rs);
  c.close;
  dispose(c)
end.
