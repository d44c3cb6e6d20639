program pascal_variant_types;
{ Every variant type both ways. Arguments: each Pascal type travels with its own variant
  type code, and the server sees the automation type it maps to (TypeOf). Results: each
  automation type the server makes arrives as the program's variant value, converted to
  the static type of the variable it is assigned to; a result sent back shows the
  automation type it maps to again. }
type
  colour = (red, green, blue);
var
  t, o, none: object;
  i: integer;
  r: real;
  f: single;
  b: boolean;
  y: byte;
  w: word;
  s: string;
  c: char;
  e: colour;
begin
  t := createobject('Tarn.Test');
  i := -7; r := 2.5; f := 0.25; b := true; y := 200; w := 4000000000; s := 'text';
  c := 'q'; e := blue; none := nil;
  { Pascal -> automation: I4 3, R8 5, BOOL 11, UI1 17, UI4 19, BSTR 8, DISPATCH 9 }
  writeln(t.TypeOf(i), ' ', t.TypeOf(r), ' ', t.TypeOf(f), ' ', t.TypeOf(b), ' ',
          t.TypeOf(y), ' ', t.TypeOf(w), ' ', t.TypeOf(s), ' ', t.TypeOf(c), ' ',
          t.TypeOf(e), ' ', t.TypeOf(t), ' ', t.TypeOf(none));
  writeln(t.TypeOf(5), ' ', t.TypeOf(1.0), ' ', t.TypeOf(false), ' ', t.TypeOf('lit'), ' ',
          t.TypeOf('x'), ' ', t.TypeOf(i * 2), ' ', t.TypeOf(r / 2), ' ', t.TypeOf(s + c));
  writeln(t.Join(i, r, f, b, y, w, s, c));
  writeln(t.Join(e, t, none, 3000000000, -1, 'a' + 'b', not b));
  { a variant argument keeps its type: the server's value comes back unchanged }
  writeln(t.TypeOf(t.Echo(y)), ' ', t.TypeOf(t.Echo(w)), ' ', t.TypeOf(t.Make(1)), ' ',
          t.TypeOf(t.Make(2)), ' ', t.TypeOf(t.Make(16)), ' ', t.TypeOf(t.Make(6)));
  { automation -> Pascal }
  i := t.Make(2); write(i, ' ');
  i := t.Make(3); write(i, ' ');
  i := t.Make(22); writeln(i);
  r := t.Make(4); write(r:5:2, ' ');
  r := t.Make(5); write(r:5:2, ' ');
  f := t.Make(5); write(f:5:2, ' ');
  r := t.Make(14); writeln(r:8:2);
  s := t.Make(6); write(s, ' ');
  s := t.Make(7); write(s, ' ');
  s := t.Make(64); writeln(s);
  s := t.Make(20); write(s, ' ');
  s := t.Make(21); writeln(s);
  s := t.Make(8);
  writeln(length(s), ' ', s[1], ' ', s[2], ' ', s[3], ' ', ord(s[4]));
  b := t.Make(11); write(b, ' ');
  b := t.Make(16); writeln(b);
  y := t.Make(17); write(y, ' ');
  w := t.Make(18); write(w, ' ');
  w := t.Make(19); write(w, ' ');
  w := t.Make(23); writeln(w);
  writeln(isnull(t.Make(1)), ' ', isnull(t.Make(3)), ' ', isnull(i), ' ', isnull(s));
  o := t.Make(9);
  writeln(o.Name, ' ', o.Same(o), ' ', t.Same(o));
  o := t.Make(1003);
  writeln(o = nil);
  o := t;
  writeln(o.Same(t));
  dispose(t)
end.
