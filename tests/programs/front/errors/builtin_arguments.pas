program builtinargs(input, output);
{ Arguments of built-in procedures and functions that the routine can not take: each is
  reported at the argument with the class the routine expects. }
type colour = (red, green);
var i: integer; s: string[10]; r: real; c: char; p: ^integer; b: boolean;
  a: array[1..4] of char; z: packed array[1..4] of char; f: text; n: file of integer;
  col: colour; cs: cstring[8]; d: dir; bf: binary;
begin
  reset(i);
  rewrite(f, 3);
  inc(5);
  dec(r);
  i := length(i);
  r := sqrt('abc');
  r := sin(col);
  new(i);
  dispose(s);
  pack(z, 1, a);
  unpack(a, z, 1);
  str(i, r);
  val(s, r, i, i);
  val(s, i);
  delete(i, 1);
  insert(s, c);
  i := copy(s, 1, 2, 3);
  i := pos(s);
  c := chr('a');
  b := odd(r);
  i := ord(r);
  c := upcase(s);
  s := trim(i);
  readln(n, i);
  read(s, p);
  read(i + 1);
  b := eof(i);
  b := eoln(n);
  page(n);
  i := sizeof(i + 1);
  getdate(i, i, i, r);
  close(s);
  closedir(i);
  readdir(d, i);
  assert(i);
  fsplit(s, cs);
  gotoxy(1);
  halt(1, 2);
  b := filematch(s, 1);
  s := concat(s);
  i := random(r);
  get(bf);
  str(i, 1, 2, 3, s);
  writeln('end')
end.
