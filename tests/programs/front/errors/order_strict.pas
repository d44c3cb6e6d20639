program orderstrict(output);
var x: integer;
const c = 1;
type t = integer;
var y: t;
label 9;
procedure p;
begin
  x := c
end;
var z: integer;
begin
  9: y := 0;
  z := y;
  p;
  if x = 0 then goto 9
end.
