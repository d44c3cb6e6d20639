program pascal_members;
{ Generic objects from Pascal: createobject by ProgID, property reads and writes (by name
  and by a string expression), methods with 0 to 8 arguments as values and as statements. }
var
  t: object;
  n: integer;
  s: string;
  member: string;
begin
  t := createobject('Tarn.Test');
  writeln(t = nil);
  { properties }
  writeln(t.Name);
  t.Name := 'first';
  writeln(t.Name);
  t.Number := 12;
  n := t.Number;
  writeln(n + 1);
  t.Number := t.Number;
  writeln(t.ReadOnly);
  member := 'Na' + 'me';
  t.(member) := 'by expression';
  writeln(t.(member), ' ', t.('NUMBER'));
  t.('number') := 99;
  writeln(t.number);
  { methods with 0 to 8 arguments, used as values }
  writeln(t.Sum0, ' ', t.Sum0());
  writeln(t.Sum1(1), ' ', t.Sum2(1, 2), ' ', t.Sum3(1, 2, 3), ' ', t.Sum4(1, 2, 3, 4));
  writeln(t.Sum5(1, 2, 3, 4, 5), ' ', t.Sum6(1, 2, 3, 4, 5, 6));
  writeln(t.Sum7(1, 2, 3, 4, 5, 6, 7), ' ', t.Sum8(1, 2, 3, 4, 5, 6, 7, 100));
  { arguments travel first to last }
  writeln(t.Join('a'));
  writeln(t.Join('a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'));
  s := t.Join(n, 'x', 2.5);
  writeln(s);
  { statements: results are dropped }
  t.Sum0;
  t.Sum0();
  t.Sum2(3, 4);
  t.Sum8(1, 2, 3, 4, 5, 6, 7, 8);
  t.Nothing;
  t.Nothing();
  t.('Sum1')(5);
  writeln(t.('Sum2')(40, 2));
  dispose(t)
end.
