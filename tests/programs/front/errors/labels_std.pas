program labelsstd(output);
label 1, done;
var x: integer;
begin
  x := 1;
  1: writeln(x)
end.
