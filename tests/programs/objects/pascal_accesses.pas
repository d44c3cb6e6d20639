program pascal_accesses;
{ Object references held in arrays, record fields and dynamic records, reached through a
  with statement and passed as variable parameters. Members are read through any variable
  access; a member statement (a property write or a method call) names an object variable
  directly, so the others are first copied into one. }
type thing = object;
  holder = record name: string; o: object end;
var a: array[1..2] of object; r: holder; i: integer; p: ^holder; x: object;
procedure setname(var x: thing; s: string);
begin x.Name := s end;
function getname(var x: thing): string;
begin getname := x.Name end;
begin
  for i := 1 to 2 do a[i] := createobject('Tarn.Test');
  x := a[2]; x.Name := 'second';
  writeln(a[1].Name, ' ', a[2].Name);
  r.o := a[1].Child;
  x := r.o; x.Number := 5;
  writeln(r.o.Number);
  with r do writeln(o.Number);
  setname(a[1], 'via var');
  writeln(getname(a[1]), ' ', a[1].Name);
  new(p);
  p^.o := a[2];
  writeln(p^.o.Name, ' ', p^.o.Sum2(1, 2));
  dispose(a[1]);
end.
