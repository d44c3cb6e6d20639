program FloatFault(output);
{ A floating-point division by zero inside the library is the run-time error of the same
  fault in the program. }
function tx_divide(a, b: real): real; external 'libtarnext.so';
begin
  writeln(tx_divide(1.0, 4.0):1:2);
  writeln(tx_divide(1.0, 0.0):1:2);
  writeln('not reached')
end.
