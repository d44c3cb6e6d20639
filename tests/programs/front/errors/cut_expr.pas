program cutexpr(output);
var x: integer;
begin
  x := (1 + 2 *
