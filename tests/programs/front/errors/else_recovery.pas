program elserecovery(output);
var x: integer;
begin
  x := 1;
  case x of
    1: x := 'a'
    otherwise x := 'b'; x := 3
  end;
  case x of
    1: x := 'a';
    else x := 2
  end;
  if x > 0 then x := 'c' else x := 4;
  begin x := 1 else x := 2 end;
  writeln(x)
end.
