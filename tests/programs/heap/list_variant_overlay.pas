program overlay;
{ A variant record lays a pointer over a list variable, so the program can write into the
  list's header: its element-size word becomes huge before the next insert. }
{$V-}
type
  header = record count, elemsize, perchunk, first, last: integer end;
  headerptr = ^header;
  overlaid = record
    case boolean of
      true: (l: list of integer);
      false: (h: headerptr)
  end;
var
  a: overlaid;
begin
  new(a.l);
  insert(1, a.l);
  insert(2, a.l);
  writeln('length ', length(a.l));
  a.h^.elemsize := 2147483647;
  insert(3, a.l, 1);
  writeln('not reached')
end.
