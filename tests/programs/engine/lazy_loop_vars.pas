program lazyloopvars(output);
{ Loops whose counters and sums are global variables, changed inside the loop through var
  parameters, array elements, a record reached with "with", and function calls that write
  them while the loop condition is being computed. }
type rec = record n, total: integer end;
var
  i, j, s, t: integer;
  a: array[0..20] of integer;
  r: rec;
  x: real;

procedure bump(var v: integer; by: integer);
begin
  v := v + by
end;

function next(var k: integer): integer;
begin
  k := k + 1;
  next := k * 2
end;

begin
  s := 0; i := 0;
  while i < 10 do begin
    s := s + i;
    if i mod 3 = 0 then bump(s, 100);
    bump(i, 1)
  end;
  writeln(i:1, ' ', s:1);
  a[0] := 0; i := 1;
  while i <= 20 do begin a[i] := a[i - 1] + i; i := i + 1 end;
  writeln(a[20]:1, ' ', a[10]:1);
  t := 0; j := 0;
  while next(j) < 20 do t := t + j;
  writeln(j:1, ' ', t:1);
  r.n := 0; r.total := 0;
  with r do
    while n < 5 do begin total := total + n * n; bump(n, 1) end;
  writeln(r.n:1, ' ', r.total:1);
  x := 0; i := 0;
  while i < 8 do begin x := x + i / 2; i := i + 1 end;
  writeln(x:1:2, ' ', i:1);
  s := 0; i := 0;
  while i < 5 do begin
    j := 0;
    while j < i do begin s := s + i * j; j := j + 1 end;
    i := i + 1
  end;
  writeln(s:1, ' ', i:1, ' ', j:1)
end.
