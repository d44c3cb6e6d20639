program openmode(output);
{ open with an explicit mode: output (2), append (4) and input (1). }
var
  f: text;
  s: string[20];
  n: integer;
begin
  open(f, 'log.txt', 2);
  writeln(f, 'first');
  close(f);
  open(f, 'log.txt', 4);
  writeln(f, 'second');
  close(f);
  open(f, 'log.txt', 1);
  n := 0;
  while not eof(f) do
  begin
    readln(f, s);
    n := n + 1;
    writeln(n:1, ': ', s)
  end;
  close(f)
end.
