program err_pascal_out_of_range;
{ A variant integer too large for a byte. }
var t: object; y: byte;
begin
  t := createobject('Tarn.Test');
  y := t.Sum1(255);
  writeln(y);
  y := t.Sum1(256)
end.
