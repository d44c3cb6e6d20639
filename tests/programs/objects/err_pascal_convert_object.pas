program err_pascal_convert_object;
{ An object result assigned to an integer. }
var t: object; i: integer;
begin
  t := createobject('Tarn.Test');
  i := t.Child
end.
