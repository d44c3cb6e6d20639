{ A put after storing into components of a file's buffer variable (a field, an element,
  a field reached through with) writes the element: each store fills the buffer. }
program buffercomponents(output);
type
  pair = record key: integer; name: packed array[1..3] of char end;
  triple = array[1..3] of integer;
var
  f: file of pair;
  g: file of triple;
  p: pair;
  t: triple;
  i: integer;
begin
  rewrite(f);
  f^.key := 1;
  f^.name := 'one';
  put(f);
  with f^ do
  begin
    key := 2;
    name := 'two'
  end;
  put(f);
  p.key := 3;
  p.name := 'six';
  f^ := p;
  f^.name[1] := 't';
  f^.name[2] := 'e';
  f^.name[3] := 'n';
  put(f);
  reset(f);
  while not eof(f) do
  begin
    read(f, p);
    writeln(p.key:1, ' ', p.name)
  end;
  rewrite(g);
  for i := 1 to 3 do g^[i] := i * i;
  put(g);
  g^[1] := 7;
  g^[2] := 8;
  g^[3] := 9;
  put(g);
  reset(g);
  while not eof(g) do
  begin
    t := g^;
    get(g);
    writeln(t[1]:1, ' ', t[2]:1, ' ', t[3]:1)
  end
end.
