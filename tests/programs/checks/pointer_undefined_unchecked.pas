program pointer_undefined_unchecked(output);
{ With undefined-value checks off the same copy passes unseen. }
{$U-}
var
  p, q: ^integer;
begin
  q := p;
  writeln('copied')
end.
