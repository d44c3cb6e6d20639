program err_pascal_crash_in_argument;
{ An object argument whose server faults when it is given a reference (add_ref): the
  program's run-time error, not a crash of the engine. }
var t, c: object;
begin
  t := createobject('Tarn.Test');
  c := t.Child;
  c.Poison;
  writeln('poisoned');
  writeln(t.Same(c))
end.
