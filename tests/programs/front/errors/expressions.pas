program expressions(output);
type
  color = (red, green, blue);
  rec = record a: integer end;
var
  i, j: integer;
  w: word;
  r: real;
  b: boolean;
  c: char;
  s: string[2];
  t: string[3];
  p: ^integer;
  x, y: rec;
  cs: set of color;
  k: color;
begin
  i := 1; j := 2; w := 3; r := 1.0; b := true; c := 'a'; k := red; new(p);
  i := -j;
  i := j * -i;
  b := (i > 0) and_then (j > 0);
  b := i and_then j;
  b := (i > 0) or_else 3;
  b := i in ['a'..'z'];
  cs := [red, 1];
  cs := [1.5];
  cs := [red..blue];
  b := k in [red, green];
  b := c in cs;
  i := i div r;
  r := r / c;
  i := i shl r;
  b := p = i;
  b := x = y;
  b := i = w;
  s := 'abc';
  t := 'abc';
  c := 'ab';
  i := not b;
  b := not i;
  i := -c;
  i := i mod 2 + i xor j;
  b := b xor (i < j);
  s := c + c;
  i := 'a' < 1;
  i := +red;
  b := 1 < 2 < 3;
  x := y;
  r := i;
  i := r;
  writeln(i, j, w, r, b, c, s, t, p^, x.a, y.a)
end.
