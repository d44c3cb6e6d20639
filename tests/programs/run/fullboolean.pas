program fullboolean(output);
{ Without short-circuit evaluation (-sc-) both operands of and/or are evaluated;
  and_then/or_else still short-circuit. }
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
