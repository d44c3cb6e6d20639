program variants(output);
{ Variant records: fields of the active variant are used freely; a field of another
  variant stops the program (option v is on by default). }
type
  kind = (circle, rect);
  shape = record
    name: char;
    case k: kind of
      circle: (radius: integer);
      rect: (w, h: integer)
  end;
var
  s: shape;

function area(var x: shape): integer;
begin
  case x.k of
    circle: area := 3 * x.radius * x.radius;
    rect: area := x.w * x.h
  end
end;

begin
  s.name := 'r';
  s.k := rect; s.w := 4; s.h := 5;
  writeln(s.name, ' ', area(s):1);
  s.k := circle; s.radius := 2;
  writeln('c ', area(s):1);
  with s do writeln(radius:1);
  writeln(s.w:1)
end.
