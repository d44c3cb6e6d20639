program insertnest(output);
{ A list insert needs a hidden local of its own: inside twenty nested for statements
  there is none left. }
var l: list of integer;
  i1, i2, i3, i4, i5, i6, i7, i8, i9, i10, i11, i12, i13, i14, i15, i16, i17, i18, i19, i20: integer;
begin
  new(l);
  for i1 := 1 to 1 do
  for i2 := 1 to 1 do
  for i3 := 1 to 1 do
  for i4 := 1 to 1 do
  for i5 := 1 to 1 do
  for i6 := 1 to 1 do
  for i7 := 1 to 1 do
  for i8 := 1 to 1 do
  for i9 := 1 to 1 do
  for i10 := 1 to 1 do
  for i11 := 1 to 1 do
  for i12 := 1 to 1 do
  for i13 := 1 to 1 do
  for i14 := 1 to 1 do
  for i15 := 1 to 1 do
  for i16 := 1 to 1 do
  for i17 := 1 to 1 do
  for i18 := 1 to 1 do
  for i19 := 1 to 1 do
  for i20 := 1 to 1 do
    insert(1, l);
  writeln(length(l))
end.
