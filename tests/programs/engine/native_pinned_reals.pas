program pinnedreals(output);
{ Loops over global counters that also compare, negate and truncate reals, so that the
  counters stay in registers through every iteration while the real operations take
  their own scratch registers; one loop changes a counter through a pointer on some
  iterations. A counter that went stale would change the counts or never end. }
type pint = ^integer;
var
  i, n, hits, misses, k: integer;
  x, y, s: real;
  p: pint;
  v: array [1..40] of real;
begin
  for i := 1 to 40 do v[i] := (i mod 7) - 2.5 + i / 16;
  i := 1; n := 0; hits := 0; misses := 0; s := 0;
  while i <= 40 do
  begin
    x := v[i];
    if x > 0.75 then hits := hits + 1 else misses := misses + 1;
    if x = -x then s := s + 100;
    if -x >= 1.0 then s := s - x;
    k := trunc(x * 3);
    n := n + k;
    i := i + 1
  end;
  writeln(hits:1, ' ', misses:1, ' ', n:1, ' ', s:8:4);
  new(p);
  i := 0; n := 0; y := 0.5;
  repeat
    i := i + 1;
    y := y * 1.25;
    if y > 4.0 then begin y := y - 3.5; n := n + 1 end;
    if i mod 9 = 0 then p^ := i else p^ := -i;
    if (p^ > 0) and (y < 2.0) then n := n + trunc(-y * 10)
  until i >= 60;
  writeln(i:1, ' ', n:1, ' ', y:10:6, ' ', p^:1);
  dispose(p)
end.
