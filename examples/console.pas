{ The console routines: colours, clearing the screen and placing the cursor. In tpidew's
  console window (Project, Run) or on a terminal; written to a file or a pipe they write
  nothing but the text. }
program console(output);

var
  c: integer;

begin
  clrscr;
  textcolor(14);
  writeln('Tarn Pascal console routines');
  textcolor(7);
  writeln;
  for c := 1 to 7 do
  begin
    textcolor(c + 8);
    write('colour ', c + 8:2, '  ')
  end;
  writeln;
  textcolor(15);
  textbackground(1);
  write(' white on blue ');
  textbackground(0);
  writeln;
  textcolor(10);
  gotoxy(20, 7);
  write('gotoxy(20, 7) puts this text here');
  textcolor(7);
  gotoxy(1, 9);
  writeln('Done.')
end.
