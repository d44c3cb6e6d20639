program fsplitparts(output);
{ fsplit with one, two and three result variables, and a part too long for its variable
  (error 22, nothing stored), seen through ioresult with I/O checks off. }
var
  d, n, e: string;
  short: string[3];
begin
  fsplit('/usr/lib/tarn/prog.tvm', d, n, e);
  writeln('[', d, '] [', n, '] [', e, ']');
  d := '?'; n := '?'; e := '?';
  fsplit('notes.txt', d, n);
  writeln('[', d, '] [', n, '] [', e, ']');
  fsplit('archive.tar.gz', d);
  writeln('[', d, ']');
  fsplit('/tmp/noext', d, n, e);
  writeln('[', d, '] [', n, '] [', e, ']');
  {$I-}
  short := 'abc';
  fsplit('/a/longname.x', d, short);
  writeln(ioresult, ' [', short, ']');
  {$I.}
  fsplit('/a/longname.x', d, short);
  writeln('not reached')
end.
