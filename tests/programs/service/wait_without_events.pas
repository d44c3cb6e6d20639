{ Outside a service there is no stop event: stopserviceevent gives 0, and wait returns 0
  once its time is up, because handles that are not events never signal. The timeout is
  evaluated first, then the handles from the last back to the first. }
program wait_without_events(output);
var
  w: word;

function Arg(n: integer): integer;
begin
  write(n:1, ' ');
  Arg := n
end;

begin
  writeln('stop event ', ord(stopserviceevent):1);
  w := wait(Arg(20), Arg(2), Arg(3));
  writeln('-> ', ord(w):1);
  writeln('timeout only ', ord(wait(0)):1);
  writeln('not events ', ord(wait(10, 0, 1, 12345)):1)
end.
