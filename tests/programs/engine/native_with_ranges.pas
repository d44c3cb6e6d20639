program native_with_ranges(output);
{ with statements over elements of a global array of records, whose address (a checked
  index scaled and added to the array's base) is kept in a local with its range: the fields
  are read and written through it, alongside a var parameter that reaches the same
  element, a second with over another element, and a local record. }
type
  point = record x, y, z: integer end;
var
  p: array [1..6] of point;
  i, j, total: integer;

procedure bump(var v: integer; by: integer);
begin
  v := v + by
end;

procedure walk;
var k, s: integer; q: point;
begin
  s := 0;
  for k := 1 to 6 do
    with p[k] do
    begin
      x := x + k;
      bump(y, x);          { y through a var parameter, then read through the with }
      z := x * y;
      with p[7 - k] do z := z + 1;   { another element, sometimes the same one }
      s := s + z
    end;
  with q do
  begin
    x := s; y := x div 2; z := x - y
  end;
  total := q.x + q.y + q.z
end;

begin
  for i := 1 to 6 do
    with p[i] do
    begin
      x := i; y := 10 * i; z := 0
    end;
  walk;
  for i := 1 to 6 do
  begin
    j := p[i].x + p[i].y + p[i].z;
    write(j:1, ' ')
  end;
  writeln;
  writeln(total:1)
end.
