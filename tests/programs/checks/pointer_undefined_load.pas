program pointer_undefined_load(output);
{ Copying a pointer that was never assigned is a use of an undefined value (option u). }
var
  p, q: ^integer;
begin
  writeln('start');
  q := p;
  writeln('not reached')
end.
