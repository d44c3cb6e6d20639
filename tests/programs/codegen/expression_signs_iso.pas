program expression_signs_iso(output);
{ Without option nu a leading sign belongs to the simple expression and negates its first
  term, whole: -a mod 4 is -(a mod 4). }
var a, b, c: integer; x: real; p: boolean;
begin
  a := 7; b := 3;
  c := -a;
  writeln(c, ' ', -a mod 4, ' ', -a div 2, ' ', -a * b, ' ', -a * b + 1, ' ', +a mod 4);
  writeln(-a mod 4 - b, ' ', -a - b mod 2, ' ', -(a mod 4), ' ', -a shl 1);
  p := -a mod 4 = -3;
  writeln(p, ' ', -b < -a mod 5, ' ', -a mod 4 in [0..3]);
  x := -a / 2 + 1;
  writeln(x:6:2, ' ', -x * 2:6:1);
  writeln(-(-a mod 4) * 2 = 6)
end.
