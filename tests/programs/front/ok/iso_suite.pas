{ A language test suite in one program: every statement form, records with nested
  variants, packed structures, sets, text and typed files, pointers, forward
  declarations, nested routines with non-local access, procedural parameters and
  non-local goto. It also runs as the program test iso/iso_suite, where the program
  parameter data is bound to the file named by the first argument. }
program isosuite(input, output, data);
label 1, 2, 100;
const
  limit = 8;
  negative = -limit;
  big = maxint;
  letter = 'q';
  banner = 'ISO suite';
  half = 0.5;
  tiny = 1.0e-3;
type
  day = (mon, tue, wed, thu, fri, sat, sun);
  weekday = mon..fri;
  small = 0..limit;
  signed = negative..limit;
  days = set of day;
  charset = set of char;
  name = packed array[1..9] of char;
  grid = array[small, small] of boolean;
  table = packed array[1..limit] of small;
  kind = (num, txt, pair);
  ptr = ^cell;
  cell = record
    next: ptr;
    case k: kind of
      num: (value: integer);
      txt: (str: name; len: small);
      pair: (left, right: ptr; case flag: boolean of
               true: (weight: real);
               false: (count: integer))
  end;
  point = record x, y: real end;
  numfile = file of integer;
  recfile = file of point;
  intfunc = integer;
var
  data: text;
  nf: numfile;
  rf: recfile;
  g: grid;
  tb: table;
  unpacked: array[1..limit] of small;
  d: day;
  ds, workdays: days;
  cs: charset;
  nm: name;
  head, p, q: ptr;
  pt: point;
  i, j, n, total: integer;
  r, s: real;
  ch: char;
  b: boolean;
  sg: signed;
  wd: weekday;

function fact(k: integer): intfunc; forward;

procedure swap(var a, b: integer);
var t: integer;
begin
  t := a; a := b; b := t
end;

function fact;
begin
  if k <= 1 then fact := 1 else fact := k * fact(k - 1)
end;

function sum(function f(v: integer): integer; lo, hi: integer): integer;
var acc, v: integer;
begin
  acc := 0;
  for v := lo to hi do acc := acc + f(v);
  sum := acc
end;

procedure each(procedure visit(c: ptr); chain: ptr);
begin
  while chain <> nil do begin
    visit(chain);
    chain := chain^.next
  end
end;

procedure show(c: ptr);
begin
  case c^.k of
    num: write(c^.value: 1);
    txt: write(c^.str: c^.len);
    pair: if c^.flag then write(c^.weight: 8: 3) else write(c^.count)
  end;
  writeln
end;

function double(v: integer): integer;
begin
  double := 2 * v
end;

procedure outer(depth: integer);
var local: integer;

  procedure inner;
  begin
    local := local + depth;
    total := total + local;
    if total > 1000 then goto 100
  end;

begin
  local := 0;
  inner;
  if depth > 0 then outer(depth - 1)
end;

procedure readall;
var v: integer;
begin
  reset(nf);
  while not eof(nf) do begin
    read(nf, v);
    total := total + v
  end;
  reset(rf);
  while not eof(rf) do begin
    pt := rf^;
    get(rf);
    r := r + pt.x * pt.y
  end
end;

begin
  total := 0; r := 0.0; s := half;
  nm := 'ninechars';
  writeln(banner, ' ', letter, ' ', big, ' ', tiny: 10: 4, negative: 4);

  { sets }
  workdays := [mon..fri];
  ds := workdays + [sat] - [wed] * [wed, thu];
  cs := ['a'..'z', 'A'..'Z', '0'..'9', '_'];
  if (tue in ds) and not (sun in ds) and (ds <= [mon..sat]) and ([] <> ds) then
    writeln('sets ok');
  for d := mon to sun do
    if d in workdays then total := total + ord(d) else total := total - 1;
  for ch := 'a' to 'e' do
    if ch in cs then total := total + ord(ch) - ord('a');
  d := succ(mon); d := pred(d); wd := fri;

  { arrays and packed arrays }
  for i := 0 to limit do
    for j := 0 to limit do
      g[i, j] := (i + j) mod 2 = 0;
  for i := 1 to limit do tb[i] := i mod (limit + 1);
  n := 0;
  for i := limit downto 1 do if g[i, tb[i]] then n := n + 1;
  unpack(tb, unpacked, 1);
  pack(unpacked, 1, tb);
  sg := negative; sg := abs(sg);

  { pointers and variant records }
  head := nil;
  for i := 1 to 3 do begin
    new(p);
    p^.k := num; p^.value := fact(i);
    p^.next := head; head := p
  end;
  new(q, txt); q^.k := txt; q^.str := nm; q^.len := 4; q^.next := head; head := q;
  new(q, pair, true); q^.k := pair; q^.flag := true; q^.weight := 2.5;
  q^.left := head; q^.right := nil; q^.next := head; head := q;
  each(show, head);

  { statements }
  i := 1; j := 2;
  swap(i, j);
  repeat i := i + 1 until i >= 10;
  while j > 0 do j := j - 1;
  case i mod 3 of
    0: j := 1;
    1, 2: j := 2
  end;
  with pt do begin x := 1.5; y := -x end;
  with head^ do if k = pair then flag := not flag;
  dispose(q, pair, true);
  if odd(i) then b := true else b := false;
  r := sqrt(sqr(3.0) + sqr(4.0)) + sin(0) + cos(0) + arctan(1) + exp(0) + ln(1);
  n := trunc(r) + round(r) + ord(b) + ord(chr(65));
  writeln(sum(double, 1, 4), ' ', sum(fact, 1, 5));

  { files }
  rewrite(nf);
  for i := 1 to 5 do write(nf, i * i);
  nf^ := 36; put(nf);
  rewrite(rf);
  pt.x := 2.0; pt.y := 3.0; write(rf, pt);
  readall;
  rewrite(data);
  writeln(data, 'line one');
  write(data, 42: 5, ' ', 3.25: 6: 2, ' ', true);
  writeln(data);
  page(data);
  reset(data);
  readln(data);
  read(data, n, s);
  while not eoln(data) do read(data, ch);
  if not eof(input) then readln(n);

  { goto }
  goto 2;
1: writeln('never');
2: outer(3);
  if total < 0 then goto 1;
100:
  writeln(total: 1, ' ', n: 1, ' ', r: 1: 2, ' ', s, ' ', sg, ' ', ord(wd): 1, ' ', d = tue)
end.
