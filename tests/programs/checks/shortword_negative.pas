program shortword_negative(output);
{ A negative value for a shortword is a range error. }
var
  s: shortword;
  i: integer;
begin
  i := 0;
  s := i;
  writeln(s:1);
  i := -1;
  s := i;
  writeln('not reached')
end.
