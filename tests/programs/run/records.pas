program records(output);
{ Arrays, records, with statements, pointers and dynamic variables. }
type
  vec = array [1..3] of real;
  person = record
    name: string[12];
    age: integer;
    scores: array [0..2] of integer
  end;
  link = ^node;
  node = record
    value: integer;
    next: link
  end;
var
  grid: array [1..3, 1..4] of integer;
  people: array [1..2] of person;
  p, q: person;
  v: vec;
  head, n: link;
  i, j, sum: integer;
  letters: packed array [1..5] of char;

function total(x: person): integer;
begin
  total := x.scores[0] + x.scores[1] + x.scores[2]
end;

procedure older(var x: person; years: integer);
begin
  with x do age := age + years
end;

begin
  for i := 1 to 3 do
    for j := 1 to 4 do grid[i, j] := i * 10 + j;
  sum := 0;
  for i := 1 to 3 do sum := sum + grid[i, 4 - i];
  writeln(grid[2, 3]:1, ' ', grid[3][1]:1, ' ', sum:1);
  with people[1] do
  begin
    name := 'Ada'; age := 36;
    scores[0] := 7; scores[1] := 8; scores[2] := 9
  end;
  people[2] := people[1];
  people[2].name := 'Bob';
  older(people[2], 4);
  p := people[2];
  writeln(people[1].name, ' ', people[1].age:1, ' ', p.name, ' ', p.age:1, ' ', total(p):1);
  q := p; q.scores[1] := 0;
  writeln(total(q):1, ' ', total(p):1);
  v[1] := 1.5; v[2] := v[1] * 2; v[3] := v[1] + v[2];
  writeln(v[3]:5:2);
  head := nil;
  for i := 1 to 5 do
  begin
    new(n); n^.value := i * i; n^.next := head; head := n
  end;
  sum := 0; n := head;
  while n <> nil do
  begin
    sum := sum + n^.value; write(n^.value:1, ' ');
    n := n^.next
  end;
  writeln(sum:1);
  while head <> nil do
  begin
    n := head; head := head^.next; dispose(n)
  end;
  writeln(head = nil);
  letters := 'hello';
  letters[1] := 'j';
  writeln(letters, ' ', letters[5])
end.
