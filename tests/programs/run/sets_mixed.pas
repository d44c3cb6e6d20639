program sets_mixed(output);
{ Set values of every storage form combined with each other: sets kept as bits in memory
  (char, an enumeration, 0..200, 10..60, -50..50) and sets kept as member lists (0..999),
  empty sets of both, members outside a bit set's range, every operator and relation. }
type
  colour = (red, orange, yellow, green, blue, indigo, violet);
  colours = set of colour;
  chars = set of char;
  small = set of 0..200;
  middle = set of 10..60;
  signed = set of -50..50;
  big = set of 0..999;
var
  a, b, none: small;
  m: middle;
  s: signed;
  x, y, empty: big;
  c1, c2: chars;
  warm, cool: colours;
  k: colour;
  ch: char;
  i: integer;

procedure show(tag: char; v: big);
var i, n: integer;
begin
  write(tag, ':');
  n := 0;
  for i := 0 to 999 do
    if i in v then begin write(' ', i:1); n := n + 1 end;
  writeln(' (', n:1, ')')
end;

procedure showsigned(v: signed);
var i: integer;
begin
  write('s:');
  for i := -50 to 50 do
    if i in v then write(' ', i:1);
  writeln
end;

procedure showchars(v: chars);
var c: char;
begin
  write('c:');
  for c := chr(0) to chr(255) do
    if c in v then write(' ', ord(c):1);
  writeln
end;

procedure relations(tag: char; p, q: big);
begin
  writeln(tag, ' = ', p = q, ' <> ', p <> q, ' <= ', p <= q, ' >= ', p >= q)
end;

begin
  a := [1, 3, 5, 7, 100, 200];
  b := [0, 3, 7, 8, 150];
  none := [];
  x := [3, 5, 500, 999, 0];
  y := [];
  empty := [];
  m := [10, 20, 30, 60];
  s := [-50, -1, 0, 1, 50];

  { bit-stored with bit-stored }
  show('1', a + b);
  show('2', a * b);
  show('3', a - b);
  show('4', b - a);
  { bit-stored with list-stored, both orders }
  show('5', a + x);
  show('6', x + a);
  show('7', a * x);
  show('8', x * a);
  show('9', a - x);
  show('A', x - a);
  { empty sets of either kind on either side }
  show('B', none + x);
  show('C', x + none);
  show('D', empty + a);
  show('E', a + empty);
  show('F', none * x);
  show('G', x * none);
  show('H', a * empty);
  show('I', empty - a);
  show('J', a - empty);
  show('K', none - empty);
  show('L', [] + []);
  { a set with a low bound above 0, and with negative members }
  show('M', m + a);
  show('N', m * [5..25]);
  show('O', m - [20, 60, 900]);
  showsigned(s + [-3..3]);
  showsigned(s * [-60..0]);
  showsigned(s - [-50, 50]);
  showsigned([]);
  { constructors with ranges, members outside the other's range }
  show('P', a + [195..205]);
  show('Q', [300..305] + a);
  show('R', x * [0..10, 990..999]);
  i := 7;
  show('S', [i + 1..i] + a);
  { relations between the two forms, and with empty sets }
  relations('a', a, x);
  relations('b', a, a + x);
  relations('c', a + x, a);
  relations('d', a * x, x * a);
  relations('e', none, empty);
  relations('f', none, a);
  relations('g', a, empty);
  relations('h', [3, 5, 0], x * a + [0]);
  writeln('r ', a <= b, ' ', a * b <= b, ' ', a >= a * b, ' ', none <= a, ' ', a >= none,
          ' ', none = [], ' ', [] = empty, ' ', a <> b, ' ', m = [10, 20, 30, 60]);
  { membership inside and outside each set's range }
  writeln('i ', 5 in a, ' ', 6 in a, ' ', 200 in a, ' ', 500 in x, ' ', 501 in x,
          ' ', 0 in none, ' ', 999 in empty, ' ', 10 in m, ' ', 11 in m, ' ', -50 in s,
          ' ', -49 in s, ' ', 50 in s);
  writeln('j ', 500 in a + x, ' ', 500 in a * x, ' ', 1000 in x + [999], ' ', -1 in x,
          ' ', 300 in a, ' ', -7 in m);
  { chars and enumerations }
  c1 := ['a'..'z'] - ['q'];
  c2 := ['a', 'e', 'i', 'o', 'u', 'q'];
  showchars(c1 * c2 + ['!']);
  showchars(c2 - c1);
  showchars([chr(0), chr(255)] + c2 * []);
  writeln('k ', c2 <= c1 + ['q'], ' ', c1 >= c2, ' ', 'q' in c1, ' ', 'q' in c2, ' ', chr(255) in c1);
  warm := [red..yellow];
  cool := [green..violet];
  for k := red to violet do
    write(ord(k in warm + cool - [k]):1, ord(k in warm * (cool + [k])):1, ' ');
  writeln;
  writeln('l ', warm + cool = [red..violet], ' ', warm * cool = [], ' ', warm <= warm + [blue],
          ' ', cool >= [], ' ', [] <= warm);
  { assignments between the forms (all members within range) }
  x := a;
  show('T', x);
  a := x * [0..200];
  show('U', a);
  x := [];
  for i := 0 to 9 do x := x + [i * 111];
  a := x * [0..200];
  show('V', a);
  show('W', x);
  { a list set that grows to exactly 256 members }
  x := [0..254];
  x := x + [998];
  show('X', x - [1..253]);
  ch := 'z';
  c1 := [];
  for ch := chr(0) to chr(255) do c1 := c1 + [ch];
  c1 := c1 - ['a'..'z'];
  writeln('n ', ord('a' in c1):1, ord('Z' in c1):1, ord(chr(255) in c1):1)
end.
