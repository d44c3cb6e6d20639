program byte_param(output);
{ A negative value argument for a byte parameter is a range error in the call. }
var
  i: integer;

procedure show(b: byte);
begin
  writeln(b:1)
end;

begin
  i := 0;
  show(i);
  i := -1;
  show(i);
  writeln('not reached')
end.
