program err_pascal_number_to_object;
{ A number assigned to an object variable. }
var t, o: object;
begin
  t := createobject('Tarn.Test');
  o := t.Sum1(1)
end.
