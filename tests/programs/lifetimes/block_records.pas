{ The records of a routine's block and of a statement go when the block or the statement
  ends; what must outlive them stays: placeholders carried out of nested blocks, literals
  first used inside nested statements, headings of nested routines with procedural
  parameters, with-statements over local records, forward routines of a nested block. }
program blockrecords(output);

const
  k = 3;
  greeting = 'hello';

type
  tInt = integer;
  tSmall = 0..31;

var
  total: integer;

procedure outer(n: integer);
type
  pair = record a, b: tInt; tag: (red, green, blue) end;
var
  p: pair;
  s: set of tSmall;
  i: integer;

  { Uses k and tInt from the program: placeholders in this block, carried out to outer's
    scope when it closes. }
  function twice(x: tInt): tInt;
  const factor = k;
  var r: tInt;
  begin
    r := x * factor - x;
    twice := r
  end;

  { The same outer names once more: the carried placeholders are met again. }
  function thrice(x: tInt): tInt;
  const factor = k;
  type local = record v: tInt end;
  var l: local;
  begin
    with l do begin
      v := x;
      if v > 0 then v := v * factor
    end;
    thrice := l.v
  end;

  procedure apply(procedure show(v: integer); v: integer);
  begin
    show(v + 1)
  end;

  procedure print(v: integer);
  begin
    if v > 10 then writeln('big ', v) else writeln('small ', v)
  end;

  procedure later(v: integer); forward;

  procedure first(v: integer);
  begin
    if v > 0 then later(v - 1)
  end;

  procedure later;
  begin
    writeln('later ', v);
    if v > 0 then first(v - 1)
  end;

begin
  p.a := twice(n);
  p.b := thrice(n);
  p.tag := green;
  s := [];
  for i := 1 to 5 do begin
    if i mod 2 = 1 then begin
      s := s + [i];
      { first use of this literal inside a nested statement }
      if i = 3 then writeln('odd three')
    end
  end;
  { the same literal again, in a later statement of the block }
  writeln('odd three');
  writeln(greeting, ' ', p.a, ' ', p.b, ' ', ord(p.tag));
  for i := 0 to 7 do
    if i in s then total := total + i;
  apply(print, p.a);
  apply(print, p.b);
  first(3)
end;

{ Another routine with a nested routine of a procedural parameter: its heading is made
  where the first one's was. }
procedure second(n: integer);
  procedure apply(function f(v: integer): integer; v: integer);
  begin
    writeln('apply ', f(v))
  end;
  function square(v: integer): integer;
  begin
    square := v * v
  end;
begin
  apply(square, n);
  case n mod 4 of
    0: writeln('zero');
    1, 2: writeln('one or two');
    3: writeln('three')
  end
end;

var
  j: tInt;

begin
  total := 0;
  for j := 1 to 2 do outer(j * 4);
  second(k);
  second(6);
  writeln('total ', total, ' ', greeting)
end.
