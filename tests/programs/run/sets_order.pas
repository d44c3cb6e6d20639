program sets_order(output);
{ The members of a set kept as a list are stored in the order the operations produce them:
  a union keeps the left operand's members and appends the right one's new members, an
  intersection or a difference keeps the left operand's order. A typed file of such sets
  holds the stored words, read back here as integers. }
type
  big = set of 0..999;
  small = set of 0..200;
var
  f: file of big;
  g: file of integer;
  x, y: big;
  a: small;
  i: integer;

procedure dump(tag: char; v: big);
var n, w, k: integer;
begin
  rewrite(f);
  write(f, v);
  close(f);
  reset(g);
  read(g, n);
  write(tag, ' ', n:1, ':');
  for k := 1 to n div 4 do begin read(g, w); write(' ', w:1) end;
  writeln;
  close(g)
end;

begin
  assign(f, 'order.dat');
  assign(g, 'order.dat');
  x := [5, 3, 900];
  y := [1, 3, 700, 5, 2];
  a := [200, 7, 1, 3];
  dump('1', x);
  dump('2', y);
  dump('3', x + y);
  dump('4', y + x);
  dump('5', x * y);
  dump('6', y * x);
  dump('7', x - y);
  dump('8', y - x);
  dump('9', a);
  dump('A', x + a);
  dump('B', a + x);
  dump('C', y * a);
  dump('D', a * y);
  dump('E', y - a);
  dump('F', a - y);
  dump('G', [] + y);
  dump('H', y + []);
  dump('I', [9..12, 4, 10, 2..3]);
  dump('J', [] * y);
  dump('K', y * []);
  x := [];
  for i := 10 downto 1 do x := x + [i * i];
  dump('L', x);
  dump('M', x - [1, 100, 50] + [0, 16, 999]);
  erase(f)
end.
