program shortword_assign(output);
{ A shortword holds 0..65535; 65536 is a range error, and so is -1 (run under -r+ given
  explicitly, the same as the default). }
var
  s: shortword;
  i: integer;
begin
  i := 65535;
  s := i;
  writeln(s:1);
  i := 65536;
  s := i;
  writeln('not reached')
end.
