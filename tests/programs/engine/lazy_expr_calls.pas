program lazyexprcalls(output);
{ Deep expressions whose operands are function results: the outer operands wait on the
  stack while the inner calls run, and var parameters point into array elements and record
  fields that the same expression reads before and after the call (operands are evaluated
  from left to right). }
type
  vec = array[1..8] of integer;
  pair = record a, b: integer end;
var
  v: vec;
  p: pair;
  q: array[1..3] of pair;
  i, n, m: integer;

function h(e: integer): integer;
begin
  h := e * e - 3
end;

function g(c, d: integer): integer;
begin
  g := c - d * h(c + d)
end;

function f(a, b, c: integer): integer;
begin
  f := a * 1000 + b * 10 + c
end;

function bump(var x: integer; by: integer): integer;
begin
  x := x + by;
  bump := x * 2
end;

function pick(k: integer; var w: vec): integer;
begin
  pick := w[k] + k
end;

begin
  for i := 1 to 8 do v[i] := i * i;
  n := f(v[1] + v[2] * g(v[3] - v[4] * h(v[2]), 2), h(3) - g(1, h(1)), 7);
  writeln(n);
  m := (v[8] - v[7]) * ((v[6] + v[5]) * ((v[4] - v[3]) * ((v[2] + v[1]) * (h(2) + g(3, 1)))));
  writeln(m);
  p.a := 5; p.b := 9;
  n := p.a * 10 + bump(p.a, 3) * 100 + p.a + bump(v[p.b - 6], p.a) - v[3];
  writeln(n, ' ', p.a, ' ', v[3]);
  for i := 1 to 3 do begin q[i].a := i; q[i].b := 10 * i end;
  with q[2] do
    n := a + b * (bump(a, b) + bump(q[3].b, a)) - a;
  writeln(n, ' ', q[2].a, ' ', q[2].b, ' ', q[3].b);
  n := pick(1, v) + pick(2, v) * (pick(3, v) + pick(4, v) * (pick(5, v) - pick(6, v) * (pick(7, v) + pick(8, v))));
  writeln(n);
  writeln(h(1), h(2):4, g(2, 1):6, f(1, 2, 3):8, v[1] + v[8]:5, bump(v[1], v[2]):5, v[1]:4, h(h(h(2))):7)
end.
