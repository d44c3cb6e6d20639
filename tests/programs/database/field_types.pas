program field_types(output);
{ Every kind of column read back as a variant: integers (bit as a Boolean), reals, texts,
  dates and times as text, binary data as a string of its bytes, and NULL as null in
  every column, never as an empty string or a zero. }
var
  c: connection;
  rs: recordset;
  i: integer;
  r: real;
  s: string;
  ok: boolean;

procedure nulls;
const names = 'bt ti si i bg f r n dc vc ch tx d t ts bl';
var k: integer;
begin
  write('nulls:');
  for k := 1 to countwords(names) do
    write(' ', isnull(rs.field(copyword(names, k))));
  writeln
end;

begin
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=types.db');
  c.execute('create table t(bt bit, ti tinyint, si smallint, i integer, bg bigint, f float, r real, n numeric, dc decimal(10,2), vc varchar(10), ch char(3), tx text, d date, t time, ts timestamp, bl blob)');
  c.execute('insert into t values(1, -5, 300, -2147483648, 5000000000, 1.5, -0.25, 7, 12.75, ''abc'', ''xy'', ''it''''s text'', ''2024-02-29'', ''23:59:58'', ''2024-01-02 03:04:05.123'', x''00ff41'')');
  c.execute('insert into t values(0, 0, 0, 2147483647, -12, 0, 0, 0, 0, '''', '''', '''', null, null, null, x'''')');
  c.execute('insert into t(i) values(null)');
  new(rs);
  rs.open(c, 'select * from t where i is not null order by rowid');
  while not rs.eof do begin
    ok := rs.field('bt');
    write('bit ', ok, ' [', rs.field('bt'), ']');
    i := rs.field('ti'); write(' tinyint ', i:1);
    i := rs.field('si'); write(' smallint ', i:1);
    i := rs.field('i'); writeln(' integer ', i:1);
    r := rs.field('bg'); write('bigint ', r:1:1, ' [', rs.field('bg'), ']');
    r := rs.field('f'); write(' float ', r:1:2);
    r := rs.field('r'); write(' real ', r:1:2);
    r := rs.field('n'); write(' numeric ', r:1:2);
    r := rs.field('dc'); writeln(' decimal ', r:1:2);
    s := rs.field('vc'); write('varchar "', s, '"');
    s := rs.field('ch'); write(' char "', s, '"');
    s := rs.field('tx'); writeln(' text "', s, '"');
    if isnull(rs.field('d')) then writeln('date and time null') else begin
      s := rs.field('d'); write('date ', s);
      s := rs.field('t'); write(' time ', s);
      s := rs.field('ts'); writeln(' timestamp ', s)
    end;
    s := rs.field('bl');
    write('blob ', length(s):1, ' bytes:');
    for i := 1 to length(s) do write(' ', ord(s[i]):1);
    writeln;
    rs.movenext
  end;
  rs.close;
  { The last row holds NULL everywhere. }
  rs.open(c, 'select * from t where i is null');
  nulls;
  rs.close;
  rs.open(c, 'select count(*) as n, sum(i) as total, max(vc) as top from t');
  writeln('count ', rs.field('n'), ', sum ', rs.field('total'), ', max "', rs.field('top'), '"');
  rs.close;
  dispose(rs);
  c.close;
  dispose(c)
end.
