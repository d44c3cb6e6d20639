program operatorsstd(output);
var
  i, j, xor: integer;
  b: boolean;
  c: char;
  r: real;
begin
  i := 1; j := 2; b := false; c := 'z'; r := 2.5;
  i := -j + 1;
  i := j * -i;
  i := j - -i;
  b := not -b;
  i := i and j;
  b := b or (i > j);
  i := not i;
  r := c + c;
  xor := i xor j;
  xor := xor + 1;
  b := (i > 0) and_then (j > 0);
  r := -r * 2;
  writeln(i, j, b, c, r, xor)
end.
