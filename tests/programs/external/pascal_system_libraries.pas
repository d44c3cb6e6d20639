program PascalSystemLibraries(output);
{ Routines of the system's own C library and mathematics library. }
type text40 = cstring[40];
function strlen(var s: text40): integer; cdecl; external 'libc.so.6';
function getpid: integer; external 'libc.so.6';
function libmcos(x: real): real; cdecl; external 'libm.so.6' name 'cos';
function sqrtf(x: single): single; external 'libm.so.6';
function labs(x: integer): integer; external 'libc.so.6' name 'abs';
var s: text40;
    x: real;
    i: integer;
begin
  s := 'strlen counts to the zero byte';
  writeln(strlen(s));
  writeln(getpid > 0, ' ', getpid = getpid);
  for i := 0 to 4 do begin
    x := i * 0.7 - 1.3;
    writeln(libmcos(x):1:15, ' ', cos(x):1:15, ' ', libmcos(x) = cos(x))
  end;
  writeln(sqrtf(2.25):1:3, ' ', labs(-17))
end.
