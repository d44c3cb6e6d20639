program nativeseterrdivide(output);
{ A set constructor whose member is computed with div and mod: a zero divisor stops the
  program at the constructor's line with the division's own message. }
type
  bytes = set of 0..255;
var
  b: bytes;
  i: integer;
begin
  b := [];
  for i := 3 downto 0 do
  begin
    b := b + [200 div i, 100 mod (i + 1)];
    writeln(i:1, ': ', 200 div i in b, ' ', 100 mod (i + 1) in b)
  end;
  writeln('not reached')
end.
