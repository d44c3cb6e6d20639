program chkerr_paths(output);
{ With I/O checks on, every file operation is followed by a check of the pending error.
  With trapping off the check lets the program go on and ioresult reports the number, in
  a loop whose counters live on across the failing operations; with trapping on again the
  next failure ends the run at its line. }
var
  f: text;
  i, failures, sum: integer;
begin
  {$i+}
  traperrors(false);
  failures := 0; sum := 0;
  for i := 1 to 5 do
  begin
    assign(f, 'no-such-dir/missing.txt');
    reset(f);
    if ioresult <> 0 then failures := failures + 1;
    sum := sum + i
  end;
  writeln('failures ', failures:1, ' sum ', sum:1);
  traperrors(true);
  reset(f);
  writeln('not reached')
end.
