program fileposition(output);
{ filepos and filesize count components of a typed file; an unopened file is error 3. }
var
  f: file of integer;
  i, n: integer;
begin
  assign(f, 'numbers.dat');
  rewrite(f);
  for i := 1 to 5 do write(f, i * i);
  writeln(filepos(f):2, filesize(f):2);
  close(f);
  reset(f);
  read(f, n, n);
  writeln(n:3, filepos(f):2, filesize(f):2);
  seek(f, 4);
  read(f, n);
  writeln(n:3, filepos(f):2, eof(f));
  close(f);
  erase(f);
  {$I-}
  n := filesize(f);
  i := ioresult;
  writeln('ioresult ', i:1);
  {$I.}
  n := filepos(f);
  writeln('not reached')
end.
