program err_pascal_no_value;
{ A method that returns nothing, called as a function. }
var t: object; s: string;
begin
  t := createobject('Tarn.Test');
  t.Nothing;
  writeln('as a statement: fine');
  s := t.Nothing()
end.
