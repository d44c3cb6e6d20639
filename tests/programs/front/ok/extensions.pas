{ The extensions: strings, cstrings, otherwise, case ranges, and_then/or_else, xor,
  shl/shr, binary and hexadecimal literals, non-numeric labels, lists, objects and
  database connections. }
program extensions;
label finish;
type
  name = string[20];
  numbers = list of integer;
var
  s: name;
  cs: cstring[8];
  i, n: integer;
  w: word;
  c: char;
  db: connection;
  rs: recordset;
  o: object;
  l: numbers;
begin
  s := 'abc' + 'def';
  cs := 'xyz';
  n := %1010 + $1F;
  w := (n shl 2) xor (n shr 1);
  c := s[2];
  for i := 1 to length(s) do
    case s[i] of
      'a'..'c': n := n + 1;
      'd', 'e': n := n - 1
    otherwise
      n := n * 2
    end;
  if (n > 0) and_then (n <> 7) or_else (c = 'b') then goto finish;
  db.open('dsn');
  rs.open(db, 'select 1');
  while not rs.eof do begin
    s := rs.field('name');
    rs.movenext
  end;
  o := createobject('Some.Object');
  o.visible := true;
  writeln(s, cs, n, w, c, db.dbmsname, l[1]);
  finish: writeln('done')
end.
