program singleresult(output);
{ Functions returning single: the float the callee stores is widened to a real at the
  call, in expressions, through a procedural parameter, from exit and from recursion. }
type small = single;
var s: single; r: real; i: integer;

function half(x: single): single;
begin half := x / 2 end;

function third(x: real): small;
begin third := x / 3 end;

function early(x: single): single;
begin
  if x < 0 then exit(-1);
  early := x * 2
end;

function sumdown(n: integer): single;
begin
  if n = 0 then sumdown := 0 else sumdown := n + sumdown(n - 1)
end;

function fromint(n: integer): single;
begin fromint := n end;

function apply(function f(x: single): single; v: single): single;
begin apply := f(v) + 1 end;

procedure nested(k: integer);
  function scaled(x: single): single;
  begin scaled := x * k end;
begin
  writeln(apply(scaled, 2.5):8:3)
end;

begin
  s := half(3.0);
  writeln(s:8:3);
  r := half(5) + half(7);
  writeln(r:8:3);
  writeln(third(1.0):10:6);
  writeln(third(1.0) = 1/3);
  writeln(abs(third(1.0) - 1/3) < 1e-6);
  writeln(early(-5):6:1, early(4):6:1);
  writeln(sumdown(100):10:1);
  writeln(fromint(16777217):12:1);
  writeln(apply(half, 9.0):8:3);
  nested(3);
  i := trunc(half(9.0));
  writeln(i);
  writeln(round(half(3)) + round(half(5)))
end.
