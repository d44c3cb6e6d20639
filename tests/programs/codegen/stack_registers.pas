program stackregisters(output);
{ stackframe and stacktop give FP and SP as the program sees them; dumpstack writes the
  registers and the current frame's words to a text file. }
var
  mainFrame, mainTop: integer;
  t: text;
  line: string;
  lines: integer;

procedure inner(depth: integer);
var a, b, c: integer;
begin
  a := 1; b := 2; c := 3;
  writeln('frame below main: ', stackframe < mainFrame);
  writeln('top below frame: ', stacktop < stackframe);
  writeln('frame is word aligned: ', stackframe mod 4 = 0);
  if depth > 0 then inner(depth - 1)
  else begin
    rewrite(t, 'dump.txt');
    dumpstack(t);
    close(t)
  end
end;

begin
  mainFrame := stackframe;
  mainTop := stacktop;
  writeln('top below frame: ', mainTop < mainFrame);
  inner(1);
  reset(t, 'dump.txt');
  readln(t, line);
  writeln(copy(line, 1, 16));
  lines := 0;
  while not eof(t) do begin
    readln(t, line);
    if (length(line) = 20) and (line[11] = ':') then lines := lines + 1
  end;
  writeln('frame words listed: ', lines > 0);
  close(t)
end.
