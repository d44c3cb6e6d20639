program identifiers(output);
const
  unusedconst = 1;
  usedconst = 2;
type
  shade = (light, dark);
  hue = (cyan, magenta);
  unusedtype = integer;
var
  count: integer;
  spare: real;
  x: integer;
  x: integer;
  n: char;
procedure helper;
var
  count: integer;
begin
  count := usedconst
end;
procedure early;
const
  d = usedconst;
  usedconst = 5;
begin
  count := d
end;
type n = char;
begin
  helper;
  early;
  count := ord(dark);
  COUNT := Count + 1;
  undeclared := 1;
  count := missing + 1;
  nothere(count);
  writeln(count)
end.
