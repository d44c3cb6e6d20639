program structcmp(output);
{ The comparisons of structured values the language has: strings of every kind (short,
  long, cstring, packed array of char, char) with each other, sets by equality, subset and
  superset, packed and unpacked sets with constructors, and pointers and lists by identity. }
type name8 = packed array[1..8] of char;
  small = set of 0..31;
  wide = set of 0..999;
  psmall = packed set of 0..31;
var a, b: name8; s: string[20]; long: string[300]; c: cstring[20]; ch: char;
  x, y: small; w, v: wide; px: psmall;
  p, q: ^integer; l1, l2: list of integer;

procedure show(name: string; b: boolean);
begin writeln(name, ' ', b) end;

begin
  a := 'apple   '; b := 'apricot ';
  show('a < b', a < b);
  show('a = a', a = 'apple   ');
  show('a >= b', a >= b);
  s := 'apple'; long := 'apple'; c := 'apples';
  show('s = long', s = long);
  show('s < c', s < c);
  show('c > long', c > long);
  show('s <> a', s <> a);
  show('s + spaces = a', s + '   ' = a);
  ch := 'b';
  show('ch > s', ch > s);
  show('ch = b', ch = 'b');
  show('empty < ch', '' < ch);
  long := '';
  show('long = empty', long = '');
  x := [1, 3, 5]; y := [1, 3];
  show('y <= x', y <= x);
  show('x <= y', x <= y);
  show('x >= y', x >= y);
  show('x = [5,3,1]', x = [5, 3, 1]);
  show('x <> y', x <> y);
  show('[] <= y', [] <= y);
  show('y = []', y = []);
  w := [0, 500, 999]; v := [500];
  show('v <= w', v <= w);
  show('w = [0,500,999]', w = [0, 500, 999]);
  px := [2, 4];
  show('px = [4,2]', px = [4, 2]);
  show('[2] <= px', [2] <= px);
  show('3 in px', 3 in px);
  new(p); q := p;
  show('p = q', p = q);
  new(q);
  show('p <> q', p <> q);
  show('nil = p', nil = p);
  dispose(q); q := nil;
  show('q = nil', q = nil);
  new(l1); l2 := l1;
  show('l1 = l2', l1 = l2);
  new(l2);
  show('l1 <> l2', l1 <> l2)
end.
