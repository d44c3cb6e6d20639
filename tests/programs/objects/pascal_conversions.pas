program pascal_conversions;
{ Variant values converted where the program needs a static type: assignments to each
  type, value parameters, function results, conditions, arguments of built-in routines,
  write with a width and str. Text that holds a number converts to it; reals round to the
  nearest integer. }
type
  short = string[5];
  thing = object;
var
  t, o: object;
  i: integer;
  si: shortint;
  y: byte;
  w: word;
  r: real;
  f: single;
  b: boolean;
  s: string;
  ss: short;
  k: integer;
  ad: address;

procedure show(n: integer; x: real; flag: boolean; text: string);
begin
  writeln('show ', n, ' ', x:4:1, ' ', flag, ' ', text)
end;

function twice(n: integer): integer;
begin
  twice := t.Sum2(n, n)
end;

function name_of(o: thing): string;
begin
  name_of := o.Name
end;

begin
  t := createobject('Tarn.Test');
  { text to numbers and back }
  i := t.Echo('123'); r := t.Echo(' 2.5'); b := t.Echo('true');
  writeln(i, ' ', r:4:2, ' ', b);
  i := t.Echo(2.6); k := t.Echo(-2.6); b := t.Echo(5);
  writeln(i, ' ', k, ' ', b);
  s := t.Echo(true); write(s, ' ');
  s := t.Echo(2.5); write(s, ' ');
  s := t.Echo(-42); write(s, ' ');
  s := t.Echo(4000000000); writeln(s);
  { every static type as a target }
  si := t.Sum1(-300); y := t.Sum1(255); w := t.Echo(4000000000); f := t.Echo(0.5);
  writeln(si, ' ', y, ' ', w, ' ', f:4:2);
  ss := t.Join('abc'); writeln(ss, ' ', length(ss));
  o := t.Child; o.Name := 'child'; writeln(o.Name);
  ad := t.Sum1(4096); w := ad; writeln('address ', w);
  { parameters and results }
  show(t.Sum1(7), t.Echo(1.5), t.Echo(false), t.Name);
  writeln(twice(t.Sum1(21)), ' ', name_of(t.Child));
  { conditions }
  if t.Same(t) then writeln('if then') else writeln('if else');
  if t.Echo('false') then writeln('wrong') else writeln('if else');
  k := 0;
  while t.Echo(k < 3) do k := k + 1;
  repeat k := k + 1 until t.Echo(k >= 5);
  writeln('loops ', k);
  { built-in routines }
  writeln(length(t.Join('abcdef')), ' ', copy(t.Join('abcdef'), t.Sum1(2), t.Sum1(3)), ' ',
          pos('c', t.Join('abc')), ' ', uppercase(t.Name), ' ', chr(t.Sum1(65)), ' ',
          odd(t.Sum1(3)), ' ', sqrt(t.Sum1(16)):3:1, ' ', round(t.Echo(2.4)), ' ',
          trunc(t.Echo(-2.9)));
  i := 1;
  inc(i, t.Sum1(4));
  writeln(i);
  writeln('[', t.Name:10, ']', '[', t.Sum1(5):4, ']');
  str(t.Sum1(5):6:2, s);
  writeln('[', s, ']');
  dispose(t)
end.
