program rawio(output);
{ rawwrite and rawread move bytes between a binary file and a buffer: an array, or a
  string whose length becomes the number of bytes read. }
var
  f: binary;
  buf: packed array[1..8] of char;
  s: string[6];
  done, i: integer;
begin
  assign(f, 'raw.bin');
  rewrite(f);
  buf := 'ABCDEFGH';
  rawwrite(f, buf, 8, done);
  writeln('wrote ', done:1);
  s := 'xyz';
  rawwrite(f, s, 3, done);
  writeln('wrote ', done:1);
  close(f);
  reset(f);
  for i := 1 to 8 do buf[i] := '.';
  rawread(f, buf, 5, done);
  writeln('read ', done:1, ' ', buf);
  rawread(f, s, 6, done);
  writeln('read ', done:1, ' [', s, '] ', length(s):1);
  rawread(f, s, 6, done);
  writeln('read ', done:1, ' [', s, '] ', length(s):1);
  close(f);
  erase(f)
end.
