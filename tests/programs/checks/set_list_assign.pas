program set_list_assign(output);
{ Assigning a set (list sets: more than 256 base values) whose members lie outside the
  target's base type traps under option ao. }
var
  wide: set of 0..2000;
  narrow: set of 0..1000;
begin
  wide := [5, 1000];
  narrow := wide;
  writeln(ord(1000 in narrow):1);
  wide := [5, 1500];
  narrow := wide;
  writeln('not reached')
end.
