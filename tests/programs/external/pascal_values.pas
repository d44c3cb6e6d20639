program PascalValues(output);
{ Value parameters and results of every scalar class, called in the test library. }
type colour = (red, green, blue);
function tx_ordinals(a, b, c: integer): integer; cdecl; external 'libtarnext.so';
function negate(a: integer): integer; external 'libtarnext.so' name 'tx_negate';
function tx_next_char(c: char): char; external 'libtarnext.so';
function nextbyte(b: byte): byte; external 'libtarnext.so' name 'tx_next_char';
function tx_reals(x, y: real): real; stdcall; external dll 'libtarnext.so';
function tx_single(x: single): single; external 'libtarnext.so';
function tx_mixed(a: integer; b: real; c: single; d: integer): real; external 'libtarnext.so';
function tx_decorated(a: integer): integer; external 'libtarnext.so';
function succcolour(c: colour): colour; external 'libtarnext.so' name 'tx_decorated';
procedure tx_remember(a: integer); external 'libtarnext.so';
function tx_last: integer; external 'libtarnext.so';
var s: single;
    c: colour;
begin
  writeln(tx_ordinals(1, 2, 3), ' ', tx_ordinals(-1, 0, 99));
  writeln(negate(-5), ' ', negate(maxint));
  writeln(tx_next_char('a'), tx_next_char('Y'), ' ', nextbyte(65), ' ', nextbyte(255));
  writeln(tx_reals(1.5, 0.25):1:3);
  s := tx_single(5.0);
  writeln(s:1:2, ' ', tx_single(-3.0):1:2, ' ', tx_single(1.0) + 1:1:2);
  writeln(tx_mixed(1, 2.0, 3.0, 4):1:1);
  writeln(tx_decorated(41));
  c := succcolour(green);
  writeln(ord(c), ' ', c = blue);
  tx_remember(77);
  writeln(tx_last);
  tx_remember(-1);
  writeln(tx_last + tx_ordinals(0, 0, 1))
end.
