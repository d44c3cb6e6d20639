{ A small service: appends a timestamped line to a log file every two seconds until it is
  asked to stop, then writes a last line and returns.

  Build it as a service executable and try it from a shell:
      tpc -gs -o logservice.exe logservice.pas
      ./logservice.exe /tmp/logservice.log &
      kill -TERM %1
  README.md ("Services") shows how to install it as a systemd unit.

  The log file is the first argument, '/tmp/logservice.log' without one. }
program logservice;

const
  Interval = 2000;   { milliseconds between two lines }

var
  logname: string;
  stop: word;

{ Appends one line: the date and time, then the text. }
procedure Log(message: string);
var
  f: text;
  y, mo, d, wd, h, mi, s: integer;

  procedure Two(n: integer);
  begin
    if n < 10 then write(f, '0');
    write(f, n:1)
  end;

begin
  getdate(y, mo, d, wd);
  gettime(h, mi, s);
  assign(f, logname);
  append(f);
  write(f, y:4, '-'); Two(mo); write(f, '-'); Two(d);
  write(f, ' '); Two(h); write(f, ':'); Two(mi); write(f, ':'); Two(s);
  writeln(f, ' ', message);
  close(f)
end;

begin
  if paramcount >= 1 then logname := paramstr(1) else logname := '/tmp/logservice.log';
  { The stop event is signalled when the service is asked to stop (SIGTERM). wait returns
    the event once it is signalled, and 0 when the interval passes without it (wait gives
    a word; ord makes it an integer to compare with 0). Under console.app or tvm there is
    no event (0 never signals) and the loop runs until the program is ended. }
  stop := stopserviceevent;
  Log('started');
  while ord(wait(Interval, stop)) = 0 do
    Log('running');
  Log('stopped')
end.
