program textio_reals(output);
{ Reals written with and without decimals: default and narrow widths, rounding of exact
  halves (to even), negative zero, the largest and the smallest normal real, widths and decimals
  beyond the limits, and str of the same values. }
var
  x, big, zero: real;
  s: string[255];
  i: integer;
  f: text;
  c: char;
  n: integer;
begin
  writeln('|', 3.14159:1:2, '|', -2.5:1:1, '|', 2.5:6:1, '|', 1.5, '|', -1.5:12, '|', 1.5:3, '|');
  writeln('|', 0.125:1:2, '|', 0.375:1:2, '|', -0.125:1:2, '|', 2.5:1:1, '|', 0.5:1:1, '|', 1e-5:1:3, '|');
  zero := 0.0;
  x := -zero;
  writeln('|', x:1:1, '|', x, '|', zero, '|', x:10, '|');
  big := 1.7976931348623157e308;
  x := 2.2250738585072014e-308;
  writeln('|', big, '|', -big:1, '|', big:30, '|', x:25, '|', x:1:3, '|');
  writeln('|', 123456.789:20:3, '|', -0.000123:1:7, '|', 1e22:1:1, '|', 1e-7:1:1, '|');
  str(2.5:6:1, s); writeln('[', s, ']');
  str(-1.5, s); writeln('[', s, ']');
  str(1e100:1:2, s); writeln(length(s):1);
  { Fields beyond the widest width (1027) and decimals beyond 716, measured in a file. }
  assign(f, 'reals.tmp');
  rewrite(f);
  writeln(f, 1.0:2000);
  writeln(f, 1.0:1:2000);
  writeln(f, -1.0:1:2000);
  writeln(f, big:1:800);
  writeln(f, 1.0:1500:1);
  reset(f);
  for i := 1 to 5 do
  begin
    n := 0;
    while not eoln(f) do begin read(f, c); n := n + 1 end;
    readln(f);
    write(n:1, ' ')
  end;
  writeln;
  close(f);
  erase(f)
end.
