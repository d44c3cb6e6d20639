program err_pascal_crash_in_result;
{ An object result whose server faults when the engine takes its reference (add_ref). }
var t, c: object;
begin
  t := createobject('Tarn.Test');
  writeln('before');
  c := t.PoisonedChild
end.
