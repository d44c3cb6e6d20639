program textio_buffers(output);
{ Text that crosses the stream's buffer: numbers and line ends at every offset of a 4096-byte
  block, a line longer than a block written as strings, fields asking for more than the
  widest width (1027), all read back as numbers, characters and strings. A second file
  variable on the same file sees exactly what writeln has flushed. }
const
  n = 3000;
var
  f, g: text;
  i, a, b, sum, expect, chars, lines, longest, count: integer;
  c: char;
  s: string[255];
  t: string[250];

{ Characters and lines of g from its start; the longest line. }
procedure measure;
begin
  reset(g);
  chars := 0;
  lines := 0;
  longest := 0;
  while not eof(g) do
  begin
    count := 0;
    while not eoln(g) do
    begin
      read(g, c);
      count := count + 1
    end;
    readln(g);
    chars := chars + count;
    lines := lines + 1;
    if count > longest then longest := count
  end;
  writeln('chars ', chars:1, ' lines ', lines:1, ' longest ', longest:1)
end;

begin
  assign(f, 'buffers.tmp');
  rewrite(f);
  expect := 0;
  for i := 1 to n do
  begin
    writeln(f, i:i mod 13 + 1, -3 * i:i mod 7 + 2, ' x');
    expect := (expect + i mod 1000 - (3 * i) mod 1000 + 1000) mod 99991
  end;
  t := '';
  for i := 1 to 250 do t := t + chr(ord('a') + i mod 26);
  for i := 1 to 20 do write(f, t);
  writeln(f);
  writeln(f, 7:5000);
  writeln(f, -123456789:4095, ' ', 5:1);
  assign(g, 'buffers.tmp');
  measure;
  write(f, 'abc');
  measure;
  writeln(f);
  measure;
  close(f);

  reset(f);
  sum := 0;
  for i := 1 to n do
  begin
    read(f, a, b);
    if (a <> i) or (b <> -3 * i) then writeln('wrong numbers on line ', i:1, ': ', a:1, ' ', b:1);
    read(f, c, c);
    if c <> 'x' then writeln('wrong letter on line ', i:1);
    if not eoln(f) then writeln('no line end on line ', i:1);
    readln(f);
    sum := (sum + a mod 1000 - (-b) mod 1000 + 1000) mod 99991
  end;
  writeln('sum ', sum:1, ' expected ', expect:1);
  count := 0;
  while not eoln(f) do
  begin
    read(f, s);
    count := count + length(s)
  end;
  readln(f);
  writeln('long line read as strings: ', count:1);
  read(f, a);
  writeln('wide field: ', a:1, ' eoln ', ord(eoln(f)):1);
  readln(f);
  read(f, a, b);
  writeln('two wide fields: ', a:1, ' ', b:1, ' eoln ', ord(eoln(f)):1);
  readln(f);
  read(f, s);
  writeln('unflushed then flushed: ', s, ' eof ', ord(eof(f)):1);
  readln(f);
  writeln('eof ', ord(eof(f)):1);
  close(f);
  erase(f)
end.
