program err_pascal_dangling_copy;
{ A copy of an object reference that was disposed through another variable. }
var t, u: object;
begin
  t := createobject('Tarn.Test');
  u := t;
  dispose(t);
  writeln(u.Name)
end.
