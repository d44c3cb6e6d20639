program default(output);
{ The default project's program. Replace it with your own, or start a new project. }
begin
  writeln('Hello from Tarn Pascal!')
end.
