program native_real_share(output);
{ A real variable kept in a register and loaded twice in one expression is held by two
  stack slots at once; an operation on one of them (a sign, a square root, arithmetic) must
  compute in a copy, never in the register the other slot and the variable still hold. }
var
  g, h: real;

procedure locals;
var v, w, d2: real;
begin
  v := 4.0;
  w := v * -v;
  writeln(w:1:3, ' ', v:1:3);
  w := v * sqrt(v);
  writeln(w:1:3, ' ', v:1:3);
  d2 := v * v + v;
  w := d2 * sqrt(d2) - d2;
  writeln(w:1:6, ' ', d2:1:3);
  w := -v - v;
  writeln(w:1:3, ' ', v:1:3);
  w := (v - v * v) / v;
  writeln(w:1:3, ' ', v:1:3)
end;

begin
  g := 2.25;
  h := g * -g;
  writeln(h:1:4, ' ', g:1:4);
  h := g * sqrt(g) + sqrt(g);
  writeln(h:1:4, ' ', g:1:4);
  h := -g * g - g;
  writeln(h:1:4, ' ', g:1:4);
  locals
end.
