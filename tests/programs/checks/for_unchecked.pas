program for_unchecked(output);
{ With range checks off the control variable runs past its subrange. }
{$R-}
type
  small = 1..10;
var
  k: small;
  i: integer;
begin
  i := 12;
  for k := 9 to i do write(k:3);
  writeln
end.
