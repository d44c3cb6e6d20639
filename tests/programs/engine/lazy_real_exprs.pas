program lazyrealexprs(output);
{ Real expressions with many subterms pending at once (more of them than there are
  registers for reals), function results as operands, and records and arrays of reals
  reached through var parameters and with statements. }
type
  point = record x, y, z: real end;
  cloud = array[1..6] of point;
var
  c: cloud;
  w: array[1..10] of real;
  i: integer;
  s, t: real;

function sq(a: real): real;
begin
  sq := a * a
end;

function dist(var p, q: point): real;
begin
  dist := sqrt(sq(p.x - q.x) + sq(p.y - q.y) + sq(p.z - q.z))
end;

procedure scale(var r: real; k: real);
begin
  r := r * k
end;

function mix(a, b, c, d: real): real;
begin
  mix := a * b - c / d
end;

begin
  for i := 1 to 10 do w[i] := i / 4;
  s := w[1] + (w[2] * (w[3] + (w[4] * (w[5] + (w[6] * (w[7] + (w[8] * (w[9] + w[10] * (w[1] + w[2])))))))));
  writeln(s:1:6);
  s := (w[1] + w[2]) * ((w[3] - w[4]) * ((w[5] + w[6]) * ((w[7] - w[8]) * ((w[9] + w[10]) *
       ((w[1] - w[3]) * ((w[2] + w[4]) * ((w[5] - w[7]) * ((w[6] + w[8]) * ((w[9] - w[10]) * (w[1] + w[10]))))))))));
  writeln(s:1:6);
  t := mix(w[1] + w[2], mix(w[3], w[4], w[5], w[6]), mix(w[7] * w[8], w[9], sq(w[10]), w[1]),
           sq(mix(w[2], w[3], w[4], w[5])) + 1);
  writeln(t:1:6);
  for i := 1 to 6 do begin c[i].x := i; c[i].y := i * i / 2; c[i].z := 10 - i * 1.5 end;
  s := 0;
  for i := 1 to 5 do s := s + dist(c[i], c[i + 1]) * i;
  writeln(s:1:6);
  with c[3] do begin
    scale(x, y + z);
    scale(c[3].y, x - z);
    t := x * 100 + y * 10 + z + dist(c[3], c[4]);
    writeln(x:1:4, ' ', y:1:4, ' ', z:1:4, ' ', t:1:4)
  end;
  scale(w[trunc(w[4] * 4) + 1], sq(w[2] + w[3]));
  writeln(w[5]:1:6);
  writeln(w[1]:5:2, sq(w[2]):7:3, dist(c[1], c[6]):9:4, w[3] + w[4] * w[5] - w[6] / w[7]:9:4, round(w[6] * w[7]):3,
          mix(1, 2, 3, 4):6:2, trunc(w[10] * 100):5, round(w[9] * 3):4, -w[5] * sq(-w[1]):10:5)
end.
