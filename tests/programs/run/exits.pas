program exits(output);
{ exit leaves a function with a value, a procedure early, and the main program. }
var i: integer;
function find(n: integer): integer;
var k: integer;
begin
  for k := 1 to 100 do
    if k * k >= n then exit(k);
  find := -1
end;
procedure p(n: integer);
begin
  if n > 2 then exit;
  writeln('small ', n:1)
end;
begin
  writeln(find(50):1, ' ', find(20000):1);
  p(1); p(5);
  for i := 1 to 10 do if i = 3 then exit;
  writeln('not reached')
end.
