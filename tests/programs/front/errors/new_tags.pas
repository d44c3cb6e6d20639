program newtags;
{ Tag values of new and dispose name the variants of the record, outermost first: each must
  fit its variant part's selector, and there can be no more of them than variant parts. }
type kind = (circle, rect, tri);
  shape = record
    case k: kind of
      circle: (r: real);
      rect: (w, h: real);
      tri: (a: integer; case right: boolean of true: (hyp: integer); false: (angle: real))
  end;
  sp = ^shape;
var p: sp; q: ^integer; i: integer;
begin
  new(p, 1);
  new(p, rect, true);
  new(q, 1);
  new(p, tri, 3);
  new(p, i);
  new(p, tri, false);
  dispose(p, tri, false);
  new(p, tri, i = 1);
  dispose(p)
end.
