program forcase(output);
type
  color = (red, green, blue);
var
  g: integer;
  r: real;
  c: char;
  k: color;
  s: string[10];
procedure loops(p: integer);
var
  i, j: integer;
  procedure spoil;
  begin
    j := 0
  end;
begin
  for p := 1 to 3 do g := g + 1;
  for i := 1 to 10 do i := 5;
  for j := 1 to 2 do spoil;
  for i := 1.5 to 3 do g := 0;
  for i := 1 until 3 do g := 0;
  for i := 'a' to 'z' do g := 0;
  for r := 1 to 2 do g := 0;
  for loops := 1 to 2 do g := 0
end;
begin
  for g := 1 to 3 do loops(g);
  case r of
    1: g := 0
  end;
  case c of
    'a'..'m': g := 1;
    'k': g := 2;
    1: g := 3
  end;
  case k of
    red: g := 1;
    green, blue: g := 2
    otherwise g := 3
  end;
  case g of
    -5..5: g := 0;
    3000000000: g := 1
  end;
  case k of
    blue..red: g := 0
  end;
  with s do g := 0;
  with k do g := 1
end.
