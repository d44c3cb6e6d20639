program strings(output);
{ String variables of both prefix widths, characters, concatenation, comparison, indexing,
  string functions and functions returning strings. }
var
  s, t: string[30];
  long: string[300];
  c: char;
  i, n: integer;

function greet(name: string): string;
begin
  greet := 'Hello, ' + name + '!'
end;

function initial(name: string): char;
begin
  initial := name[1]
end;

begin
  s := 'pascal';
  t := s;
  t[1] := 'P';
  writeln(s, ' ', t, ' ', length(t):1, ' ', s < t, ' ', s > t, ' ', s = 'pascal');
  c := 'x';
  s := c;
  s := s + c + 'yz';
  writeln(s, ' ', length(s):1);
  writeln(greet('World'), ' ', initial('Tarn'));
  long := '';
  for i := 1 to 26 do long := long + chr(ord('a') + i - 1);
  long := long + long;
  n := 0;
  for i := 1 to length(long) do
    if long[i] = 'q' then n := n + i;
  writeln(length(long):1, ' ', n:1, ' ', long[52]);
  writeln(copy('abcdef', 2, 3), ' ', pos('cd', 'abcdef'):1, ' ', uppercase('mixed Case'));
  writeln(concat('a', 'b', 'c'), ' ', trim('  pad  '), '|', s:6, '|', 'ab':1)
end.
