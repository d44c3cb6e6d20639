program nativesetsconstant(output);
{ Constant set constructors of many members and ranges, tested and combined in a loop:
  vowels, consonants, digits and the letters of both cases; the empty constructor. }
type
  chars = set of char;
var
  s: chars;
  c: char;
  i, vowels, others, digits, upper: integer;
begin
  vowels := 0; others := 0; digits := 0; upper := 0;
  for i := 0 to 255 do
  begin
    c := chr(i);
    if c in ['a', 'e', 'i', 'o', 'u', 'y', 'A', 'E', 'I', 'O', 'U', 'Y'] then vowels := vowels + 1
    else if c in ['b'..'d', 'f'..'h', 'j'..'n', 'p'..'t', 'v'..'x', 'z'] then others := others + 1;
    if c in ['0'..'9'] + ['.', '-'] - ['-'] then digits := digits + 1;
    if c in ['A'..'Z'] * (['A'..'M'] + ['N'..'Z']) - [] then upper := upper + 1
  end;
  writeln(vowels:1, ' ', others:1, ' ', digits:1, ' ', upper:1);
  s := ['a'..'z', 'A'..'Z', '0'..'9', '_'] - ['a', 'e', 'i', 'o', 'u', 'A', 'E', 'I', 'O', 'U'] * ['A'..'Z'];
  i := 0;
  for c := chr(0) to chr(255) do if c in s then i := i + 1;
  writeln(i:1, ' ', 'a' in s, ' ', 'A' in s, ' ', '_' in s, ' ', s = s + [], ' ', s <= [chr(0)..chr(255)], ' ', [] <= s)
end.
