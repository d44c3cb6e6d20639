program consttypes(output);
var
  v: integer;
type
  color = (red, green, blue);
  letters = 'a'..'c';
  digits = 1..3;
const
  selfref = selfref;
  negword = -3000000000;
  negchar = -'x';
  negenum = -red;
  negstr = +'abc';
  fromvar = x;
type
  down = 10..1;
  realrange = 1.0..2.0;
  mixed = 1..'z';
  psub = packed 1..5;
  pptr = packed ^integer;
  huge = string[2000000];
  badlen = string['a'];
  realindex = array[real] of integer;
  wide = array[integer] of char;
  toobig = array[1..1000000000] of real;
  realset = set of real;
  wordset = set of word;
  filefile = file of text;
  notype = v;
  halfvariant = record case b: boolean of true: (i: integer) end;
  twice = record case c: letters of 'a', 'b': (); 'a', 'c': () end;
  outside = record case k: digits of 1, 2, 3: (); 4: () end;
  realtag = record case r: real of 1: () end;
var
  x: integer;
begin
  v := 1
end.
