{ With parentheses required, the predefined routines without arguments and the connection
  and recordset members without arguments are called with empty parentheses. }
program builtinsparens(input, output);
var
  r: real;
  i: integer;
  c: char;
  b: boolean;
  s: string;
  con: connection;
  rs: recordset;
procedure nothing();
begin
end;
function one(): integer;
begin
  one := 1
end;
begin
  writeln(); readln(); page(); clrscr(); randomize(); dumpstack();
  r := random(); r := pi(); i := ioresult(); i := getlasterror(); i := paramcount();
  s := dirsep(); b := keypressed(); c := readkey(); i := platform(); i := stackframe();
  i := stacktop(); b := unixplatform(); i := version(); i := wherex(); i := wherey();
  i := stopserviceevent(); b := eof(); b := eoln();
  nothing(); i := one();
  new(con); new(rs);
  con.open('dsn'); s := con.dbmsname(); b := con.readonly(); i := con.transsupport();
  rs.open(con, 'select 1'); b := rs.eof(); s := rs.field('id');
  rs.movenext(); rs.moreresults(); rs.close(); con.close();
  dispose(rs); dispose(con);
  writeln(r, i, c, b, s);
  halt()
end.
