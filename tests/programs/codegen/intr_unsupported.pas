program intrunsupported(output);
{ Software interrupts do not exist on this platform: intr stops the program. }
type
  registers = record ax, bx, cx, dx, bp, si, di, ds, es, flags: integer end;
var
  r: registers;
begin
  r.ax := 0;
  writeln('before');
  intr(33, r);
  writeln('not reached')
end.
