program nested(output);
{ Nested routines reach the variables of enclosing blocks through static links; var
  parameters alias their arguments. }
var
  g: integer;

procedure swap(var x, y: integer);
var t: integer;
begin
  t := x; x := y; y := t
end;

procedure outer(k: integer; var result: integer);
var total: integer;

  procedure add(m: integer);
  begin
    total := total + m * k
  end;

  procedure twice;

    procedure deepest(var v: integer);
    begin
      add(100);
      v := v + 1;
      g := g + k
    end;

  begin
    deepest(total);
    deepest(result)
  end;

begin
  total := 0;
  add(1); add(2);
  twice;
  result := result + total
end;

function counter(n: integer): integer;
var calls: integer;
  procedure visit(depth: integer);
  begin
    calls := calls + 1;
    if depth < n then begin visit(depth + 1); visit(depth + 1) end
  end;
begin
  calls := 0;
  visit(1);
  counter := calls
end;

var
  a, b, r: integer;
begin
  a := 1; b := 2;
  swap(a, b);
  writeln(a:1, ' ', b:1);
  g := 0; r := 10;
  outer(3, r);
  writeln(r:1, ' ', g:1);
  writeln(counter(5):1)
end.
