{ Every predefined procedure and function, called with typical arguments: none of these
  calls may give a message. }
program builtins(input, output);
type
  rec = record a, b: integer end;
  ptrrec = ^rec;
  intfile = file of integer;
  chars = packed array [1..10] of char;
  plain = array [1..10] of char;
var
  i, j, k, code: integer;
  w, w2, w3, w4: word;
  b: byte;
  r: real;
  c: char;
  ok: boolean;
  s, s2, s3, s4: string;
  cs: cstring[20];
  t: text;
  f: intfile;
  bf: binary;
  p: ptrrec;
  q: ^integer;
  nums: list of integer;
  d: dir;
  regs: registers;
  o: object;
  con: connection;
  rs: recordset;
  pa: chars;
  ua: plain;
  ad: address;
  v: rec;
begin
  { standard procedures }
  new(p); dispose(p);
  new(q); q^ := 1; dispose(q);
  rewrite(f); write(f, 1); put(f); reset(f); get(f); read(f, i);
  rewrite(t); writeln(t, 'x'); page(t); page; reset(t); readln(t, s); read(t, c); readln(t);
  write('a', i:3, r:8:2, c, ok, s); writeln; writeln('b'); read(i); readln(s); readln;
  pack(ua, 1, pa); unpack(pa, ua, 1);
  { non-standard procedures }
  append(t); append(t, 'log.txt'); assert(i > 0); assign(t, 'name.txt'); chdir('/tmp');
  close(t); opendir(d, '.'); readdir(d, s); readdir(d, cs); rewinddir(d); closedir(d); clrscr;
  crc32(w, c); crc32(w, 7, 0); dec(i); dec(i, 2); inc(w); inc(b, 3); delay(10);
  delete(s, 1); delete(s, 1, 2); delete(nums, 1); delete(nums, 1, 2); dumpstack; dumpstack(t);
  erase(t); exec('ls', '-l'); fill(v, 0); flush(t); fsplit('/a/b.c', s2, s3, s4); fsplit('/a/b.c', s2);
  getdate(w, w2, w3, w4); getfiledate('x', i, j, k); getfilemode('x', i); getfiletime('x', i, j, k);
  gettime(w, w2, w3); gotoxy(1, 2); insert('ab', s, 2); insert('ab', s); insert(5, nums); insert(5, nums, 1);
  intr($21, regs); mkdir('dir'); mkdir('dir', 493); move(v, v, 8); msdos(regs);
  open(t, 'x', readmode); popen(t, 'ls', readmode); randomize; randomize(42);
  rawread(bf, s, 10, i); rawwrite(bf, s, 10, i); rename(t, 'y'); reset(t, 'z'); rewrite(t, 'w');
  rmdir('dir'); seek(f, 0); setfiledate('x'); setfiledate('x', 2024, 1, 2); setfiletime('x', 1, 2, 3);
  sleep(1); str(i, s); str(r:8:2, s); str(i:4, s); textbackground(1); textcolor(2); traperrors(true);
  val(s, i, code); val(s, r, code); new(nums); dispose(nums); new(con); new(rs); new(o);
  con.open('dsn'); con.selectdatabase('db'); con.execute('select 1'); rs.open(con, 'select 1');
  rs.open(con, 'x', rsforward); rs.movenext; rs.moreresults; rs.close; con.close;
  dispose(rs); dispose(con);
  { standard functions }
  i := abs(-3); r := abs(r); r := arctan(1.0); c := chr(65); r := cos(0); ok := eof; ok := eof(t);
  ok := eoln; ok := eoln(t); r := exp(1); r := ln(2); ok := odd(3); i := ord(c); c := pred(c);
  i := round(r); r := sin(r); i := sqr(i); r := sqr(r); r := sqrt(2); c := succ(c); r := tan(r);
  i := trunc(r);
  { non-standard functions }
  ad := addr(v); s := concat('a', 'b', s); s := copy(s, 1, 2); s := copy(s, 2); s := copyword(s, 1);
  s := copyword(s, 1, ' ,'); r := cosh(r); i := countwords(s); i := countwords(s, ','); o := createobject('x.y');
  s := dirsep; s := fexpand('.'); ok := filematch('*.pas', s); i := filepos(f); i := filesize(f);
  r := frac(r); s := getenv('HOME'); i := getlasterror; s := hex(255); r := int(r); i := ioresult;
  ok := isalpha(c); ok := isalphanum(c); ok := isdigit(c); ok := islower(c); ok := isnull(o);
  ok := isprint(c); ok := isspace(c); ok := isupper(c); ok := isxdigit(c); ok := keypressed;
  i := length(s); i := length(nums); i := length(c); i := length(pa); r := log(r); c := locase(c);
  s := lowercase(s); i := paramcount; s := paramstr(0); r := pi; i := platform; i := pos('a', s);
  i := pos('a', s, 2); q := ptr(ad); r := random; i := random(10); c := readkey; s := reverse(s);
  r := sinh(r); w := sizeof(integer); w := sizeof(v); i := stackframe; i := stacktop;
  w := stopserviceevent; ok := supported(feature_odbc); i := swap(i); i := system('ls'); r := tanh(r);
  s := trim(s); ok := unixplatform; c := upcase(c); s := uppercase(s); s := urldecode(s); i := version;
  b := wherex; b := wherey; w := wait(1); w := wait(1, 2, 3);
  s := o.name; o.name := 'x'; o.run; o.run(1, 'a'); s := con.databasename; ok := rs.eof;
  s := rs.field('id'); s := rs.('id');
  halt; halt(1); exit; exit(0)
end.
