program procparms(output);
{ Every form of procedural parameter and argument: routines of the program level, nested
  routines that reach their enclosing frames, functions of several result types, a
  procedural parameter passed on and called from a routine nested inside its owner, the
  parameter of a routine declared forward, parameters that take procedural parameters
  themselves, and recursion through a parameter. }
type str10 = string[10];
var total: integer;

procedure fwd(procedure q(n: integer); k: integer); forward;

procedure show(n: integer);
begin writeln('show ', n:1) end;

procedure addto(n: integer);
begin total := total + n end;

function sq(n: integer): integer;
begin sq := n * n end;

function negate(n: integer): integer;
begin negate := -n end;

function greet(s: str10): str10;
begin greet := 'hi ' + s end;

function initial(s: str10): char;
begin initial := s[1] end;

function isodd(n: integer): boolean;
begin isodd := odd(n) end;

function half(x: real): real;
begin half := x / 2 end;

{ Called from a routine nested inside its owner: the parameter is reached through the
  static link. }
procedure twice(procedure q(n: integer); k: integer);
  procedure inner;
  begin q(k); q(k + 1) end;
begin inner end;

procedure fwd;
begin q(k); twice(q, k * 10) end;

function compose(function f(n: integer): integer; function g(n: integer): integer;
                 n: integer): integer;
begin compose := f(g(n)) end;

function fold(function f(n: integer): integer; n, times: integer): integer;
begin
  if times = 0 then fold := n else fold := fold(f, f(n), times - 1)
end;

procedure strings(function f(s: str10): str10; function c(s: str10): char; s: str10);
begin writeln(f(s), ' ', c(s)) end;

procedure predicate(function p(n: integer): boolean; function r(x: real): real);
var i: integer;
begin
  for i := 1 to 5 do if p(i) then write(i:2);
  writeln(' ', r(5):4:2)
end;

{ A parameter whose own parameter is procedural. }
procedure caller(procedure s(n: integer));
begin s(99) end;

procedure higher(procedure r(procedure s(n: integer)));
begin r(show); r(addto) end;

{ Nested routines passed as arguments keep their own frames. }
procedure counter(start: integer);
var count: integer;
  procedure bump(n: integer);
  begin count := count + n end;
  function current(n: integer): integer;
  begin current := count + n end;
  procedure deeper;
    procedure bumpmore(n: integer);
    begin bump(n * 100) end;
  begin
    twice(bumpmore, 1);
    writeln('after deeper ', count:1)
  end;
begin
  count := start;
  twice(bump, 5);
  writeln('count ', count:1, ' current ', compose(current, sq, 3):1);
  deeper
end;

{ Recursion: each level passes its own nested routine, which reads that level's frame. }
procedure levels(n: integer; procedure outer(k: integer));
  procedure mine(k: integer);
  begin
    write('[', n:1, ':', k:1, ']');
    outer(k)
  end;
begin
  if n = 0 then outer(0) else levels(n - 1, mine)
end;

begin
  total := 0;
  fwd(show, 7);
  fwd(addto, 1);
  writeln('total ', total:1);
  writeln(compose(sq, negate, 4):1, ' ', compose(negate, sq, 4):1);
  writeln(fold(sq, 2, 3):1);
  strings(greet, initial, 'there');
  predicate(isodd, half);
  higher(caller);
  writeln('total ', total:1);
  counter(10);
  levels(3, show)
end.
