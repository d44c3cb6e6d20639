program execcommand(output);
{ exec runs a program through the shell and leaves its exit status in exitcode. }
begin
  exec('/bin/sh', '-c "exit 3"');
  writeln('status ', exitcode:1);
  exec('true', '');
  writeln('status ', exitcode:1);
  exec('echo', 'hello from exec');
  writeln('status ', exitcode:1);
  exitcode := 0
end.
