program declarations(output);
var early: integer;
const late = 1;
type
  s0 = string[0];
  penum = packed (a1, b1);
  list = integer;
  t = t;
  str = string[10];
var
  x: integer;
  x: integer;
  sv: str;
function f(n: integer): integer; forward;
procedure orphan; forward;
function f(n: integer): integer;
begin
  f := n
end;
begin
  early := late;
  sv := 'ok';
  x := f(2)
end.
