program textio_write(output);
{ Text written with field widths: integers (signed and unsigned, the smallest integer, fields
  too narrow, the default width, very wide fields), characters, strings and booleans. Wide
  fields go to a file that is read back, so the number of blanks can be counted. }
var
  i: integer;
  w: word;
  f: text;
  c: char;
  blanks, others: integer;

procedure measure;
{ One line of f: how many blanks, then the rest of the line as it stands. }
begin
  blanks := 0;
  others := 0;
  while f^ = ' ' do begin get(f); blanks := blanks + 1 end;
  write(blanks:1, ' [');
  while not eoln(f) do begin read(f, c); write(c); others := others + 1 end;
  readln(f);
  writeln('] ', others:1)
end;

begin
  writeln('|', 42:5, '|', -42:5, '|', 42:2, '|', -42:3, '|', 42:1, '|', -42:1, '|');
  writeln('|', 0, '|', 7, '|', -7, '|', 12345678, '|', -1234567, '|', -12345678, '|', 123456789, '|');
  i := -2147483647 - 1;
  writeln('|', i, '|', i:11, '|', i:12, '|', i:1, '|', i:2, '|');
  i := 2147483647;
  writeln('|', i, '|', i:10, '|', i:11, '|', i:15, '|', -i:1, '|');
  for i := -3 to 3 do write(i:i + 4);
  for i := 1 to 3 do write(-i * 11:i, 100 * i:i + 1);
  writeln('|');
  w := 4294967295;
  writeln('|', w, '|', w:10, '|', w:11, '|', w:1, '|');
  w := 0;
  writeln('|', w, '|', w:1, '|', w:3, '|');
  writeln('|', 'x', '|', 'x':1, '|', 'x':3, '|', chr(9):2, '|', chr(0):2, '|');
  writeln('|', 'abc', '|', 'abc':2, '|', 'abc':3, '|', 'abc':5, '|', 'abc':1, '|', '':3, '|');
  writeln('|', true, '|', false, '|', true:2, '|', false:5, '|', true:6, '|', false:1, '|');
  write(1:1, 2:2);
  write(3);
  writeln(-4, 'x');
  assign(f, 'wide.txt');
  rewrite(f);
  writeln(f, 7:1026);
  writeln(f, 7:1027);
  writeln(f, 7:1028);
  writeln(f, -7:5000);
  writeln(f, 'ab':1500);
  writeln(f, 'q':1200);
  writeln(f, true:1100);
  i := -2147483647 - 1;
  writeln(f, i:2000);
  close(f);
  reset(f);
  while not eof(f) do measure;
  close(f);
  erase(f)
end.
