program nativeframes(output);
{ Routines whose locals take from a few words to over a kilobyte, called recursively and
  building and freeing heap lists as they go: small frames are filled inline by the native
  tier, larger ones by the engine's allocation. Every local starts undefined (an integer
  reads as -1 without checks), and the last call follows a pointer it never assigned: an
  error at its line. }
type
  cellp = ^cell;
  cell = record v: integer; next: cellp end;
var
  total: integer;

function sumlist(p: cellp): integer;
var s: integer;
begin
  s := 0;
  while p <> nil do begin s := s + p^.v; p := p^.next end;
  sumlist := s
end;

procedure freelist(p: cellp);
var q: cellp;
begin
  while p <> nil do begin q := p^.next; dispose(p); p := q end
end;

function tiny(d: integer): integer;
var a: array[1..3] of integer;
begin
  a[1] := d; a[3] := 2 * d;
  if d > 0 then tiny := a[1] + a[3] + tiny(d - 1) else tiny := a[3]
end;

function mid(d: integer): integer;
var a: array[1..41] of integer; i: integer; head, c: cellp;
begin
  head := nil;
  for i := 1 to 41 do a[i] := i * d;
  for i := 1 to 5 do begin new(c); c^.v := a[i * 8]; c^.next := head; head := c end;
  if d > 0 then mid := sumlist(head) + mid(d - 1) else mid := sumlist(head) + a[41];
  freelist(head)
end;

function big(d: integer): integer;
var a: array[0..299] of integer; i, s, u: integer; c: cellp;
begin
  for i := 0 to 299 do a[i] := i + d;
  new(c); c^.v := d; c^.next := nil;
  s := 0;
  for i := 0 to 299 do if i mod 7 = 0 then s := s + a[i];
  if d > 0 then big := s + c^.v + big(d - 1) + mid(d mod 3) else big := s + u;
  dispose(c)
end;

function unset(d: integer): integer;
var a: array[1..45] of integer; k: integer; q: cellp;
begin
  a[1] := d;
  if d > 5 then unset := unset(d - 1) + k
  else unset := a[1] + q^.v
end;

begin
  writeln('tiny ', tiny(20):1);
  total := 0;
  repeat total := total + mid(30) until total > 100000;
  writeln('mid ', total:1);
  writeln('big ', big(40):1);
  writeln('unset ', unset(10):1)
end.
