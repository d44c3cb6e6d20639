program lists(output);
{ Lists: creation, appending and inserting, element access, deletion and length. }
type
  name = string[10];
  names = list of name;
var
  l: list of integer;
  n: names;
  i, sum: integer;
begin
  new(l);
  for i := 1 to 5 do insert(i * i, l);
  insert(100, l, 1);
  writeln(length(l):1, ' ', l[1]:1, ' ', l[2]:1, ' ', l[6]:1);
  l[2] := l[2] + 40;
  delete(l, 3, 2);
  sum := 0;
  for i := 1 to length(l) do sum := sum + l[i];
  writeln(length(l):1, ' ', sum:1);
  delete(l, 2);
  writeln(length(l):1);
  dispose(l);
  new(n);
  insert('beta', n);
  insert('alpha', n, 1);
  insert('x', n);
  for i := 1 to length(n) do write(n[i], ' ');
  writeln;
  dispose(n)
end.
