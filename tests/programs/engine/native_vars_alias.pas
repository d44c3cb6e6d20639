program nativevarsalias(output);
{ Global variables read again and again within straight code, as the native tier keeps
  them in registers: a store through a var parameter or a pointer to one of them, or
  into an array element beside them, must be seen by the next read. Then a pointer that
  is nil, read on a line of its own: the error names that line. }
type
  pint = ^integer;
  cell = record v: integer; next: ^cell end;
var
  g, h, k: integer;
  a: array[0..3] of integer;
  r, s: real;
  p: pint;
  c: ^cell;

procedure through(var v: integer; var w: real);
begin
  g := 5; h := g + g; v := 7; k := g + g + h;
  r := 1.5; s := r * r; w := 4.0; s := s + r * r
end;

begin
  through(g, r);
  writeln(g:1, ' ', h:1, ' ', k:1, ' ', s:1:2, ' ', r:1:2);
  new(p);
  p^ := 3; g := p^ + 1; p^ := g * 2; h := p^ + g + p^;
  writeln(g:1, ' ', h:1);
  k := 2; a[k] := 10; a[k + 1] := a[k] + k; h := a[k] + a[k + 1] + k;
  writeln(h:1, ' ', a[3]:1);
  c := nil;
  g := 1; h := g + 2;
  k := c^.v + g;
  writeln('not reached')
end.
