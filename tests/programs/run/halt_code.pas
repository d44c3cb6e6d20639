program halt_code(output);
{ halt with a value ends the run with that exit code; nothing after it runs. }
procedure stop(code: integer);
begin
  writeln('stopping with ', code:1);
  halt(code)
end;

begin
  stop(42);
  writeln('not reached')
end.
