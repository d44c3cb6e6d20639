program diff_nan_sign(output);
{ With undefined-value checks off a real that was never assigned holds the undefined
  pattern, all ones: a NaN with its sign set; abs clears the sign. When both operands of
  +, -, * or / are NaNs the result is the left one, in both tiers, whichever way the
  engine itself was compiled. }
{$U-}
var ux, p, x: real;
begin
  p := abs(ux);
  x := ux + p; writeln(x);  x := p + ux; writeln(x);
  x := ux * p; writeln(x);  x := p * ux; writeln(x);
  x := ux - p; writeln(x);  x := p - ux; writeln(x);
  x := ux / p; writeln(x);  x := p / ux; writeln(x)
end.
