program nativesetsplaces(output);
{ Sets kept as bits in places whose address is computed: elements of an array indexed by a
  variable, fields of records in an array, var parameters and locals of a recursive
  procedure; loaded, combined and stored back through those addresses. }
type
  chars = set of char;
  small = set of 0..100;
  entry = record tag: integer; members: small end;
var
  a: array[0..9] of small;
  e: array[1..4] of entry;
  c: chars;
  i, j, n: integer;

procedure show(tag: char; v: small);
var i: integer;
begin
  write(tag, ':');
  for i := 0 to 100 do if i in v then write(' ', i:1);
  writeln
end;

procedure addto(var s: small; lo, hi: integer);
begin
  s := s + [lo..hi] - [lo + 1];
  if lo in s then s := s * [0..hi - 1]
end;

procedure widen(var s: chars; depth: integer);
var mine: chars;
begin
  mine := [chr(ord('a') + depth)];
  if depth < 5 then widen(s, depth + 1);
  s := s + mine;
  if chr(ord('a') + depth + 1) in s then s := s - [chr(ord('a') + depth + 1)] + [chr(ord('A') + depth + 1)]
end;

begin
  a[0] := [0, 100];
  for i := 1 to 9 do a[i] := a[i - 1] + [i * 10] - [(i - 1) * 10];
  for i := 0 to 9 do if i mod 3 = 0 then show(chr(ord('0') + i), a[i]);
  n := 0;
  for i := 0 to 9 do for j := 0 to 100 do if j in a[i] then n := n + j;
  writeln('sum ', n:1);

  for i := 1 to 4 do begin e[i].tag := i; e[i].members := [i..i * 3] end;
  for i := 2 to 4 do e[i].members := e[i].members * e[i - 1].members + [e[i].tag * 20];
  for i := 1 to 4 do show(chr(ord('a') + i - 1), e[i].members);
  writeln(e[2].members <= e[1].members + [40], ' ', e[4].members >= [80], ' ', e[3].members = e[3].members + []);

  addto(a[5], 20, 25);
  show('5', a[5]);
  addto(e[1].members, 1, 2);
  show('e', e[1].members);

  c := [];
  widen(c, 0);
  write('w:');
  for i := 0 to 255 do if chr(i) in c then write(chr(i));
  writeln
end.
