program disposeresultnil(output);
{ dispose of a function result that is nil is the nil-pointer error. }
type
  link = ^integer;
var
  p: link;

function none: link;
begin
  none := nil
end;

begin
  new(p);
  dispose(p);
  writeln('disposed');
  dispose(none);
  writeln('not reached')
end.
