{ Forward pointer domains, forward routines without repeated parameter lists, mutual
  recursion and a function called with no arguments. }
program forwarddecls(output);
type
  p = ^node;
  node = record
    next: p;
    value: integer
  end;
var
  head, q: p;
  count: integer;

function iseven(n: integer): boolean; forward;

function isodd(n: integer): boolean;
begin
  if n = 0 then isodd := false else isodd := iseven(n - 1)
end;

function iseven;
begin
  if n = 0 then iseven := true else iseven := isodd(n - 1)
end;

function length_of: integer;
var q: p; k: integer;
begin
  k := 0; q := head;
  while q <> nil do begin k := k + 1; q := q^.next end;
  length_of := k
end;

begin
  head := nil;
  for count := 1 to 5 do begin
    new(q);
    q^.value := count;
    q^.next := head;
    head := q
  end;
  writeln(length_of, ' ', iseven(10), ' ', isodd(7))
end.
