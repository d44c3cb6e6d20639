program nilptr(output);
{ A dereference of nil is trapped. }
type
  cell = ^integer;
var
  p: cell;
begin
  new(p);
  p^ := 5;
  writeln(p^:1);
  dispose(p);
  p := nil;
  p^ := 1;
  writeln('not reached')
end.
