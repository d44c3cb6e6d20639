program case_nomatch(output);
{ A selector value that no constant matches stops the program (comparison chain). }
var
  k: integer;
begin
  k := 5;
  case k of
    1: writeln('one');
    2: writeln('two')
  end;
  writeln('not reached')
end.
