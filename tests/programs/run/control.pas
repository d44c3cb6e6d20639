program control(output);
{ if/else chains, while, repeat, for in both directions, nested loops and goto. }
label 10, 20;
var
  i, j, n, count: integer;
  c: char;
begin
  for i := 1 to 15 do
    if i mod 15 = 0 then write('FB ')
    else if i mod 5 = 0 then write('B ')
    else if i mod 3 = 0 then write('F ')
    else write(i:1, ' ');
  writeln;
  n := 0;
  for i := 10 downto 1 do n := n * 2 + i mod 2;
  writeln(n:1);
  { An empty range runs no iteration and leaves the control variable alone. }
  count := 0;
  for i := 5 to 4 do count := count + 1;
  for i := 4 downto 5 do count := count + 1;
  writeln(count:1, ' ', i:1);
  { The last value of the type ends the loop without stepping past it. }
  count := 0;
  for i := 2147483645 to 2147483647 do count := count + 1;
  writeln(count:1);
  for c := 'a' to 'e' do write(c);
  for c := 'e' downto 'a' do write(c);
  writeln;
  i := 1; n := 0;
  while i <= 100 do begin n := n + i; i := i * 2 end;
  writeln(n:1, ' ', i:1);
  i := 0;
  repeat i := i + 3 until i > 10;
  writeln(i:1);
  count := 0;
  for i := 1 to 10 do
    for j := i to 10 do
      if (i + j) mod 3 = 0 then count := count + 1;
  writeln(count:1);
  i := 0;
10:
  i := i + 1;
  if i < 5 then goto 10;
  writeln('i = ', i:1);
  for i := 1 to 100 do
    if i * i > 50 then goto 20;
20:
  writeln('first square above 50: ', i:1)
end.
