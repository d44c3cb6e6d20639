program scaledindex(output);
{ Fields of one record element read through the same index twice in a row, with the index
  changed in between in every way: assigned, counted up, through a pointer, by a call, and
  from inside a loop that keeps it in a register. A stale scaled index shows as a wrong sum. }
type
  cell = record a, b, c: integer; x: real end;
  pint = ^integer;
var
  t: array [1..6] of cell;
  i, j, k, s: integer;
  p: pint;
  r: real;

procedure bump(var n: integer);
begin
  n := n + 1
end;

begin
  for i := 1 to 6 do
  begin
    t[i].a := i; t[i].b := 10 * i; t[i].c := 100 * i; t[i].x := i / 4
  end;
  s := 0;
  i := 2;
  s := s + t[i].a + t[i].b;      { 22 }
  i := 3;
  s := s + t[i].a + t[i].c;      { 303 }
  i := i + 1;
  s := s + t[i].b + t[i].c;      { 440 }
  new(p);
  p^ := 5;
  j := p^;
  s := s + t[j].a + t[j].b;      { 55 }
  p^ := 6;
  j := p^;
  s := s + t[j].c + t[j].a;      { 606 }
  k := 1;
  bump(k);
  s := s + t[k].b + t[k].c;      { 220 }
  writeln(s);
  r := 0;
  i := 1;
  while i <= 6 do
  begin
    r := r + t[i].x * t[i].a;
    i := i + 1;
    if i <= 6 then r := r + t[i].x
  end;
  writeln(r:10:4);
  s := 0;
  for k := 1 to 5 do
  begin
    i := k;
    s := s + t[i].a;
    i := i + 1;
    s := s + 1000 * t[i].a + t[k].b
  end;
  writeln(s);
  dispose(p)
end.
