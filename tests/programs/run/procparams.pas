program procparams(output);
{ Procedural and functional parameters: routines passed by name, passed on, and nested
  routines that keep reaching their own enclosing block. }
var
  base: integer;

function square(x: integer): integer;
begin
  square := x * x
end;

function twice(x: integer): integer;
begin
  twice := 2 * x
end;

function sum(function f(x: integer): integer; n: integer): integer;
var i, s: integer;
begin
  s := 0;
  for i := 1 to n do s := s + f(i);
  sum := s
end;

function sumOf(function g(x: integer): integer; n: integer): integer;
begin
  sumOf := sum(g, n) + 1000
end;

procedure each(procedure p(k: integer); n: integer);
var i: integer;
begin
  for i := 1 to n do p(i)
end;

procedure scaled(factor: integer);
var acc: integer;

  procedure add(k: integer);
  begin
    acc := acc + k * factor + base
  end;

begin
  acc := 0;
  each(add, 4);
  writeln('scaled ', factor:1, ': ', acc:1)
end;

begin
  base := 1;
  writeln(sum(square, 4):1, ' ', sum(twice, 4):1);
  writeln(sumOf(square, 3):1);
  scaled(10);
  scaled(3)
end.
