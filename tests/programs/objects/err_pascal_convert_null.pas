program err_pascal_convert_null;
{ A null result used as a condition. }
var t: object;
begin
  t := createobject('Tarn.Test');
  if t.Make(1) then writeln('not reached')
end.
