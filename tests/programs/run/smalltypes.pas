program smalltypes(output);
{ Byte, shortint, shortword, word, single and cstring values: loads, stores, arithmetic,
  parameters and function results. }
var
  b: byte;
  si: shortint;
  sw: shortword;
  w: word;
  f: single;
  cs: cstring[20];
  i: integer;

function half(x: shortint): shortint;
begin
  half := x div 2
end;

function next(c: char): char;
begin
  next := succ(c)
end;

function low8(x: integer): byte;
begin
  low8 := x mod 256
end;

procedure bump(var x: shortword; by: byte);
begin
  x := x + by
end;

begin
  b := 250; b := b + 5;
  si := -300; si := si * 2;
  sw := 65000; bump(sw, 35);
  w := 4000000000; w := w + 294967295;
  writeln(b:1, ' ', si:1, ' ', sw:1, ' ', w:1);
  writeln(half(-9):1, ' ', next('a'), ' ', low8(513):1, ' ', half(si):1);
  f := 1.5; f := f * 3;
  writeln(f:5:2);
  cs := 'hello';
  cs := cs + ' there';
  writeln(cs, ' ', length(cs):1, ' ', cs[7]);
  i := b + si + sw;
  writeln(i:1)
end.
