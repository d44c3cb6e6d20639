{ The example program of `make demo`: compiled by tpc, run by tvm. }
program hello(output);

var
  i, sum: integer;

function square(n: integer): integer;
begin
  square := n * n
end;

begin
  writeln('Hello from Tarn Pascal!');
  sum := 0;
  for i := 1 to 10 do
    sum := sum + square(i);
  writeln('The squares of 1 to 10 add up to ', sum:1, '.')
end.
