program controlvars(output);
var
  g, total: integer;
procedure count(p: integer);
begin
  for p := 1 to 2 do total := total + p
end;
procedure bump;
begin
  g := g + 1
end;
begin
  total := 0;
  for g := 1 to 3 do count(g);
  for g := 1 to 3 do g := g + 1;
  bump;
  writeln(total, g);
  total := 'x'
end.
