program alloctrees(output);
{ Complete binary trees are built with new and torn down with dispose again and again, so
  nearly every new reuses a block just disposed. Each node holds its number in the order
  made; a node handed out twice, or a node changed while live, spoils the sums. A node
  that is new must be undefined: its fields read as 255 bytes. }
{$V-}
type
  node = ^cell;
  cell = record left, right: node; serial: integer end;
  twelve = array[1..12] of char;
  view = ^twelve;
  overlay = record
    case boolean of
      true: (p: node);
      false: (v: view)
  end;
var
  serial, undefinedbad, depth, round, n: integer;
  sum: real;
  long, t: node;

function make(d: integer): node;
var x: overlay; i: integer;
begin
  new(x.p);
  for i := 1 to 12 do
    if ord(x.v^[i]) <> 255 then undefinedbad := undefinedbad + 1;
  serial := serial + 1;
  x.p^.serial := serial;
  if d = 0 then begin x.p^.left := nil; x.p^.right := nil end
  else begin x.p^.left := make(d - 1); x.p^.right := make(d - 1) end;
  make := x.p
end;

{ The number of nodes; the sum of their serial numbers goes to sum. }
function count(p: node): integer;
begin
  sum := sum + p^.serial;
  if p^.left = nil then count := 1
  else count := 1 + count(p^.left) + count(p^.right)
end;

procedure free(p: node);
begin
  if p^.left <> nil then begin free(p^.left); free(p^.right) end;
  dispose(p)
end;

procedure check(p: node; first: integer);
var nodes: integer;
begin
  sum := 0;
  nodes := count(p);
  { serials first .. first + nodes - 1 each once }
  if sum = (first + (first + nodes - 1)) * nodes / 2 then writeln(nodes:8, ' nodes, serials intact')
  else writeln(nodes:8, ' nodes, serials WRONG')
end;

begin
  serial := 0;
  undefinedbad := 0;
  long := make(12);
  for depth := 2 to 10 do
    for round := 1 to 3 do
    begin
      n := serial + 1;
      t := make(depth);
      if round = 3 then check(t, n);
      free(t)
    end;
  check(long, 1);
  free(long);
  writeln('nodes made ', serial:1, ', fields not undefined when new: ', undefinedbad:1)
end.
