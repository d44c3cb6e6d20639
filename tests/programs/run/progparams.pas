program progparams(output, data, title);
{ Program parameters take the command-line arguments in order: a file gets its name, a
  string the text. }
var
  data: text;
  title: string[20];
  n: integer;
  c: char;
begin
  rewrite(data);
  writeln(data, 'abc');
  writeln(data, 'de');
  close(data);
  reset(data);
  n := 0;
  while not eof(data) do
  begin
    while not eoln(data) do
    begin
      read(data, c);
      n := n + 1
    end;
    readln(data)
  end;
  writeln(title, ': ', n:1)
end.
