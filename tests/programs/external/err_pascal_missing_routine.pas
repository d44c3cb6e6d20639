program MissingRoutine(output);
{ A routine the library does not hold, by its name nor with a leading underscore; the
  routine before it in the same library works. }
function tx_last: integer; external 'libtarnext.so';
function tx_nothing(a: integer): integer; cdecl; external 'libtarnext.so';
begin
  writeln(tx_last);
  writeln(tx_nothing(1));
  writeln('not reached')
end.
