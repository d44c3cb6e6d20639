program PascalProcedural(output);
{ Routines of the test library and of libm passed as procedural arguments, called through
  the parameter like routines of the program. }
type point = record x, y: integer; weight: real end;
     pair = record a, b: integer end;
function tx_ordinals(a, b, c: integer): integer; external 'libtarnext.so';
function tx_reals(x, y: real): real; external 'libtarnext.so';
function libmcos(x: real): real; cdecl; external 'libm.so.6' name 'cos';
function tx_next_char(c: char): char; external 'libtarnext.so';
procedure tx_increment(var i: integer); external 'libtarnext.so';
procedure tx_move(var p: point; dx, dy: integer); external 'libtarnext.so';
function tx_pair_value(p: pair): integer; external 'libtarnext.so';
function tx_make_pair(a, b: integer): pair; external 'libtarnext.so';
function ownordinals(a, b, c: integer): integer;
begin
  ownordinals := a + b + c
end;
function apply3(function f(a, b, c: integer): integer; n: integer): integer;
begin
  apply3 := f(n, n + 1, n + 2)
end;
function applyreal(function f(x, y: real): real): real;
begin
  applyreal := f(2.0, 0.5)
end;
procedure table(function f(x: real): real);
var i: integer;
begin
  for i := 0 to 2 do writeln(f(i * 0.5):1:15, ' ', f(i * 0.5) = cos(i * 0.5))
end;
procedure twice(procedure p(var i: integer); var i: integer);
begin
  p(i);
  p(i)
end;
procedure shift(procedure m(var p: point; dx, dy: integer); var pt: point);
begin
  m(pt, 5, 6)
end;
function nextof(function f(c: char): char; c: char): char;
begin
  nextof := f(f(c))
end;
function makeandvalue(function make(a, b: integer): pair;
                      function value(p: pair): integer): integer;
begin
  makeandvalue := value(make(3, 4))
end;
var i: integer;
    pt: point;
begin
  writeln(apply3(tx_ordinals, 1), ' ', apply3(ownordinals, 1), ' ', apply3(tx_ordinals, 4));
  writeln(applyreal(tx_reals):1:2);
  table(libmcos);
  i := 7;
  twice(tx_increment, i);
  writeln(i);
  pt.x := 1; pt.y := 1; pt.weight := 1.25;
  shift(tx_move, pt);
  writeln(pt.x, pt.y, pt.weight:6:2);
  writeln(nextof(tx_next_char, 'a'));
  writeln(makeandvalue(tx_make_pair, tx_pair_value))
end.
