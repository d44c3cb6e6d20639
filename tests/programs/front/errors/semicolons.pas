program semicolons(output);
var
  a: integer
  b: real;
  c: char;
procedure show(n: integer)
begin
  writeln(n)
end;
begin
  a := 1
  b := 2.0;
  c := 'x'
  show(a)
  writeln(b, c)
end.
