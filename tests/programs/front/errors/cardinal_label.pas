{ A number too large for a label, written where a label could stand after a statement
  that lacks its semicolon: one message, and the parser moves on (it once stood still). }
program cardinallabel;
var g: integer;
begin
  g := 1
  3000000000: g := 1
end.
