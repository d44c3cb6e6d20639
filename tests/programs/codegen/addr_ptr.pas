program addrptr(output);
{ addr gives a variable's address, ptr turns an address back into a pointer. }
type
  pint = ^integer;
  pchar = ^char;
var
  i: integer;
  s: packed array[1..4] of char;
  a, b: address;
  p: pint;
  c: pchar;
begin
  i := 7;
  a := addr(i);
  p := ptr(a);
  p^ := p^ * 6;
  writeln(i:1);
  s := 'wxyz';
  a := addr(s);
  c := ptr(a + 2);
  writeln(c^);
  b := addr(s[3]);
  writeln(b - a:1, ' ', addr(i) = addr(i))
end.
