program nativestdhalt(output);
{ halt from deep inside recursion, with a large frame and heap cells still in use: the
  direct call of the standard routine ends the run with its exit code at once. }
type
  cellp = ^cell;
  cell = record v: integer; next: cellp end;
var
  head: cellp;

procedure descend(d: integer);
var pad: array[1..80] of integer; c: cellp;
begin
  pad[1] := d;
  new(c); c^.v := d; c^.next := head; head := c;
  if d = 0 then
  begin
    writeln('stopping at depth ', pad[1]:1, ' with head ', head^.v:1, ' and ', head^.next^.v:1);
    halt(37)
  end;
  descend(d - 1);
  writeln('not reached')
end;

begin
  head := nil;
  descend(25);
  writeln('not reached')
end.
