program case_table_nomatch(output);
{ A selector value that no constant matches stops the program (jump table). }
var
  c: char;
begin
  c := 'x';
  writeln('start');
  case c of
    'a': writeln('a');
    'b', 'c': writeln('b or c')
  end;
  writeln('not reached')
end.
