program arith(output);
{ Integer arithmetic, operator precedence, signs and comparisons. }
var
  a, b, c: integer;
  w: word;
  t, f: boolean;
begin
  a := 17; b := 5; c := -3;
  writeln(a + b * c:1);
  writeln((a + b) * c:1);
  writeln(a div b:1, ' ', a mod b:1, ' ', -a div b:1, ' ', a div -b:1);
  writeln(a - b - c:1, ' ', a - (b - c):1);
  writeln(-(a + b):1, ' ', -a + b:1);
  writeln(a * b div 3 * 2:1);
  writeln(2147483647 div 7:1);
  writeln(a = 17, ' ', a <> 17, ' ', b < c, ' ', b > c, ' ', a <= 17, ' ', c >= -3);
  t := true; f := false;
  writeln(t and f, ' ', t or f, ' ', not t, ' ', not (a > b) or (c < 0));
  writeln((a > b) = (b > c));
  w := 4000000000;
  writeln(w > w div 2, w div 3:11);
  writeln(a:5, b:3, c:4);
  writeln(1 + 2 * 3 - 4 div 2 + 10 mod 4:1)
end.
