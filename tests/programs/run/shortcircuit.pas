program shortcircuit(output);
{ With short-circuit evaluation (option sc, on by default) the right operand of and/or is
  not evaluated when the left one decides; and_then/or_else always short-circuit. }
var
  calls: integer;
  b: boolean;

function probe(result: boolean): boolean;
begin
  calls := calls + 1;
  probe := result
end;

begin
  calls := 0;
  b := false and probe(true);
  b := true or probe(false);
  b := (calls = 0) and probe(true);
  writeln(calls:1, ' ', b);
  calls := 0;
  b := false and_then probe(true);
  b := true or_else probe(true);
  writeln(calls:1)
end.
