program pinaliasreads(output);
{ Loops that keep global counters in registers and store to them there, while other
  reads in the same loop see the counters' words in memory: through a pointer, through
  the byte and real views of a variant record, through an array element indexed at run
  time, and through a var parameter inside a procedure's loop. Each read must see the
  value the loop stored last. }
type
  pint = ^integer;
  view = record
    case integer of
      0: (n: integer);
      1: (c: packed array [0..3] of char);
      2: (x: real)
  end;
var
  i, s, t, k: integer;
  p: pint;
  v: view;
  w: record
    case integer of
      0: (a: array [0..3] of integer);
      1: (n: integer)
  end;

procedure viaparam(var x: integer);
{ x is the global i itself. }
begin
  i := 0; s := 0;
  while i < 9 do
  begin
    i := i + 2;
    s := s + x;
    if i > 6 then s := s + 100
  end
end;

begin
  { a pointer to the counter, read after each store to it (t stays 0) }
  p := ptr(addr(i));
  i := 0; s := 0; t := 0;
  while i < 20 do
  begin
    i := i + 1;
    s := s + p^;
    i := i + 1;
    t := t + p^ - i
  end;
  writeln('pointer ', i:1, ' ', s:1, ' ', t:1);

  { the counter's low byte as a char }
  v.n := 60; s := 0; t := 0;
  while v.n < 70 do
  begin
    v.n := v.n + 1;
    if v.c[0] = 'B' then t := t + 1;
    s := s + ord(v.c[0]) - v.n
  end;
  writeln('bytes ', v.n:1, ' ', s:1, ' ', t:1);

  { the counter as the low word of a real: 1.0 plus n units in the last place }
  v.x := 1.0; s := 0;
  while v.n < 40 do
  begin
    v.n := v.n + 3;
    s := s + trunc((v.x - 1.0) * 4503599627370496.0)
  end;
  writeln('real ', v.n:1, ' ', s:1);

  { w.n kept in a register, read again as w.a[0] (the same word) through an index
    checked to lie in the array }
  for k := 0 to 3 do w.a[k] := k * 10;
  k := 0; s := 0;
  while w.n < 100 do
  begin
    w.n := w.n + 7;
    s := s + w.a[k];
    k := k + 1;
    if k > 3 then k := 0
  end;
  writeln('array ', w.n:1, ' ', s:1, ' ', k:1);

  viaparam(i);
  writeln('var ', i:1, ' ', s:1)
end.
