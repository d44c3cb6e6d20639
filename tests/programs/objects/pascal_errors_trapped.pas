program pascal_errors_trapped;
{ With I/O error trapping off ($i-) the object routines' failures are recorded and the
  program goes on: createobject yields nil, a read or function call yields null, and
  ioresult (read before anything is written: a write clears it) gives the error number:
  40 create, 41 read, 42 function, 43 procedure, 44 write, 45 no value, 47 an exception
  in the server. }
var
  t, o: object;
  e: integer;
  null: boolean;
begin
  {$i-}
  o := createobject('No.Such.Class');
  e := ioresult;
  writeln('createobject ', e, ' ', o = nil);
  o := createobject('bad name!');
  e := ioresult;
  writeln('bad name ', e, ' ', o = nil);
  o := createobject('Tarn.Missing');
  e := ioresult;
  writeln('missing server ', e, ' ', o = nil);
  t := createobject('Tarn.Test');
  e := ioresult;
  writeln('created ', e, ' ', t = nil);
  null := isnull(t.Missing);
  e := ioresult;
  writeln('read ', e, ' ', null);
  null := isnull(t.Missing(1, 2));
  e := ioresult;
  writeln('function ', e, ' ', null);
  t.Missing(1);
  e := ioresult;
  writeln('procedure ', e);
  t.Missing := 1;
  e := ioresult;
  writeln('write ', e);
  t.ReadOnly := 1;
  e := ioresult;
  writeln('read-only ', e);
  null := isnull(t.Nothing);
  e := ioresult;
  writeln('no value ', e, ' ', null);
  null := isnull(t.Sum2(1));
  e := ioresult;
  writeln('parameter count ', e, ' ', null);
  t.Fail('boom');
  e := ioresult;
  writeln('exception ', e);
  null := isnull(t.Fail);
  e := ioresult;
  writeln('exception as value ', e, ' ', null);
  writeln('after ', ioresult, ' ', t.Sum2(20, 22))
end.
