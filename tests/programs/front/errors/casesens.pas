program casesens(output);
var
  Count, count: integer;
  Total: integer;
begin
  Count := 1;
  count := 2;
  total := 3;
  Total := Count + count;
  Writeln(Total);
  writeln(Total)
End.
