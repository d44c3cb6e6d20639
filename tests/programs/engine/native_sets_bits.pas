program nativesetsbits(output);
{ Sets kept as bits (char, an enumeration, 0..255, 10..60, locals and globals) combined
  the way the native tier computes them on bits: loads, constructors with variable members
  and ranges, union, intersection, difference, membership, comparisons and stores; with
  the edges: the empty set, all 256 members, members 0 and 255, empty ranges, elements
  outside a set's range in membership tests. }
type
  colour = (red, orange, yellow, green, blue, indigo, violet);
  colours = set of colour;
  chars = set of char;
  bytes = set of 0..255;
  middle = set of 10..60;
  upper = set of 50..200;
var
  c1, c2, c3: chars;
  warm, cool, all: colours;
  b1, b2: bytes;
  m: middle;
  u, v: upper;
  k: colour;
  ch: char;
  i, j, n: integer;

procedure showchars(tag: char; v: chars);
var c: char; n: integer;
begin
  write(tag, ':');
  n := 0;
  for c := chr(0) to chr(255) do
    if c in v then begin n := n + 1; if (c >= ' ') and (c <= '~') then write(c) else write('#', ord(c):1) end;
  writeln(' (', n:1, ')')
end;

procedure showbytes(tag: char; v: bytes);
var i, n: integer;
begin
  write(tag, ':');
  n := 0;
  for i := 0 to 255 do
    if i in v then begin n := n + 1; if (n <= 6) or (i >= 250) then write(' ', i:1) end;
  writeln(' (', n:1, ')')
end;

procedure showcolours(tag: char; v: colours);
var k: colour;
begin
  write(tag, ':');
  for k := red to violet do
    if k in v then write(' ', ord(k):1);
  writeln
end;

procedure locals(lo, hi: integer);
var a, b: bytes; c: chars; x: colours;
begin
  a := [lo..hi];
  b := a - [lo] + [255];
  c := [chr(lo)..chr(hi)] * ['a'..'z'];
  x := [red..violet] - [orange, blue];
  showbytes('a', a);
  showbytes('b', b);
  showchars('c', c);
  showcolours('x', x);
  writeln('lo in a ', lo in a, ', lo in b ', lo in b, ', 255 in b ', 255 in b, ', hi+1 in a ', hi + 1 in a);
  writeln('b <= a ', b <= a, ', a <= b ', a <= b, ', a >= a - b ', a >= a - b, ', a = b ', a = b, ', a <> b ', a <> b)
end;

begin
  c1 := ['a'..'z'];
  c2 := ['a', 'e', 'i', 'o', 'u'];
  c3 := [];
  showchars('1', c1);
  showchars('2', c1 * c2);
  showchars('3', c1 - c2 + ['0'..'3']);
  showchars('4', c3);
  c3 := [chr(0)..chr(255)];
  showchars('5', c3 - c1);
  ch := 'q';
  c3 := c1 - [ch] - c2;
  showchars('6', c3);
  writeln(ch in c3, ' ', 'r' in c3, ' ', chr(0) in c3, ' ', chr(255) in c3);
  c3 := [chr(0), chr(255)];
  showchars('7', c3);
  writeln(chr(0) in c3, ' ', chr(255) in c3, ' ', chr(1) in c3, ' ', chr(254) in c3);
  i := 5; j := 3;
  c3 := [chr(i)..chr(j)];  { an empty range }
  showchars('8', c3);
  c3 := c3 + [chr(i)..chr(i)];
  showchars('9', c3);

  warm := [red, orange, yellow];
  cool := [green..violet];
  for k := red to violet do
  begin
    all := warm + cool - [k];
    write(ord(k):1, ' ', k in warm, ' ', k in all, ' ', all = warm + cool, ' ', all <= warm + cool);
    writeln(' ', warm <= all, ' ', all >= cool, ' ', warm * cool = [])
  end;
  showcolours('w', warm * (cool + [yellow]));

  b1 := [0, 255];
  b2 := [0..255];
  showbytes('p', b1);
  showbytes('q', b2);
  showbytes('r', b2 - b1);
  writeln(b1 <= b2, ' ', b2 <= b1, ' ', b2 >= b1, ' ', b1 = b2 * b1, ' ', b2 = [0..255]);
  n := 0;
  for i := -3 to 260 do
    if i in b1 then n := n + 1000 else if i in b2 then n := n + 1;
  writeln('members counted ', n:1);
  n := 0;
  for i := 0 to 255 do
  begin
    b1 := [i] + [255 - i];
    if (i in b1) and (255 - i in b1) and not (i + 1 in b1 - [255 - i]) then n := n + 1
  end;
  writeln('singletons ', n:1);

  n := 0;
  for i := 0 to 51 do
  begin
    c3 := [chr(ord('a') + i mod 26)] + [chr(ord('A') + i div 2)];
    if (chr(ord('a') + i mod 26) in c3) and (chr(65 + i div 2) in c3) then n := n + 1
  end;
  showchars('z', c3);
  writeln('computed members ', n:1);
  i := 7;
  b1 := [i * 3, i - 8 + 9, -i + 250, not i and 255, i xor 5, i or 64, 200 div -i + 100];
  showbytes('y', b1);

  m := [10, 60];
  m := m + [20..30] - [25];
  write('m:');
  for i := 0 to 70 do if i in m then write(' ', i:1);
  writeln;
  writeln(9 in m, ' ', 10 in m, ' ', 60 in m, ' ', 61 in m);

  u := [50, 63, 64, 100, 113, 114, 127, 128, 177, 178, 191, 192, 200];
  v := u - [100] + [199];
  u := u * v;
  write('u:');
  for i := 0 to 255 do if i in u then write(' ', i:1);
  writeln;
  write('v:');
  for i := 0 to 255 do if i in v then write(' ', i:1);
  writeln;
  writeln(49 in v, ' ', 50 in v, ' ', 200 in v, ' ', 201 in v, ' ', u <= v, ' ', v <= u);

  locals(0, 255);
  locals(97, 100);
  locals(7, 6)
end.
