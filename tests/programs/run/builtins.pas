program builtins(output);
{ Built-in procedures and functions compiled inline or as one standard routine. }
type
  small = 0..20;
var
  i, j: integer;
  s: string[20];
  c: char;
  k: small;
  r: real;
  a, b: packed array [1..4] of char;
begin
  i := 10; inc(i); inc(i, 5); dec(i, 3); dec(i);
  k := 3; inc(k, 4); dec(k);
  c := 'a'; inc(c, 2);
  writeln(i:1, ' ', k:1, ' ', c);
  s := 'abcdef';
  delete(s, 2, 3);
  insert('XY', s, 2);
  insert('!', s);
  writeln(s, ' ', length(s):1);
  fill(a, ord('z'));
  writeln(a, ' ', sizeof(a):1, ' ', sizeof(integer):1);
  b := 'abcd';
  move(b, a, 2);
  writeln(a, ' ', b);
  writeln(upcase('q'), locase('Q'), ' ', hex(255), ' ', reverse('abc'), ' ', isdigit('7'));
  r := -2.75;
  writeln(trunc(r):1, ' ', round(r):1, ' ', abs(r):5:2, ' ', sqr(1.5):5:2, ' ', int(r):5:2, ' ', frac(r):5:2);
  writeln(sqrt(2.0):8:6, ' ', exp(1.0):8:6, ' ', ln(10.0):8:6, ' ', arctan(1.0) * 4:8:6);
  j := 0;
  for i := 1 to 100 do if odd(i) then j := j + 1;
  writeln(j:1, ' ', pred('b'), succ('y'), ' ', ord(succ(false)):1)
end.
