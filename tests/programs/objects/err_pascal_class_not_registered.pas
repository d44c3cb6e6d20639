program err_pascal_class_not_registered;
{ createobject of a ProgID no registry lists stops the program (option i on). }
var o: object;
begin
  writeln('start');
  o := createobject('No.Such.Class');
  writeln('not reached')
end.
