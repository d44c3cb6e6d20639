program native_nan_signalling(output);
{ A signalling NaN whose low 51 fraction bits are all ones, set through an integer view:
  a defined value, so reading it with undefined-value checks on passes, and so does reading
  its negation. Arithmetic on it raises the invalid-operation trap, reported at that line.
  The checks compare bits: a floating-point comparison would trap at the read. }
{$V-}
type
  view = record case boolean of
    true: (r: real);
    false: (lo, hi: integer)
  end;
var
  v: view;
  x, y, z: real;
begin
  v.lo := -1; v.hi := 2146959359;  { 7FF7FFFF FFFFFFFF }
  x := v.r;
  writeln('read');
  y := -x;
  writeln('negated');
  z := y * 3.0;
  writeln('not reached')
end.
