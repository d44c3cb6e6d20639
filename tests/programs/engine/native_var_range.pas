program nativevarrange(output);
{ An index kept in a register after a passed range check needs no second check while its
  value stays; once a new value is stored, the next use is checked again: here the index
  is 8 on the last line of each routine, one past the end, and the error names that line
  (the global first, in a second run the local; PARAMSTR picks). }
var
  a: array[0..7] of integer;
  i, s: integer;

procedure local(k: integer);
var j, t: integer;
begin
  j := 2; t := a[j] + a[j] * 2 + a[j + 1]; j := 9 - j; t := t + a[j] + a[j];
  writeln('local ', t:1);
  j := k; t := a[j]; j := j + 3; t := t + a[j];
  writeln('not reached ', t:1)
end;

begin
  for i := 0 to 7 do a[i] := i * 10;
  i := 3; s := a[i] + a[i] * 2; i := 9 - i; s := s + a[i] + a[i];
  writeln('global ', s:1);
  if paramcount > 0 then local(5);
  i := 5; s := a[i]; i := i + 3; s := s + a[i];
  writeln('not reached ', s:1)
end.
