program stray2(output);
var x: integer;
begin
  x := 1;
  then x := 2;
  x := 3 4;
  x := x + ;
  end;
  writeln(x)
end.
