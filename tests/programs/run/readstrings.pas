program readstrings(input, output);
{ Reading a cstring and a string from the standard input: at most the maximum length is kept.
  readln skips the rest of the line. }
var c: cstring[10]; s: string[5];
begin
  readln(c); readln(s);
  writeln('[', c, '] ', length(c):1, ' [', s, ']')
end.
