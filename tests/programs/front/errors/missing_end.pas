program missingend(output);
var x: integer;
begin
  x := 1;
  if x > 0 then begin
    writeln(x)
end.
