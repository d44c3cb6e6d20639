program err_pascal_undefined_object;
{ A member read through an object variable that was never assigned. }
var t: object;
begin
  writeln(t.Name)
end.
