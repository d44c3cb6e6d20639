program binstrings(output);
{ Strings and sets written to a binary file (a length or member count, then the
  characters or members) read back into variables of every string and set kind, beside
  ordinary values; a length the variable cannot hold stops the run. }
type colour = (red, green, blue, cyan, magenta);
var
  f: binary;
  s: string[10]; s2: string[10]; long: string[300]; c: cstring[12];
  pa: packed array[1..4] of char;
  small: set of colour; chars: set of char; wide: set of 0..999;
  i: integer; r: real; ch: char;
  tiny: string[3];
begin
  assign(f, 'strings.bin');
  rewrite(f);
  s := 'hello';
  write(f, s, 17);
  long := 'a string type longer than 255 characters has a 4-byte length prefix';
  write(f, long, '');
  c := 'terminated';
  pa := 'pack';
  write(f, c, pa, 2.5);
  small := [green, magenta]; chars := ['a', 'z', '0']; wide := [3, 500, 999];
  write(f, small, chars, wide, 'x');
  close(f);
  reset(f);
  s := '----------'; long := ''; c := ''; pa := '....';
  read(f, s, i);
  writeln('[', s, '] ', length(s):1, ' ', i:1);
  read(f, long, s2);
  writeln('[', long, '] ', length(long):1, ' [', s2, '] ', length(s2):1);
  read(f, c, pa, r);
  writeln('[', c, '] ', length(c):1, ' [', pa, '] ', r:3:1);
  small := []; chars := []; wide := [];
  read(f, small, chars, wide, ch);
  writeln(green in small, magenta in small, red in small);
  writeln('z' in chars, '0' in chars, 'b' in chars);
  writeln(500 in wide, 999 in wide, 4 in wide, ' ', ch);
  close(f);
  { A string longer than the variable it is read into. }
  reset(f);
  read(f, tiny);
  writeln('not reached [', tiny, ']')
end.
