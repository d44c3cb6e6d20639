program connect_attributes(output);
{ Opening connections in each form of the connection string and reading every
  attribute of the data source. The type is matched without regard to case; a string
  whose first "=" comes before any ";" goes to the driver whole; one without "=" names a
  data source, optionally with a user and a password. }
var
  c: connection;
  v: string;

procedure show(what: string);
begin
  writeln(what);
  writeln('  databasename ', c.databasename);
  writeln('  dbmsname     ', c.dbmsname);
  v := c.dbmsver;
  writeln('  dbmsver      ', copy(v, 1, 2), ' (', length(v) > 0, ')');
  v := c.dmver;
  writeln('  dmver        ', copy(v, 1, 6));
  writeln('  odbcver      ', c.odbcver);
  writeln('  procedures   ', c.procedures);
  writeln('  transactions ', c.transactions);
  writeln('  readonly     ', c.readonly);
  writeln('  transsupport ', c.transsupport:1)
end;

begin
  writeln('odbc supported: ', supported(feature_odbc));
  new(c);
  c.open('odbc;DRIVER=SQLite3;Database=first.db');
  show('driver connection string');
  c.execute('create table t(a integer)');
  c.close;

  c.open('ODBC;tarntest');
  show('data source name');
  c.execute('create table d(a integer)');
  c.execute('insert into d values(42)');
  { Opening a connection that is open closes it first. }
  c.open('Odbc;tarntest;someone;secret');
  show('data source, user and password');
  c.selectdatabase('catalog');
  writeln('after selectdatabase: ', c.databasename);
  c.close;
  dispose(c)
end.
