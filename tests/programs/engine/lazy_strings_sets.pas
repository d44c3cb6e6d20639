program lazystringssets(output);
{ String and set values built on the stack around function calls: concatenations whose
  parts are function results, string comparisons inside integer expressions, sets whose
  members are computed by calls, and writeln with many arguments of every kind. }
type
  str = string[60];
  small = set of 0..63;
var
  s, t: str;
  a, b: small;
  i, n: integer;
  r: real;
  ok: boolean;

function up(c: char): char;
begin
  if (c >= 'a') and (c <= 'z') then up := chr(ord(c) - 32) else up := c
end;

function shout(x: str): str;
var k: integer; y: str;
begin
  y := '';
  for k := 1 to length(x) do y := y + up(x[k]);
  shout := y
end;

function rev(x: str): str;
var k: integer; y: str;
begin
  y := '';
  for k := length(x) downto 1 do y := y + x[k];
  rev := y
end;

function sq(k: integer): integer;
begin
  sq := k * k
end;

function count(x: small): integer;
var k, c: integer;
begin
  c := 0;
  for k := 0 to 63 do if k in x then c := c + 1;
  count := c
end;

begin
  s := 'lazy';
  t := shout(s) + '-' + rev(s + 'ness') + '-' + copy(shout(rev(s)), 2, 2) + s;
  writeln(t, ' ', length(t));
  n := ord(s < t) * 100 + ord(rev(t) = rev(rev(rev(t)))) * 10 + length(shout(t) + rev(s)) * 1000;
  writeln(n);
  a := [sq(2), sq(3) - 1, 1 + sq(1), sq(4) + sq(5) - sq(6) + 36, 3 * sq(2)..sq(4)];
  b := [2..sq(3)] * a + [sq(7) + 13] - [sq(2)];
  writeln(count(a), ' ', count(b), ' ', count(a + b), ' ', count(a - b), ' ', 62 in b, ' ', 4 in b);
  for i := 0 to 63 do if i in a * b then write(i:3);
  writeln;
  ok := (sq(3) in a) or ([sq(2)] <= a) and not (sq(5) in a - [25]);
  r := 1.5;
  writeln(s, 7:3, r:6:2, up('q'), ok, ' ', shout(s) = 'LAZY', length(s + s):4, ' ', copy(t, 6, 8),
          r * sq(4):7:1, ' ', count([sq(1)..sq(2), sq(3)..sq(4) + 1]):3, sq(-3):4, 'end')
end.
