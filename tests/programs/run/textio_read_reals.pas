program textio_read_reals(input, output);
{ Reals read from text: signs, exponents with and without a sign or digits, a point without
  digits before it, hexadecimal numbers, values too small for a real, and text that breaks
  off a number ("Infinit", "nax", "na"). I/O errors are not trapped: each read shows its
  value (or that it kept the old one) and ioresult. }
{$I-}
var
  x: real;
  y: single;
  n, i: integer;
  c: char;

procedure rx;
begin
  x := -7777.0;
  read(x);
  n := ioresult;
  if x = -7777.0 then write(' -/', n:1) else write(' ', x:1:6, '/', n:1)
end;

procedure ry;
begin
  y := -7777.0;
  read(y);
  n := ioresult;
  if y = -7777.0 then write(' -/', n:1) else write(' ', y:1:3, '/', n:1)
end;

procedure rc;
begin
  read(c);
  n := ioresult;
  write(' c', ord(c):1, '/', n:1)
end;

begin
  rx; rx; rx; rx; rx; rc; rx; rx; writeln;
  rx; rx; rx; rx; rx; writeln;
  rx; rx; rx; rc; rx; rx; rx; rx; rx; writeln;
  rx; rx; rx; ry; ry; ry; rx; ry; ry; writeln;
  for i := 1 to 3 do rx;
  writeln(' eof ', ord(eof):1)
end.
