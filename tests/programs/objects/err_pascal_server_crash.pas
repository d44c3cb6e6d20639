program err_pascal_server_crash;
{ A server method that reads an unmapped address: the program's run-time error, not a crash
  of the engine. The server's object cannot be released after the fault. }
var t: object;
begin
  t := createobject('Tarn.Test');
  writeln('before');
  t.Crash;
  writeln('not reached')
end.
