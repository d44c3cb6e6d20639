program allocsweep(output);
{ Under a memory limit of 5 MiB, 200000 records of 16 bytes fill most of what it allows. Every
  other pair of neighbours is disposed, leaving 50000 free holes of 32 bytes, each made of
  two 16-byte blocks. Then 50000 records of 32 bytes are made: the heap cannot grow by that
  much, so the allocator has to join each pair of free blocks into one before it fails.
  Every record keeps its number throughout. }
const
  small = 200000;
  large = 50000;
type
  pair = ^pairrec;
  pairrec = record a, b: integer; next: pair end;
  quad = ^quadrec;
  quadrec = record a, b, c, d, e, f: integer; next: quad end;
var
  smalls: array[1..small] of pair;
  quads: array[1..large] of quad;
  i, bad, kept: integer;
begin
  for i := 1 to small do
  begin
    new(smalls[i]);
    smalls[i]^.a := i;
    smalls[i]^.b := -i;
    smalls[i]^.next := nil
  end;
  kept := 0;
  for i := 1 to small do
    if ((i - 1) div 2) mod 2 = 0 then dispose(smalls[i])
    else kept := kept + 1;
  for i := 1 to large do
  begin
    new(quads[i]);
    quads[i]^.a := i;
    quads[i]^.f := 2 * i;
    quads[i]^.next := nil
  end;
  bad := 0;
  for i := 1 to small do
    if ((i - 1) div 2) mod 2 = 1 then
      if (smalls[i]^.a <> i) or (smalls[i]^.b <> -i) then bad := bad + 1;
  for i := 1 to large do
    if (quads[i]^.a <> i) or (quads[i]^.f <> 2 * i) then bad := bad + 1;
  writeln('records of 16 bytes kept: ', kept:1);
  writeln('records of 32 bytes made: ', large:1);
  writeln('records changed: ', bad:1)
end.
