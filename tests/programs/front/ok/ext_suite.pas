{ The extensions, each with the option that enables it on (the defaults): strings and
  cstrings, concatenation, otherwise/else in case, case ranges, and_then/or_else, bit
  operators, binary and hexadecimal literals, non-numeric labels, relaxed declarations,
  declarations before the heading, external routines, lists, word types, double-quoted
  literals, underscores in identifiers and directives. }
const
  version_number = 26;
type
  shortname = string[8];
function c_abs(n: integer): integer; external 'libc.so.6' name 'abs' cdecl;
program extsuite(output);
label again, finished;
var
  s: string[40];
  long_text: string[300];
  short: shortname;
  cs: cstring[16];
  w: word;
  by: byte;
  si: shortint;
  sw: shortword;
  i, n: integer;
  ch: char;
  ok: boolean;
  nums: list of integer;
  r: single;
  d: double;
const
  mask = $FF;
  bits = %1010;
  huge = 3000000000;
type
  colour = (red, green, blue);
var
  c: colour;

function initials(a, b: string): string;
begin
  initials := a[1] + b[1]
end;

procedure report(msg: string; value: integer);
begin
  writeln(msg, ': ', value)
end;

begin
  {$R-}
  w := huge;
  {$R.}
  by := 200; si := -5; sw := 60000;
  n := mask and bits or (w shr 28) xor (by shl 1);
  s := 'Tarn' + ' ' + "Pascal";
  short := copy(s, 1, 4);
  long_text := s + s + s;
  cs := 'c-string';
  ch := s[1];
  s := initials(s, short) + ch;
  if (length(s) > 0) and_then (s[1] = 'T') or_else (n < 0) then ok := true else ok := false;
  i := 0;
again:
  i := i + 1;
  if i < 3 then goto again;
  for c := red to blue do
    case c of
      red..green: n := n + 1
    otherwise
      n := n - 1
    end;
  case ch of
    'A'..'Z': n := n + 2;
    'a'..'z', '0'..'9': n := n + 3
    else n := 0
  end;
  r := 1.5; d := r * 2;
  report('version', version_number);
  report('abs', c_abs(si));
  writeln(s, ' ', short, ' ', cs, ' ', long_text, ' ', w, ' ', by, ' ', sw, ' ', ok, ' ',
          r: 4: 1, ' ', d: 4: 1, ' ', n, ' ', i, ' ', nums[1]);
  goto finished;
finished:
  writeln('ok')
end.
