program stray(output);
var x, y: integer;
begin
  x := 1 ) ;
  y := (x + 2;
  y := ((x * 3) + 1));
  writeln(x, y)
end.
