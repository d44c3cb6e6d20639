program set_list_unchecked(output);
{ Without option ao the same assignment keeps the member outside the base type. }
var
  wide: set of 0..2000;
  narrow: set of 0..1000;
begin
  wide := [5, 1500];
  narrow := wide;
  writeln(ord(5 in narrow):1)
end.
