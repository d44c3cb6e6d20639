const before = 3;
type small = 1..10;
var early: integer;
label 5;
procedure ext(n: integer); external 'libext.so';
procedure notext(n: integer);
begin
  early := n
end;
program relaxed(output);
var x: small;
const c = 2;
procedure p;
begin
  x := c
end;
var y: integer;
procedure q;
  var z: integer;
  procedure inner;
  begin
    y := 1
  end;
  const late = 4;
begin
  z := late;
  inner
end;
type again = integer;
begin
  p;
  q;
  ext(before);
  notext(y);
  writeln(x, y)
end.
