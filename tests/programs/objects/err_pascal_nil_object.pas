program err_pascal_nil_object;
{ A property write through a nil object variable. }
var t: object;
begin
  t := nil;
  t.Name := 'x'
end.
