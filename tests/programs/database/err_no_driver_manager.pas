program err_no_driver_manager(output);
{ Run with a driver manager that cannot be loaded (TARN_ODBC_DRIVER_MANAGER names a
  library that does not exist): supported says so, and opening a connection stops the
  program with a clear message. }
var c: connection;
begin
  writeln('odbc supported: ', supported(feature_odbc));
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=x.db')
end.
