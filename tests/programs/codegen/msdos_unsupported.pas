program msdosunsupported(output);
{ msdos is interrupt 33, which does not exist on this platform either. }
type
  registers = record ax, bx, cx, dx, bp, si, di, ds, es, flags: integer end;
var
  r: registers;
begin
  r.ax := 0;
  msdos(r);
  writeln('not reached')
end.
