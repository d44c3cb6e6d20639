program pinloopexits(output);
{ Loops whose global counters and sums stay in registers, and whose stores to them reach
  memory only when the loop is left: by the test at the head (while), by falling out of
  the bottom (repeat), by the test of a for loop, by a goto out of the middle (also right
  after two arms that stored the counter join), and from an inner loop. Each loop's
  globals are written after it. }
label 10, 20, 30;
var
  i, j, s, t, n: integer;
begin
  { while: left by the test at its head, after a backward jump that stored all three }
  i := 0; s := 0; t := 0;
  while i < 20 do
  begin
    s := s + i;
    if s > 50 then t := t + s else t := t - i;
    i := i + 1
  end;
  writeln('while ', i:1, ' ', s:1, ' ', t:1);

  { repeat: falls out of the bottom with the last stores in registers }
  i := 0; s := 1; t := 0;
  repeat
    s := s + s + i;
    if s > 10000 then begin s := s - 9999; t := t + 1 end;
    i := i + 1
  until i = 15;
  writeln('repeat ', i:1, ' ', s:1, ' ', t:1);

  { for: the sum stored in every pass, the loop left by the counter's test }
  s := 0; t := 7;
  for n := 1 to 12 do
  begin
    s := s + n * t;
    if s > 500 then s := s - 400;
    t := t + 5;
    if t > 20 then t := t - 17
  end;
  writeln('for ', s:1, ' ', t:1);

  { goto out of the middle: the store just before the test is the one that counts }
  i := 0; s := 0;
  while true do
  begin
    s := s + i * 3;
    if s > 200 then goto 10;
    i := i + 1
  end;
10:
  writeln('goto ', i:1, ' ', s:1);

  { both arms of an if store the counter, and the test after they join leaves the loop }
  i := 0; t := 0;
  repeat
    if t > 2 then begin i := i + 2; t := 0 end
    else begin i := i + 1; t := t + 1 end;
    if i > 17 then goto 20;
    t := t + 1
  until false;
20:
  writeln('join ', i:1, ' ', t:1);

  { nested: the outer loop keeps the globals, and the inner one leaves both by a goto
    once the sum passes a bound }
  i := 0; s := 0; n := 0;
  while i < 10 do
  begin
    j := 0;
    while j < i do
    begin
      s := s + j;
      if s > 60 then goto 30;
      j := j + 1
    end;
    n := n + j;
    i := i + 1
  end;
30:
  writeln('nested ', i:1, ' ', j:1, ' ', s:1, ' ', n:1)
end.
