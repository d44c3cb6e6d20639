{ Writes a complete text file, then far more lines to standard output than a reader
  that stops after the first line takes. }
program pipe(output);
var f: text; i: integer;
begin
  assign(f, 'data.txt');
  rewrite(f);
  for i := 1 to 5000 do write(f, 'x');
  for i := 1 to 1000000 do writeln(i)
end.
