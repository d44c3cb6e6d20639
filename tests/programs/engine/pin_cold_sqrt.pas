program pincoldsqrt(output);
{ Loops that keep global counters in registers and store to them there, and take the
  square root of a NaN on some passes: the root is then left to the standard routine,
  which runs outside the loop's code, and the run comes back to the loop with the
  counters as memory holds them. They must hold what the loop stored last. }
type
  bits = record
    case integer of
      0: (x: real);
      1: (lo, hi: integer)
  end;
var
  i, s, t: integer;
  nan, y, r: real;
  b: bits;
begin
  b.lo := 0; b.hi := 2146959360;  { a quiet NaN }
  nan := b.x;
  i := 0; s := 0; t := 0; r := 0;
  while i < 12 do
  begin
    i := i + 1;
    s := s + i;
    if s > 1000 then s := 0;
    if i < 5 then y := i else y := nan;
    y := sqrt(y);
    if y = y then r := r + y else t := t + 1;
    if t > 100 then t := 0
  end;
  writeln(i:1, ' ', s:1, ' ', t:1, ' ', r:10:6);

  i := 0; s := 0;
  repeat
    s := s + 10;
    if s > 40 then y := sqrt(nan) else y := sqrt(s);
    i := i + 1
  until i >= 8;
  writeln(i:1, ' ', s:1, ' ', y:4)
end.
