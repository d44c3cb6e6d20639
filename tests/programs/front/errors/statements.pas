program statements(output);
label 1, 2;
type rec = record a: integer end;
var
  x, y: integer;
  c: char;
  b: boolean;
  r: real;
  v: rec;
function noresult(n: integer): integer;
begin
  x := n
end;
procedure threat;
var i: integer;
begin
  for i := 1 to 10 do i := 5
end;
begin
  if b then x := 1; else x := 2;
  x := 1 y := 2;
  for x := 1 to 3 do y := x;
  goto 1;
  begin 1: x := 3 end;
  2: x := x + 1;
  if x < 3 then goto 2;
  case c of 'a': x := 1; 'a': x := 2 end;
  for r := 1 to 2 do y := 1;
  with x do y := 1;
  with v do a := noresult(a);
  threat;
  writeln(x, y)
end.
