program err_pascal_disposed_object;
{ A method call through a variable after dispose: the variable is undefined again. }
var t: object;
begin
  t := createobject('Tarn.Test');
  dispose(t);
  t.Nothing
end.
