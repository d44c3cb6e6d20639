program packedsetconstructor(output);
{ A set constructor serves packed and unpacked set types alike: assignment, comparison,
  membership and the set operators. }
type
  small = 0..31;
  pset = packed set of small;
  uset = set of small;
  letters = packed set of char;
var
  ps: pset;
  us: uset;
  ls: letters;
  p: small;
  c: char;

procedure show(s: pset);
var i: small;
begin
  for i := 0 to 31 do if i in s then write(i:3);
  writeln
end;

begin
  ps := [1, 2];
  show(ps);
  writeln(ps = [1, 2], ' ', ps = [1], ' ', ps <> [1], ' ', [1] <= ps, ' ', ps >= [2, 3]);
  ps := ps + [5..7] - [1];
  show(ps);
  ps := ps * [2, 6, 30];
  show(ps);
  for p := 0 to 8 do if p in ps then write(p:2);
  writeln;
  us := [3, 4];
  ps := [];
  show(ps);
  writeln(ps = [], ' ', 4 in us);
  show([9, 10]);
  ls := ['a'..'e', 'x'];
  for c := 'a' to 'z' do if c in ls then write(c);
  writeln;
  writeln('q' in ls, ' ', ls >= ['a', 'x'])
end.
