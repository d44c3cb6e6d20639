program strval(output);
{ str formats numbers into strings; val reads them back and reports where it stopped. }
var
  s: string[40];
  i, code: integer;
  r: real;
  w: word;
begin
  str(42, s); writeln('[', s, ']');
  str(42:1, s); writeln('[', s, ']');
  str(-7:4, s); writeln('[', s, ']');
  str(3.14159:6:2, s); writeln('[', s, ']');
  val('123', i, code); writeln(i:1, ' ', code:1);
  val('  -45', i, code); writeln(i:1, ' ', code:1);
  val('12x4', i, code); writeln(code:1);
  val('2.5e1', r, code); writeln(r:4:1, ' ', code:1);
  val('4000000000', w, code); writeln(w:1, ' ', code:1)
end.
