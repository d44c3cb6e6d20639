program nativesqrt(output);
{ sqrt in a loop, as the native tier computes it inline: zero, minus zero, whole squares,
  a tiny and a huge number; then the root of a negative number, which is the routine's
  domain error at its line. }
var
  x, sum: real;
  i: integer;
begin
  sum := 0.0;
  for i := 0 to 100 do sum := sum + sqrt(i * i);
  writeln(sum:1:3);
  writeln(sqrt(0.0):1:3, ' ', sqrt(-0.0):1:3, ' ', sqrt(2.0):1:6);
  writeln(sqrt(1.0e-300) * 1.0e150:1:6, ' ', sqrt(1.0e300) / 1.0e150:1:6);
  x := 4.0;
  for i := 1 to 6 do
  begin
    writeln(sqrt(x):1:4);
    x := x - 1.5
  end;
  writeln('not reached')
end.
