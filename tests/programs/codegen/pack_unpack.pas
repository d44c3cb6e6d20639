program packunpack(output);
{ pack and unpack copy a packed array's whole length from or to the unpacked array,
  starting at the given index; index types of any ordinal kind. }
type
  colour = (red, green, blue, cyan, magenta);
  point = record x, y: integer end;
var
  a: array[1..10] of char;
  z: packed array[1..4] of char;
  n: array[-2..5] of integer;
  pn: packed array[0..2] of integer;
  e: array[colour] of boolean;
  pe: packed array[1..2] of boolean;
  pts: array['a'..'e'] of point;
  ppts: packed array[1..3] of point;
  i: integer;
  c: char;
  k: colour;
begin
  for i := 1 to 10 do a[i] := chr(ord('a') + i - 1);
  pack(a, 1, z);
  writeln(z);
  pack(a, 7, z);
  writeln(z);
  z := 'WXYZ';
  unpack(z, a, 4);
  for i := 1 to 10 do write(a[i]);
  writeln;
  unpack(z, a, 1);
  for i := 1 to 10 do write(a[i]);
  writeln;
  for i := -2 to 5 do n[i] := i * 10;
  pack(n, 3, pn);
  writeln(pn[0]:4, pn[1]:4, pn[2]:4);
  pn[1] := -1;
  unpack(pn, n, -2);
  for i := -2 to 5 do write(n[i]:4);
  writeln;
  for k := red to magenta do e[k] := odd(ord(k));
  pack(e, green, pe);
  writeln(pe[1], ' ', pe[2]);
  pe[1] := false;
  unpack(pe, e, cyan);
  for k := red to magenta do write(e[k]:6);
  writeln;
  for c := 'a' to 'e' do begin pts[c].x := ord(c); pts[c].y := -ord(c) end;
  pack(pts, 'b', ppts);
  for i := 1 to 3 do write(ppts[i].x:4, ppts[i].y:5);
  writeln;
  ppts[2].x := 0;
  unpack(ppts, pts, 'c');
  for c := 'a' to 'e' do write(pts[c].x:4);
  writeln;
  i := 2;
  pack(a, i + 1, z);
  writeln(z)
end.
