{ Shows what a service program is given: its arguments, an environment without the
  launcher's notify socket, and a stop event that exists and is not set while nobody asked
  the service to stop. }
program show_args(output);
var
  i: integer;
  stop: word;
begin
  writeln('paramcount ', paramcount:1);
  for i := 0 to paramcount do writeln('paramstr ', i:1, ' [', paramstr(i), ']');
  writeln('NOTIFY_SOCKET [', getenv('NOTIFY_SOCKET'), ']');
  stop := stopserviceevent;
  if ord(stop) = 0 then writeln('no stop event') else writeln('stop event given');
  if ord(wait(0, stop)) = 0 then writeln('stop event not set') else writeln('stop event set');
  exitcode := 7
end.
