program parens(output);
var x, y: integer;
function f(a, b: integer): integer;
begin
  f := a + b
end;
begin
  x := f(1, 2;
  y := (x + 1)) * 2;
  if (x > y then x := 0;
  repeat x := 'a' until x > 0;
  repeat y := (y + 1 until y > 5;
  writeln(x, y]
end.
