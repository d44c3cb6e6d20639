program labels(output);
label 1, 2, 3, 4, 7, 10000, done, unused;
var x: integer;
procedure jumpout;
begin
  goto 1
end;
procedure jumpin;
begin
  goto 3
end;
begin
  1: x := 1;
  2: x := x + 1;
  if x < 5 then goto 2;
  begin
    3: x := 0;
    7: x := 5
  end;
  goto 7;
  4: x := 2;
  4: x := 3;
  5: x := 4;
  goto 6;
  goto 10000;
  10000: jumpout;
  jumpin;
  goto done;
  done: writeln(x)
end.
