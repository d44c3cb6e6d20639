program case_otherwise_compare(output);
{ An integer selector (comparisons) without a matching constant takes the otherwise part. }
var
  k: integer;
begin
  for k := -1 to 3 do
    case k of
      0: writeln('zero');
      2..3: writeln('two or three');
      otherwise writeln('other ', k:1)
    end
end.
