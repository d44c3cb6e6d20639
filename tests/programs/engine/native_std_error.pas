program nativestderror(output);
{ Errors raised inside standard routines that the native tier calls directly: dispose of a
  pointer already disposed through its alias, reached after a run of successful calls in a
  loop; the report names the line of the failing dispose. }
type
  cellp = ^cell;
  cell = record v: integer; next: cellp end;
var
  p, q: cellp;
  i, sum: integer;

procedure release(var r: cellp);
begin
  dispose(r)
end;

begin
  sum := 0;
  for i := 1 to 1000 do
  begin
    new(p); p^.v := i; sum := sum + p^.v; release(p)
  end;
  writeln('sum ', sum:1);
  new(p); q := p;
  release(p);
  writeln('released once');
  release(q);
  writeln('not reached')
end.
