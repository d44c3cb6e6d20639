program recursion(output);
{ Recursive functions and procedures, mutual recursion through forward. }
var
  i: integer;

function fact(n: integer): integer;
begin
  if n <= 1 then fact := 1 else fact := n * fact(n - 1)
end;

function fib(n: integer): integer;
begin
  if n < 2 then fib := n else fib := fib(n - 1) + fib(n - 2)
end;

function ack(m, n: integer): integer;
begin
  if m = 0 then ack := n + 1
  else if n = 0 then ack := ack(m - 1, 1)
  else ack := ack(m - 1, ack(m, n - 1))
end;

function isodd(n: integer): boolean; forward;

function iseven(n: integer): boolean;
begin
  if n = 0 then iseven := true else iseven := isodd(n - 1)
end;

function isodd;
begin
  if n = 0 then isodd := false else isodd := iseven(n - 1)
end;

procedure hanoi(n: integer; src, dst, via: char);
begin
  if n > 0 then
  begin
    hanoi(n - 1, src, via, dst);
    write(src, dst, ' ');
    hanoi(n - 1, via, dst, src)
  end
end;

begin
  for i := 0 to 12 do write(fact(i):1, ' ');
  writeln;
  writeln(fib(25):1);
  writeln(ack(2, 3):1, ' ', ack(3, 3):1);
  writeln(iseven(10), isodd(7), iseven(7));
  hanoi(3, 'a', 'c', 'b');
  writeln
end.
