program pointer_nil_read(output);
{ Reading through nil is trapped like writing through it. }
var
  p: ^integer;
begin
  new(p);
  p^ := 7;
  writeln(p^:1);
  p := nil;
  writeln(p^:1);
  writeln('not reached')
end.
