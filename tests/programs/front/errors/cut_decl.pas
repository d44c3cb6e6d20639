program cutdecl(output);
const
  limit = 10;
var
  a, b: integer;
  c: array[1..limit] of
