program err_pascal_exception;
{ A member that raises an exception: error 47 with the server's text. }
var t: object;
begin
  t := createobject('Tarn.Test');
  t.Fail('the server says no')
end.
