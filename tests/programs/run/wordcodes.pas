program wordcodes(output);
{ The case statements of cases.pas compiled with 4-byte opcodes (-zw): jump tables and
  comparison chains, ranges, lists and otherwise parts. }
type
  day = (mon, tue, wed, thu, fri, sat, sun);
var
  d: day;
  c: char;
  i: integer;
  b: boolean;

function kind(c: char): integer;
begin
  case c of
    'a', 'e', 'i', 'o', 'u': kind := 1;
    'b'..'d', 'f'..'h', 'j'..'n', 'p'..'t', 'v'..'z': kind := 2;
    '0'..'9': kind := 3
    otherwise kind := 0
  end
end;

begin
  for d := mon to sun do
    case d of
      sat, sun: write('W');
      mon..fri: write('w')
    end;
  writeln;
  for c := 'a' to 'k' do write(kind(c):1);
  write(kind('7'):2, kind('?'):2);
  writeln;
  for i := -3 to 12 do
    case i of
      -3, -1: write('n');
      0: write('z');
      1..5: write('s');
      100000: write('never')
      else write('.')
    end;
  writeln;
  for b := false to true do
    case b of
      true: write('T');
      false: write('F')
    end;
  writeln;
  i := 7;
  case i * 2 of
    14: begin
          write('fourteen');
          case i of
            7: writeln(' seven')
          end
        end
  end
end.
