program sets(output);
{ Sets: constructors with ranges, membership, union, intersection, difference and
  comparisons, over small (bit) and large (member list) base types. }
type
  color = (red, orange, yellow, green, blue, violet);
  colors = set of color;
  big = set of 0..999;
var
  warm, cool, all, none: colors;
  c: color;
  vowels, letters: set of char;
  ch: char;
  b: big;
  i, n: integer;

procedure show(s: colors);
var c: color;
begin
  for c := red to violet do
    if c in s then write('1') else write('0');
  writeln
end;

begin
  warm := [red..yellow];
  cool := [green, blue, violet];
  none := [];
  all := warm + cool;
  show(warm); show(cool); show(all);
  show(all - [orange, blue]);
  show(all * [yellow..blue]);
  show(none);
  writeln(warm <= all, ' ', all >= cool, ' ', warm = cool, ' ', warm <> cool, ' ', none = []);
  vowels := ['a', 'e', 'i', 'o', 'u'];
  letters := ['a'..'z'];
  n := 0;
  for ch := 'a' to 'z' do
    if (ch in letters) and not (ch in vowels) then n := n + 1;
  writeln(n:1);
  b := [];
  for i := 0 to 999 do
    if i mod 100 = 7 then b := b + [i];
  n := 0;
  for i := 0 to 999 do
    if i in b then n := n + i;
  writeln(n:1, ' ', 507 in b, ' ', 508 in b);
  c := blue;
  writeln(c in cool, ' ', succ(c) in warm)
end.
