program float_extremes(output);
{ SQL arithmetic that overflows or underflows runs inside the driver without stopping the
  program (which runs with floating-point traps on), and its results read back: an
  infinity, numbers below the smallest normal real, and NULL for a division by zero. }
var
  c: connection;
  rs: recordset;
  x, twice: real;
begin
  new(c);
  c.open('ODBC;DRIVER=SQLite3;Database=float.db');
  c.execute('create table f(id integer, x real)');
  c.execute('insert into f values(1, 1e308 * 10)');
  c.execute('insert into f values(2, 1e-320)');
  c.execute('insert into f values(3, 1e-300 * 1e-300)');
  c.execute('insert into f values(4, 1.0 / 0)');
  new(rs);
  rs.open(c, 'select id, x, x * 2 as twice from f order by id');
  while not rs.eof do begin
    write(rs.field('id'), ': ');
    if isnull(rs.field('x')) then
      writeln('null')
    else begin
      x := rs.field('x');
      twice := rs.field('twice');
      writeln('above 1e308 ', x > 1e308, ', positive ', x > 0, ', below 1e-307 ', x < 1e-307,
              ', twice above x ', twice > x)
    end;
    rs.movenext
  end;
  rs.close;
  c.close
end.
