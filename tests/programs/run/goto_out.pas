program goto_out(output);
{ goto out of nested routines into an enclosing block: the frames in between are left. }
label 99;
var
  depth: integer;

procedure search(n: integer);
label 10;
var local: integer;

  procedure dive(k: integer);
  begin
    depth := depth + 1;
    if k = 3 then goto 10;
    if k = 7 then goto 99;
    dive(k + 1)
  end;

begin
  local := n * 100;
  dive(n);
  writeln('not reached');
10:
  writeln('back in search with local ', local:1, ' after depth ', depth:1)
end;

begin
  depth := 0;
  search(1);
  search(5);
  writeln('not reached either');
99:
  writeln('done at depth ', depth:1)
end.
