program variants;
{ Where the language takes a variant value (a member read or function method) and where
  it does not: conditions and assignments take one; operators, for-loop bounds, case
  selectors, indices and the arguments of a method that are of no variant type do not.
  One error per line. }
var
  o: object;
  i: integer;
  s: shortint;
  c: char;
  p: ^integer;
  a: array[1..3] of integer;
  b: boolean;
begin
  o := createobject('Tarn.Test');
  if o.Same(o) then i := o.Number;
  while o.Same(o) do b := o.Same(o);
  repeat s := o.Number until o.Same(o);
  i := o.Number + 1;
  b := not o.Same(o);
  b := o.Name = 'x';
  for i := o.Number to 3 do;
  case o.Number of 1: end;
  a[o.Number] := 1;
  o.Echo(s);
  o.Echo(p);
  c := o.Name;
  i := -o.Number
end.
