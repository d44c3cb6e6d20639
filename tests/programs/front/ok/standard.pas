{ Standard Pascal: records with variants, sets, files, pointers, nested procedures,
  procedural parameters, non-local goto. }
program standard(input, output);
label 99;
const
  max = 10;
  pi2 = 6.2831853;
  greeting = 'Hello';
  minus = -max;
type
  colour = (red, green, blue);
  index = 1..max;
  vector = array[index] of integer;
  matrix = array[1..3, 1..3] of real;
  shape = (circle, square, rect);
  figure = record
    name: packed array[1..8] of char;
    case kind: shape of
      circle: (radius: real);
      square: (side: real);
      rect: (width, height: real)
  end;
  link = ^node;
  node = record
    value: integer;
    next: link
  end;
  colours = set of colour;
  intfile = file of integer;
var
  v: vector;
  m: matrix;
  f: figure;
  head, p: link;
  cs: colours;
  c: colour;
  i, j, total: integer;
  ch: char;
  ok: boolean;
  numbers: intfile;
  x: real;

function squareof(n: integer): integer;
begin
  squareof := n * n
end;

function apply(function g(k: integer): integer; n: integer): integer;
begin
  apply := g(n)
end;

procedure fill(var a: vector; n: integer);
var k: integer;

  procedure put(at, value: integer);
  begin
    a[at] := value
  end;

begin
  for k := 1 to n do put(k, squareof(k))
end;

procedure search(target: integer);
var k: integer;
begin
  for k := 1 to max do
    if v[k] = target then goto 99
end;

function area(var fig: figure): real;
begin
  case fig.kind of
    circle: area := pi2 / 2 * fig.radius * fig.radius;
    square: area := fig.side * fig.side;
    rect: area := fig.width * fig.height
  end
end;

begin
  fill(v, max);
  total := 0;
  for i := max downto 1 do total := total + v[i];
  writeln('total = ', total:6);
  for i := 1 to 3 do
    for j := 1 to 3 do
      m[i, j] := i / j;
  f.name := 'unit    ';
  f.kind := rect;
  f.width := 2.0;
  f.height := 3.5;
  x := area(f);
  writeln(greeting, ' ', x:8:2, ' ', apply(squareof, 7));
  head := nil;
  for i := 1 to 5 do begin
    new(p);
    p^.value := i;
    p^.next := head;
    head := p
  end;
  while head <> nil do begin
    write(head^.value:3);
    p := head;
    head := head^.next;
    dispose(p)
  end;
  writeln;
  cs := [red, blue];
  for c := red to blue do
    if c in cs then write(ord(c):2);
  writeln;
  ok := (minus < 0) and not (green in cs) or false;
  repeat
    read(ch)
  until eof or (ch = '.');
  rewrite(numbers);
  for i := 1 to 3 do begin
    numbers^ := i;
    put(numbers)
  end;
  reset(numbers);
  while not eof(numbers) do begin
    read(numbers, i);
    write(i:2)
  end;
  writeln;
  search(49);
  writeln('not found');
  99: writeln('done ', ok, ' ', chr(ord('a') + 1), ' ', trunc(x), ' ', round(x), ' ', abs(minus), ' ', odd(3))
end.
