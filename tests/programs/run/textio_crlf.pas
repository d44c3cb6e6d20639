program textio_crlf(input, output);
{ Input with CR-LF line ends, carriage returns inside a line and one before the end of the
  file: text reads drop every carriage return, so eoln sees the line feed behind them and
  characters and strings never hold one. I/O errors are not trapped. }
{$I-}
var
  i, j, n, r: integer;
  c: char;
  s: string[60];
  t: string[5];

{ eoln, the error it left, then eof; each read before anything is written, since every
  file operation (a write too) clears the pending error. }
procedure state(what: string);
var
  atEnd, atEof: boolean;
  r: integer;
begin
  atEnd := eoln;
  r := ioresult;
  atEof := eof;
  writeln(what, ': eoln ', ord(atEnd):1, ' ioresult ', r:1, ' eof ', ord(atEof):1)
end;

procedure chars;
begin
  n := 0;
  s := '';
  while not eoln do
  begin
    read(c);
    str(ord(c):1, t);
    s := s + t + ' ';
    n := n + 1
  end;
  r := ioresult;
  writeln('chars ', s, '(', n:1, ') ioresult ', r:1)
end;

begin
  read(i, j);
  writeln('numbers ', i:1, ' ', j:1);
  state('after 12 34');
  readln;
  read(s);
  writeln('string ', length(s):1, ' [', s, ']');
  state('after abc');
  readln;
  chars;
  readln;
  state('empty line');
  readln;
  read(i);
  writeln('number ', i:1);
  state('after -5 and two carriage returns');
  readln;
  read(i);
  chars;
  writeln('number ', i:1);
  readln;
  chars;
  state('last line');
  readln;
  state('after the last readln')
end.
