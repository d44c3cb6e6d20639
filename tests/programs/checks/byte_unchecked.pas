program byte_unchecked(output);
{ With range checks off a byte keeps the low byte of what it is given. }
var
  b: byte;
  i: integer;
begin
  {$R-}
  i := 300;
  b := i;
  writeln(b:1);
  i := -1;
  b := i;
  writeln(b:1)
end.
