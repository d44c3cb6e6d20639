program textfiles(input, output);
{ A text file written, closed, reopened and read back: numbers, characters, strings and
  line structure; then the standard input. }
var
  f: text;
  i, n, sum: integer;
  c: char;
  s: string[20];
  r: real;
begin
  assign(f, 'data.txt');
  rewrite(f);
  for i := 1 to 3 do writeln(f, i * 10:4, ' item', i:1);
  write(f, 2.5:6:2);
  writeln(f);
  close(f);
  reset(f);
  sum := 0;
  for i := 1 to 3 do
  begin
    read(f, n);
    read(f, c);
    readln(f, s);
    sum := sum + n;
    writeln('[', c, '|', s, ']')
  end;
  readln(f, r);
  writeln(sum:1, ' ', r:4:1, ' ', eof(f));
  close(f);
  n := 0;
  while not eof do
  begin
    readln(s);
    n := n + length(s)
  end;
  writeln('input characters: ', n:1)
end.
