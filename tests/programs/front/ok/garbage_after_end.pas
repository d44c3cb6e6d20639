program garbage(output);
begin
  writeln('done')
end.
this is not pascal ) ( ; 12 + 'x
