program case_range_nomatch(output);
{ A selector between the constants of a range alternative and the next: no match. }
var
  k: integer;
begin
  k := 4;
  case k of
    1..3: writeln('low');
    5..7: writeln('high')
  end;
  writeln('not reached')
end.
