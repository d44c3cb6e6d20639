program pinaliasstores(output);
{ Loops that keep global counters in registers and store to them there, while other
  stores in the same loop change the counters' words in memory: a char into one byte of
  a counter (a variant record), a real over one, a word through a pointer into the
  counter or somewhere else, an array element through a computed index. The counter's
  last value must reach memory before such a store, and the register must take the
  changed word after it. }
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
  p, q: pint;
  v: view;
  w: record
    case integer of
      0: (a: array [0..3] of integer);
      1: (n: integer)
  end;
begin
  { the second byte of the counter set to 0 on some passes: 300 becomes 44 once }
  v.n := 250; s := 0; t := 0;
  while v.n < 320 do
  begin
    v.n := v.n + 25;
    t := t + 1;
    if v.n = 300 then v.c[1] := chr(0);
    s := s + v.n
  end;
  writeln('byte ', v.n:1, ' ', s:1, ' ', t:1);

  { a real over the counter: its low word is what the counter reads after it }
  v.n := 0; s := 0;
  while v.n < 20 do
  begin
    v.n := v.n + 1;
    if v.n = 7 then v.x := 1.0 + 11 / 4503599627370496.0;
    s := s + v.n
  end;
  writeln('real ', v.n:1, ' ', s:1);

  { a pointer into the counter: its store replaces what the loop stored }
  p := ptr(addr(i));
  i := 0; s := 0;
  while i < 30 do
  begin
    i := i + 4;
    if i = 12 then p^ := p^ + 5;
    s := s + i
  end;
  writeln('pointer ', i:1, ' ', s:1);

  { a pointer elsewhere: the counters are read again after its store, and must come
    back with their new values }
  new(q);
  i := 0; s := 0; t := 0;
  while i < 10 do
  begin
    i := i + 1;
    s := s + i;
    q^ := s;
    t := t + q^ - s + i
  end;
  writeln('elsewhere ', i:1, ' ', s:1, ' ', t:1, ' ', q^:1);
  dispose(q);

  { w.n kept in a register, stored to as w.a[0] (the same word) through an index
    checked to lie in the array }
  for k := 0 to 3 do w.a[k] := 0;
  k := 0; s := 0;
  while w.n < 50 do
  begin
    w.n := w.n + 3;
    k := k + 1;
    if k > 3 then k := 0;
    w.a[k] := w.a[k] + 1;
    s := s + w.n
  end;
  writeln('array ', w.n:1, ' ', s:1, ' ', k:1, ' ', w.a[0]:1, ' ', w.a[1]:1)
end.
