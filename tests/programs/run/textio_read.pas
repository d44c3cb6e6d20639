program textio_read(input, output);
{ Numbers read from a text file: signs, blanks and line ends before a number, numbers that
  run into letters, signs without digits, values beyond each type's range, end of the line
  and of the file. I/O errors are not trapped: each read reports the value and ioresult. }
var
  i: integer;
  w: word;
  b: byte;
  h: shortint;
  s: shortword;
  c: char;
  n: integer;

procedure ri;
begin
  {$I-}
  i := -7777;
  read(i);
  n := ioresult;
  write(' i', i:1, '/', n:1)
end;

procedure rw;
begin
  w := 7777;
  read(w);
  n := ioresult;
  write(' w', w:1, '/', n:1)
end;

procedure rb;
begin
  b := 77;
  read(b);
  n := ioresult;
  write(' b', b:1, '/', n:1)
end;

procedure rh;
begin
  h := 777;
  read(h);
  n := ioresult;
  write(' h', h:1, '/', n:1)
end;

procedure rs;
begin
  s := 777;
  read(s);
  n := ioresult;
  write(' s', s:1, '/', n:1)
end;

procedure rc;
begin
  read(c);
  n := ioresult;
  write(' c', ord(c):1, '/', n:1)
end;

procedure state;
begin
  write(' eoln ', ord(eoln):1, ' eof ', ord(eof):1);
  writeln
end;

begin
  ri; ri; ri; state;                       { 17 -25 +3 }
  ri; ri; state; readln;                   { -0 0042 }
  ri; rc; rc; rc; ri; rc; ri; rc; ri; rc; rc; state; readln;
                                           { a blank line, \v\f 12abc 0x1A 1e5 }
  ri; ri; ri; rc; ri; ri; rc; state; readln;   { +-3 - 4 -y }
  ri; ri; ri; ri; ri; ri; state; readln;   { beyond the integer range }
  rb; rb; rb; rb; rb; rb; state; readln;   { bytes }
  rh; rh; rh; rh; rs; rs; state; readln;   { 16-bit numbers }
  rw; rw; rw; rw; rw; rw; rw; state;       { unsigned }
  ri; ri; rc; rc; state;                   { 12 x, and its line end }
  readln; state;                           { a line of blanks, then 7 at the end of the file }
  ri; state;
  ri; state;
  rc; state;
  readln; state
end.
