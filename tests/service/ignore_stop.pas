{ A service program that never looks at its stop event: it works for about 25 seconds,
  writing a line to the log file (first argument) every second, and then returns. At the
  end it notes whether the stop event had been set meanwhile. }
program ignore_stop;
var
  f: text;
  i: integer;
begin
  assign(f, paramstr(1));
  rewrite(f);
  writeln(f, 'started');
  close(f);
  for i := 1 to 25 do
  begin
    delay(1000);
    append(f);
    writeln(f, 'tick ', i:1);
    close(f)
  end;
  append(f);
  if ord(wait(0, stopserviceevent)) <> 0 then writeln(f, 'stop event set') else writeln(f, 'no stop event');
  close(f)
end.
