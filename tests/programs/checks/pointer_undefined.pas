program pointer_undefined(output);
{ A dereference through a pointer that was never assigned is trapped. }
var
  p: ^integer;
begin
  writeln('start');
  p^ := 1;
  writeln('not reached')
end.
