program procgoto(output);
{ A routine of the program level passed as a procedural parameter leaves by a goto into
  the main program: the jump lands in the program's own frame, whose variables are intact. }
label 9;
var depth, keep: integer;

procedure bail(n: integer);
begin
  writeln('bail at ', n:1, ' keep ', keep:1);
  if n > 2 then goto 9
end;

procedure descend(procedure p(n: integer); n: integer);
var local: integer;
begin
  local := n * 1000;
  depth := n;
  p(n);
  descend(p, n + 1);
  writeln('not reached ', local:1)
end;

begin
  keep := 42;
  descend(bail, 1);
  writeln('not reached either');
9:
  writeln('landed with depth ', depth:1, ' keep ', keep:1);
  if depth < 5 then descend(bail, 5);
  writeln('done')
end.
