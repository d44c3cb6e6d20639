program word_whole_range(output);
{ A word spans all 32 bits, so no assignment to it is range checked: -1 becomes the
  largest word. }
var
  w: word;
  i: integer;
begin
  i := -1;
  w := i;
  writeln(w:1);
  w := w - 1;
  writeln(w:1)
end.
