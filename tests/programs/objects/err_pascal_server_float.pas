program err_pascal_server_float;
{ A server whose own arithmetic overflows to an infinity runs with the program's
  floating-point traps masked, so the call succeeds; back in the program the traps are on
  again and its own overflow is the run-time error. }
var t: object;
    r: real;
begin
  t := createobject('Tarn.Test');
  writeln('server saw an infinity: ', t.Overflow:1);
  r := 1e308;
  r := r * 10;
  writeln('not reached')
end.
