program nativesetscalls(output);
{ Set constructors whose members come from function calls: the sets built before the call
  are lists on the stack when the rest of the statement runs, and are read from there.
  Then a member from a call that lies outside the set's type stops the program. }
type
  bytes = set of 0..255;
  chars = set of char;
var
  b, d: bytes;
  c: chars;
  i, n: integer;

function sq(x: integer): integer;
begin
  sq := x * x
end;

function letter(x: integer): char;
begin
  letter := chr(ord('a') + x mod 26)
end;

begin
  b := [];
  d := [1, 2, 3];
  for i := 0 to 20 do
  begin
    b := b + [sq(i) mod 256];
    d := d * [1..200] - [sq(i) mod 7] + [abs(i - 10) + 100, sq(i mod 4)]
  end;
  write('b:');
  for i := 0 to 255 do if i in b then write(' ', i:1);
  writeln;
  write('d:');
  for i := 0 to 255 do if i in d then write(' ', i:1);
  writeln;
  c := ['z'];
  for i := 0 to 30 do
    if letter(i * 7) in c then c := c - [letter(i * 7)] else c := c + [letter(i * 7), letter(i)];
  write('c:');
  for i := 0 to 255 do if chr(i) in c then write(chr(i));
  writeln;
  n := 0;
  for i := 10 to 20 do
  begin
    b := [sq(i)];
    n := n + 1;
    writeln(i:1, ' ', sq(i) in b, ' ', n:1)
  end;
  writeln('not reached')
end.
