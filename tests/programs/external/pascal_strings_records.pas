program PascalStringsRecords(output);
{ Strings and cstrings handed to the library by reference, records by reference and by
  value, and records returned. }
type name = cstring[20];
     line = string[30];
     point = record x, y: integer; weight: real end;
     pair = record a, b: integer end;
     big = record v: array[1..6] of integer end;
function tx_length(var s: name): integer; external 'libtarnext.so';
procedure tx_upcase(var s: name); external 'libtarnext.so';
function tx_prefixed_length(var s: line): integer; external 'libtarnext.so';
procedure tx_move(var p: point; dx, dy: integer); external 'libtarnext.so';
function tx_pair_value(p: pair): integer; external 'libtarnext.so';
function tx_big_value(scale: integer; b: big): integer; external 'libtarnext.so';
function tx_make_pair(a, b: integer): pair; external 'libtarnext.so';
function tx_make_big(first: integer): big; external 'libtarnext.so';
var n: name;
    l: line;
    pt: point;
    pr: pair;
    bg: big;
    i: integer;
begin
  n := 'Tarn Pascal';
  writeln(tx_length(n));
  tx_upcase(n);
  writeln(n, ' ', length(n));
  n := '';
  writeln(tx_length(n));
  l := 'twelve chars';
  writeln(tx_prefixed_length(l));
  pt.x := 1; pt.y := 2; pt.weight := 0.75;
  tx_move(pt, 10, -20);
  writeln(pt.x, pt.y, pt.weight:6:2);
  pr.a := 12; pr.b := 34;
  writeln(tx_pair_value(pr));
  for i := 1 to 6 do bg.v[i] := i;
  writeln(tx_big_value(2, bg));
  pr := tx_make_pair(7, 8);
  writeln(pr.a, pr.b, ' ', tx_pair_value(tx_make_pair(5, 6)));
  bg := tx_make_big(3);
  for i := 1 to 6 do write(bg.v[i]:2);
  writeln;
  writeln(tx_big_value(1, tx_make_big(1)))
end.
