program err_pascal_member_not_found;
{ A property read of a member the object does not have. }
var t: object;
begin
  t := createobject('Tarn.Test');
  writeln(t.Colour)
end.
