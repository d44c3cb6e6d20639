program pinlooproutines(output);
{ Loops inside routines that keep global counters in registers and store to them
  there: left by exit from the middle, by exit with a function result, by falling out
  of the bottom straight into the next loop (which loads the counters again at its
  head), and reading a local array through a computed index on the way. The caller
  reads the globals after each call. }
var
  g, h, m: integer;

procedure countup(limit: integer);
begin
  while true do
  begin
    g := g + 3;
    h := h + g;
    if h > limit then exit;
    if g > 1000 then g := 0
  end
end;

function firstover(limit: integer): integer;
begin
  g := 0; h := 1;
  repeat
    g := g + 1;
    h := h + h;
    if h > limit then exit(g * 100 + h - limit)
  until g > 40;
  firstover := -1
end;

procedure twoloops;
var
  a: array [0..7] of integer;
  k: integer;
begin
  for k := 0 to 7 do a[k] := k * k;
  g := 0; h := 0; m := 0;
  repeat
    g := g + 1;
    h := h + a[g - 1];
    if h > 30 then m := m + 1
  until g >= 8;
  repeat
    h := h - g;
    if h < 120 then m := m + 10;
    g := g - 1
  until g <= 0
end;

begin
  g := 0; h := 0;
  countup(100);
  writeln('countup ', g:1, ' ', h:1);
  countup(500);
  writeln('countup ', g:1, ' ', h:1);
  m := firstover(5000);
  writeln('firstover ', m:1, ' ', g:1, ' ', h:1);
  twoloops;
  writeln('twoloops ', g:1, ' ', h:1, ' ', m:1)
end.
