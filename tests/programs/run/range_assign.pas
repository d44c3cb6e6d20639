program range_assign(output);
{ An assignment to a subrange variable, and a value argument, are range checked. }
type
  digit = 0..9;
var
  d: digit;
  i: integer;

procedure show(x: digit);
begin
  writeln(x:1)
end;

begin
  i := 9;
  d := i;
  show(d);
  i := i + 1;
  show(i);
  writeln('not reached')
end.
