program case_selector_range(output);
{ A selector that holds a value outside its own subrange (stored with checks off) is a
  range error before the jump table is used. }
type
  digit = 1..5;
var
  d: digit;
  i: integer;
begin
  i := 7;
  {$R-} d := i; {$R+}
  writeln(d:1);
  case d of
    1..5: writeln('in range')
  end;
  writeln('not reached')
end.
