program typedfiles(output);
{ Typed and binary files: write and read through the buffer variable, get and put. }
type
  pair = record a, b: integer end;
var
  f: file of integer;
  g: file of pair;
  i, n, sum: integer;
  p: pair;
begin
  assign(f, 'numbers.dat');
  rewrite(f);
  for i := 1 to 5 do write(f, i * i);
  f^ := 100; put(f);
  close(f);
  reset(f);
  sum := 0;
  while not eof(f) do
  begin
    read(f, n);
    sum := sum + n
  end;
  writeln(sum:1);
  reset(f);
  writeln(f^:1);
  get(f);
  writeln(f^:1);
  close(f);
  assign(g, 'pairs.dat');
  rewrite(g);
  for i := 1 to 3 do
  begin
    p.a := i; p.b := 10 * i;
    write(g, p)
  end;
  close(g);
  reset(g);
  sum := 0;
  while not eof(g) do
  begin
    read(g, p);
    sum := sum + p.a * p.b
  end;
  writeln(sum:1)
end.
