program MissingLibrary(output);
{ A library that is not there: the run stops at the first call with the loader's reason. }
procedure tx_remember(a: integer); external 'libtarn-missing.so';
begin
  writeln('before the call');
  tx_remember(1);
  writeln('not reached')
end.
