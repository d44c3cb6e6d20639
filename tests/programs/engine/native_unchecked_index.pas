program native_unchecked_index(output);
{ With range checks off, an element address is checked by the native tier to lie in the
  globals, away from the variables a loop keeps in registers. An index past the end of an
  array reaches the variable declared after it: here the loop counter itself, which a store
  through the array sets from 5 to 8, so the loop skips 6 to 8. Then an index before the
  start reads the word declared before the array. }
var
  before: integer;
  a: array [1..100] of integer;
  i, k, n, s: integer;
begin
  before := 1000;
  n := 0; s := 0;
  for i := 1 to 10 do a[i] := i;
  i := 1;
  while i <= 10 do
  begin
    s := s + a[i];
    if i = 5 then k := 101 else k := i;
    a[k] := 8;
    i := i + 1;
    n := n + 1
  end;
  writeln(s:1, ' ', n:1, ' ', i:1);
  k := 0;
  writeln(a[k]:1)
end.
