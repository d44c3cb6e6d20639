program err_pascal_type_mismatch;
{ Text that is no number, converted to an integer. }
var t: object; i: integer;
begin
  t := createobject('Tarn.Test');
  i := t.Echo('12a')
end.
