program procundef(output);
type small = 0..1000;
{ A function reached through a procedural parameter that never sets its result: the
  caller's check of the result stops the run. }
function maybe(n: integer): small;
begin
  if n > 0 then maybe := n
end;

function use(function f(n: integer): small; n: integer): integer;
begin use := f(n) + 1 end;

begin
  writeln(use(maybe, 4):1);
  writeln(use(maybe, 0):1);
  writeln('not reached')
end.
