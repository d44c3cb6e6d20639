program disposetagstwice(output);
{ dispose with tag values of a pointer that was disposed already. }
type
  shape = (circle, rect);
  figure = record
    case kind: shape of
      circle: (r: integer);
      rect: (w, h: integer)
  end;
var
  f, g: ^figure;
begin
  new(f, rect);
  g := f;
  dispose(f, rect);
  writeln('disposed');
  dispose(g, rect);
  writeln('not reached')
end.
