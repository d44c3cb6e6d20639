program sets_err_constructor(output);
{ A member above the base type's range in a set constructor stops the program. }
type
  small = set of 0..200;
var
  a: small;
  i: integer;
begin
  i := 200;
  a := [i - 1..i] + [5];
  writeln(199 in a, ' ', 5 in a);
  i := 201;
  a := [5, i];
  writeln('not reached')
end.
