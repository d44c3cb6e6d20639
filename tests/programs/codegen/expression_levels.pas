program expression_levels(output);
{ Signs and operators at every level of an expression: a leading sign negates the first
  term only, a factor alone stands at every level, and relations and shifts take whole
  simple expressions. }
var a, b, c: integer; x: real; p: boolean; s: set of 0..15;

function twice(n: integer): integer;
begin
  twice := 2 * n
end;

begin
  a := 7; b := 3; c := -a;
  writeln(c, ' ', -a + b, ' ', -a * b, ' ', -(a + b), ' ', - a - b);
  writeln(-a div 2, ' ', -a mod 4, ' ', +a - b, ' ', -b * -1 + a);
  writeln(a shl 2, ' ', -a shl 1 + 20, ' ', a + b shl 1, ' ', (a + b) shl 1);
  p := -a < b;
  writeln(p, ' ', a = 7, ' ', -a = -7, ' ', a - 10 = -b, ' ', not (a > b));
  x := -a / 2;
  writeln(x:6:2, ' ', -x * 2:6:1, ' ', -twice(a) + 1);
  s := [1, 3, 5];
  writeln(3 in s, ' ', b + 1 in s, ' ', -b + 8 in s);
  c := -twice(-a) - -b;
  writeln(c)
end.
