program native_nan_checks(output);
{ Reals whose bits are set through an integer view, read with undefined-value checks on.
  A quiet NaN with a small payload goes through arithmetic in a loop, and every check
  passes. 7FFFFFFF FFFFFFFF is a NaN but not the undefined pattern, so reading it passes;
  negated it is all ones, the undefined pattern, and reading the negation is an error. }
{$V-}
type
  view = record case boolean of
    true: (r: real);
    false: (lo, hi: integer)
  end;
var
  v: view;
  x, y, z: real;
  i, n: integer;
begin
  v.lo := 1; v.hi := 2146959360;   { 7FF80000 00000001 }
  x := v.r;
  n := 0;
  for i := 1 to 1000 do
  begin
    y := x * 2.0 + i;
    z := -y;
    if z <> z then n := n + 1
  end;
  writeln('NaN results: ', n:1);
  v.lo := -1; v.hi := 2147483647;  { 7FFFFFFF FFFFFFFF }
  x := v.r;
  y := -x;
  writeln('negation stored');
  z := y * 2.0;
  writeln('not reached')
end.
