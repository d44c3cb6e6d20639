program CLibrary(output);
{ Calls routines of the C library and of the C mathematics library. A routine declared
  external lives in the shared library named after the directive; it is loaded when the
  routine is first called. "name" gives the routine's C name where the Pascal identifier
  differs, and a var parameter hands C a pointer to the variable. }
type message = cstring[80];
function strlen(var s: message): integer; cdecl; external 'libc.so.6';
function toupper(c: char): char; cdecl; external 'libc.so.6';
function getpid: integer; external 'libc.so.6';
function hypot(x, y: real): real; cdecl; external 'libm.so.6';
function power(x, y: real): real; cdecl; external 'libm.so.6' name 'pow';
function ccos(x: real): real; cdecl; external 'libm.so.6' name 'cos';
var m: message;
    i: integer;
begin
  m := 'Hello from the C library';
  writeln('strlen(''', m, ''') = ', strlen(m):1);
  for i := 1 to length(m) do m[i] := toupper(m[i]);
  writeln(m);
  writeln('process id ', getpid:1);
  writeln('hypot(3, 4) = ', hypot(3.0, 4.0):1:1, ', 2 ** 10 = ', power(2.0, 10.0):1:1);
  writeln('cos(1) from libm ', ccos(1.0):1:15, ', built in ', cos(1.0):1:15)
end.
