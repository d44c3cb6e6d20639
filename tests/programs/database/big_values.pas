program big_values(output);
{ Long and binary values go through whole: a text field of a million characters, a text
  the program wrote itself with quotes, tabs and bytes above 127 in it, and binary data
  holding every byte value, zero bytes included. }
var
  c: connection;
  rs: recordset;
  s, t, quoted: string[1000000];
  i, n, count: integer;
  sql: string[2000];
  bytes: string[256];

function hexbyte(b: integer): string;
const digits = '0123456789ABCDEF';
begin
  hexbyte := copy(digits, b div 16 + 1, 1) + copy(digits, b mod 16 + 1, 1)
end;

begin
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=big.db');
  c.execute('create table big(id integer, tx text, bl blob)');
  c.execute('insert into big values(1, replace(hex(zeroblob(500000)), ''00'', ''ab''), zeroblob(3000))');

  { Every byte value 0..255 as a blob literal. }
  sql := 'insert into big values(2, null, x''';
  for i := 0 to 255 do sql := sql + hexbyte(i);
  sql := sql + ''')';
  c.execute(sql);

  { 6 bytes, doubled 15 times; in the SQL literal each quote is written twice. }
  t := 'x''y' + chr(9) + chr(195) + chr(169);
  quoted := 'x''''y' + chr(9) + chr(195) + chr(169);
  for i := 1 to 15 do begin
    t := t + t;
    quoted := quoted + quoted
  end;
  c.execute('insert into big values(3, ''' + quoted + ''', null)');
  writeln('written ', length(t):1, ' characters');

  new(rs);
  rs.open(c, 'select id, tx, bl, length(tx) as chars, length(bl) as size from big order by id');
  n := rs.field('chars');
  s := rs.field('tx');
  count := 0;
  for i := 1 to length(s) do if s[i] = 'a' then count := count + 1;
  writeln('row 1: length(tx) ', n:1, ', read ', length(s):1, ', a: ', count:1,
          ', ends ', copy(s, 999997, 4));
  s := rs.field('bl');
  count := 0;
  for i := 1 to length(s) do if s[i] = chr(0) then count := count + 1;
  writeln('row 1: blob of ', length(s):1, ' bytes, ', count:1, ' of them zero');

  rs.movenext;
  bytes := rs.field('bl');
  count := 0;
  for i := 1 to length(bytes) do if ord(bytes[i]) = i - 1 then count := count + 1;
  writeln('row 2: text null ', isnull(rs.field('tx')), ', blob of ', length(bytes):1,
          ' bytes, ', count:1, ' in place');

  rs.movenext;
  s := rs.field('tx');
  n := rs.field('chars');
  writeln('row 3: read ', length(s):1, ' bytes (', n:1, ' characters in UTF-8), same text: ', s = t);
  rs.movenext;
  writeln('eof ', rs.eof);
  rs.close;
  c.close
end.
