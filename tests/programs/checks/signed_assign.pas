program signed_assign(output);
{ A subrange with a negative low bound: the bound itself passes, one below it fails. }
type
  offset = -5..5;
var
  d: offset;
  i: integer;
begin
  i := -5;
  d := i;
  writeln(d:1);
  i := -6;
  d := i;
  writeln('not reached')
end.
