program Books(output);
{ A small report from an SQL database: creates a SQLite table through ODBC, fills it from
  a text file (title;author;year;pages per line, '#' starts a comment) and prints what a
  query returns. Run it with the text file as its argument:

      tpc examples/books.pas && tvm examples/books.tvm examples/books.txt

  The database, books.db, is made in the current directory. SQLite's ODBC driver must be
  registered with unixODBC as "SQLite3" (the libsqliteodbc package does that). }
var
  c: connection;
  rs: recordset;
  data: text;
  line, title, author: string;
  year, pages, count: integer;

{ A text as an SQL string literal: quoted, with each quote in it doubled. }
function literal(s: string): string;
var i: integer;
    r: string;
begin
  r := '''';
  for i := 1 to length(s) do
    if s[i] = '''' then r := r + '''''' else r := r + s[i];
  literal := r + ''''
end;

function field(n: integer): string;
begin
  field := trim(copyword(line, n, ';'))
end;

begin
  if paramcount < 1 then begin
    writeln('usage: tvm books.tvm BOOKS.TXT');
    halt(2)
  end;
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=books.db');
  c.execute('drop table if exists books');
  c.execute('create table books(title varchar(60), author varchar(40), year integer, pages integer)');

  { One transaction for all rows: SQLite writes the file once. }
  c.execute('begin transaction');
  reset(data, paramstr(1));
  count := 0;
  while not eof(data) do begin
    readln(data, line);
    if (length(trim(line)) > 0) and (line[1] <> '#') then begin
      c.execute('insert into books values(' + literal(field(1)) + ', ' + literal(field(2)) + ', ' +
                field(3) + ', ' + field(4) + ')');
      count := count + 1
    end
  end;
  close(data);
  c.execute('commit');
  writeln(count:1, ' books read into ', c.databasename, ' (', c.dbmsname, ' ', c.dbmsver, ')');
  writeln;

  new(rs);
  writeln('Author               Books  Pages  First  Last');
  rs.open(c, 'select author, count(*) as books, sum(pages) as pages, min(year) as first, ' +
             'max(year) as last from books group by author order by books desc, author');
  while not rs.eof do begin
    author := rs.field('author');
    count := rs.field('books');
    pages := rs.field('pages');
    write(author, ' ': 20 - length(author), count:6, pages:7);
    year := rs.field('first');
    write(year:7);
    year := rs.field('last');
    writeln(year:6);
    rs.movenext
  end;
  rs.close;
  writeln;

  writeln('The longest book of each century:');
  rs.open(c, 'select (year / 100 + 1) as century, title, max(pages) as pages from books ' +
             'group by century order by century');
  while not rs.eof do begin
    year := rs.field('century');
    title := rs.field('title');
    pages := rs.field('pages');
    writeln(year:4, 'th  ', title, ' (', pages:1, ' pages)');
    rs.movenext
  end;
  rs.close;
  dispose(rs);
  c.close;
  dispose(c)
end.
