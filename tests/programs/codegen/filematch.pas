program filematching(output);
{ filematch: shell wildcards against file names. }
procedure try(pattern, name: string);
begin
  writeln(pattern:10, ' ', name:12, ' ', filematch(pattern, name))
end;
begin
  try('*.pas', 'prog.pas');
  try('*.pas', 'prog.tvm');
  try('prog.???', 'prog.tvm');
  try('prog.???', 'prog.tv');
  try('[a-c]*', 'beta');
  try('[a-c]*', 'delta');
  try('*', '');
  try('', '');
  try('a*b*c', 'aXXbYYc');
  try('a*b*c', 'aXXbYY')
end.
