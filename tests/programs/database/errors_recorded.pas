program errors_recorded(output);
{ With I/O error trapping off ($i-) every driver failure is error 39 with the driver's
  diagnostic records in the error list (the SQL state as the name, the driver's text as
  the description) and a last entry "ODBC failure"; the program goes on, and what was
  committed before a failure is still there afterwards. }
var
  c: connection;
  rs: recordset;
  n: integer;

{ Prints the pending error and the error list. A write is a file operation, which
  empties the list, so the entries are copied first. }
procedure report(what: string);
var i, e, count: integer;
    numbers: array [1..10] of integer;
    names: array [1..10] of string[16];
    texts: array [1..10] of string;
begin
  e := ioresult;
  count := 0;
  if e <> 0 then count := length(errors);
  if count > 10 then count := 10;
  for i := 1 to count do begin
    numbers[i] := errors[i].number;
    names[i] := errors[i].name;
    texts[i] := errors[i].description
  end;
  writeln(what, ': ', e:1);
  for i := 1 to count do
    writeln('  ', numbers[i]:1, ' [', names[i], '] ', texts[i])
end;

begin
  {$i-}
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=errors.db');
  report('open');
  c.execute('create table t(a integer primary key, b varchar(10) not null)');
  c.execute('insert into t values(1, ''one'')');
  c.execute('insert into t values(2, ''two'')');
  report('inserts');
  c.execute('selec nonsense');
  report('bad SQL');
  c.execute('insert into missing values(1)');
  report('missing table');
  c.execute('insert into t values(1, ''again'')');
  report('duplicate key');
  c.execute('insert into t values(3, null)');
  report('NULL into NOT NULL');
  new(rs);
  rs.open(c, 'select * from nowhere');
  report('recordset on a missing table');
  rs.open(c, 'select a, b from t; select 1');
  report('two statements');
  rs.open(c, 'insert into t values(3, ''three'')');
  report('recordset on an insert');
  rs.close;
  rs.open(c, 'select a from t');
  rs.moreresults;
  report('moreresults');
  writeln('eof after moreresults: ', rs.eof);
  rs.close;
  c.close;
  c.open('ODBC;nosuchdsn;user;pw');
  report('unknown data source');
  c.open('ODBC;DRIVER=NoSuchDriver;Database=x.db');
  report('unknown driver');
  { Everything committed before the failures is there. }
  c.open('ODBC;DRIVER=SQLite3;Database=errors.db');
  rs.open(c, 'select count(*) as n, group_concat(b, '','') as names from t');
  n := rs.field('n');
  writeln(n:1, ' rows: ', rs.field('names'));
  rs.close;
  c.close
end.
