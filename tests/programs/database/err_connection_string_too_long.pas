program err_connection_string_too_long(output);
{ A connection string of 1025 characters; 1024 are accepted. }
var c: connection; s: string[1100];
begin
  new(c);
  s := 'ODBC;DRIVER=SQLite3;Database=long.db;x=';
  while length(s) < 1024 do s := s + 'y';
  c.open(s);
  writeln(c.dbmsname, ' with ', length(s):1, ' characters');
  c.close;
  c.open(s + 'y')
end.
