program newdisposetags(output);
{ new and dispose with tag values, and dispose of pointer expressions that are not
  variables: a function's result and a field reached through a pointer. }
type
  shape = (circle, rect, tri);
  figure = record
    name: char;
    case kind: shape of
      circle: (r: integer);
      rect: (w, h: integer);
      tri: (a, b, c: integer; case right: boolean of
              true: (hyp: integer);
              false: ())
  end;
  pfig = ^figure;
  link = ^node;
  node = record value: integer; next: link end;
var
  f, g: pfig;
  chain, q: link;
  i, total: integer;

function make(n: integer): link;
var p: link;
begin
  new(p);
  p^.value := n;
  p^.next := nil;
  make := p
end;

function area(p: pfig): integer;
begin
  case p^.kind of
    circle: area := 3 * p^.r * p^.r;
    rect: area := p^.w * p^.h;
    tri: area := p^.a * p^.b div 2
  end
end;

begin
  new(f, circle);
  f^.name := 'c';
  f^.kind := circle;
  f^.r := 2;
  new(g, tri, true);
  g^.name := 't';
  g^.kind := tri;
  g^.a := 3; g^.b := 4; g^.c := 5;
  g^.right := true;
  g^.hyp := 5;
  writeln(f^.name, area(f):4, g^.name, area(g):4, g^.hyp:3);
  dispose(f, circle);
  dispose(g, tri, true);
  new(f, rect);
  f^.kind := rect;
  f^.w := 6; f^.h := 7;
  writeln(area(f):3);
  dispose(f, rect);
  dispose(make(42));
  chain := nil;
  for i := 1 to 5 do begin
    q := make(i);
    q^.next := chain;
    chain := q
  end;
  total := 0;
  while chain <> nil do begin
    total := total + chain^.value;
    q := chain^.next;
    dispose(chain);
    chain := q
  end;
  writeln(total:3);
  chain := make(1);
  chain^.next := make(2);
  dispose(chain^.next);
  writeln(chain^.value:2);
  dispose(chain)
end.
