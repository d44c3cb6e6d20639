program nativelocals(output);
{ Locals and parameters read again and again within straight code, as the native tier
  keeps them in registers: reals stepped like an n-body system, a local written through a
  var parameter of a nested call and read right after, recursion (each frame's own
  locals), and at the end an index held in a local that is out of range: "Value out of
  range" at the line of the access. }
type
  vec = record x, y, vx, vy, m: real end;
var
  b: array[1..3] of vec;
  t: array[0..7] of integer;
  n: integer;

procedure step(dt: real);
var i, j: integer; dx, dy, d2, mag: real;
begin
  for i := 1 to 3 do
    for j := i + 1 to 3 do
    begin
      dx := b[i].x - b[j].x; dy := b[i].y - b[j].y;
      d2 := dx * dx + dy * dy;
      mag := dt / (d2 * sqrt(d2));
      b[i].vx := b[i].vx - dx * b[j].m * mag; b[i].vy := b[i].vy - dy * b[j].m * mag;
      b[j].vx := b[j].vx + dx * b[i].m * mag; b[j].vy := b[j].vy + dy * b[i].m * mag
    end;
  for i := 1 to 3 do
  begin
    b[i].x := b[i].x + dt * b[i].vx; b[i].y := b[i].y + dt * b[i].vy
  end
end;

procedure twice(var v: integer);
begin
  v := v * 2
end;

function mix(a, c: integer): integer;
var k, s: integer;
begin
  k := a + c; s := k * k;
  twice(k);
  s := s + k + a; k := k + 1; s := s - k;
  if a > 0 then s := s + mix(a - 1, c + k mod 3);
  mix := s
end;

function pick(k: integer): integer;
var i: integer;
begin
  i := k * 2; i := i + k;
  pick := t[i - k] + t[i]
end;

begin
  b[1].x := 0.0; b[1].y := 0.0; b[1].vx := 0.0; b[1].vy := 0.0; b[1].m := 10.0;
  b[2].x := 1.0; b[2].y := 0.0; b[2].vx := 0.0; b[2].vy := 3.0; b[2].m := 0.1;
  b[3].x := 0.0; b[3].y := 2.0; b[3].vx := -2.0; b[3].vy := 0.0; b[3].m := 0.2;
  for n := 1 to 1000 do step(0.001);
  for n := 1 to 3 do writeln(b[n].x:1:6, ' ', b[n].y:1:6, ' ', b[n].vx:1:6, ' ', b[n].vy:1:6);
  writeln(mix(4, 3):1);
  for n := 0 to 7 do t[n] := n * n;
  writeln(pick(1):1, ' ', pick(2):1);
  writeln(pick(3):1)
end.
