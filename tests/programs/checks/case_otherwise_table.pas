program case_otherwise_table(output);
{ A char selector (jump table) without a matching constant takes the otherwise part. }
var
  c: char;
begin
  for c := 'a' to 'd' do
    case c of
      'a': writeln('a');
      'c': writeln('c');
      otherwise writeln('other ', c)
    end
end.
