program err_pascal_shortint_range;
{ A variant integer converted to integer, then checked against shortint's range. }
var t: object; s: shortint;
begin
  t := createobject('Tarn.Test');
  s := t.Sum1(40000)
end.
