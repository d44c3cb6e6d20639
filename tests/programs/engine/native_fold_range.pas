program nativefoldrange(output);
{ Fields of records in an array, read and written through indexes held in locals, as the
  native tier folds them (frame address and load in one, one comparison per range check);
  then an index one past the end: "Value out of range" at the line of the access. }
type
  body = record x, y: real; n: integer end;
var
  b: array[1..5] of body;
  i, j: integer;
  s: real;

procedure walk(lo, hi: integer);
var i, k: integer; t: real;
begin
  t := 0.0;
  for i := lo to hi do
    for k := lo to i do
      t := t + b[i].x * b[k].y + b[k].n;
  s := s + t;
  writeln('walk ', lo:1, '..', hi:1, ' ', t:1:2)
end;

begin
  for i := 1 to 5 do
  begin
    b[i].x := i * 1.5; b[i].y := 2.0 - i; b[i].n := i * i
  end;
  s := 0.0;
  walk(1, 5);
  walk(2, 4);
  j := 0;
  for i := 1 to 5 do j := j + b[i].n;
  writeln('sum of n ', j:1, ' s ', s:1:2);
  walk(4, 6)
end.
