program nativeindex(output);
{ Array elements addressed through checked indexes: the native tier knows such an address
  lies in the globals, so a load needs no select for address 0 and a store keeps the
  cached stack words. Elements are also written through var parameters, and a heap array
  (above the stack) is written and read beside them. Then an index one past the end:
  "Value out of range" at the line of the access. }
type
  vec = array[0..15] of integer;
  pvec = ^vec;
var
  a, b: vec;
  p: pvec;
  i, j, s: integer;

procedure bump(var x: integer; d: integer);
begin
  x := x + d
end;

procedure swap(var v: vec; i, j: integer);
var t: integer;
begin
  t := v[i]; v[i] := v[j]; v[j] := t
end;

begin
  for i := 0 to 15 do begin a[i] := i * i; b[15 - i] := i end;
  new(p);
  for i := 0 to 15 do p^[i] := a[i] + b[i];
  for i := 0 to 7 do swap(a, i, 15 - i);
  for i := 0 to 15 do bump(b[i], a[i]);
  s := 0;
  for i := 0 to 15 do s := s + a[i] * (i + 1) - b[i] + p^[i];
  writeln('s ', s:1);
  for i := 0 to 15 do write(a[i]:4);
  writeln;
  for i := 0 to 15 do write(b[i]:4);
  writeln;
  j := 3;
  i := a[j] + b[j + 1] + a[b[15] mod 16];
  writeln('i ', i:1);
  j := 16;
  a[j - 1] := a[j] + 1;
  writeln('not reached')
end.
