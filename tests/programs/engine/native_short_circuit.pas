program native_short_circuit(output);
{ Chains of and, or and not over every combination of three conditions: in if statements,
  in assignments, in a while condition, over elements of a boolean array, with a real
  comparison and a function call among the operands, at the program level and in a
  procedure with locals. One line per combination: a b c, then a digit per chain. }
var
  a, b, c, calls: integer;
  f: array [0..1] of boolean;

function odd1(v: integer): boolean;
begin
  calls := calls + 1;
  odd1 := v = 1
end;

procedure digit(cond: boolean);
begin
  if cond then write('1') else write('0')
end;

procedure chains;
var n: integer; x: real; r: boolean;
begin
  digit((a > 0) and (b > 0) and (c > 0));
  digit((a > 0) or (b > 0) or (c > 0));
  digit(not ((a > 0) or (b > 0)) and (c > 0));
  if ((a > 0) and (b > 0)) or (c > 0) then write('1') else write('0');
  if (a > 0) and ((b > 0) or (c > 0)) then write('1') else write('0');
  r := (a > 0) and (b > 0) or not (c > 0);
  digit(r);
  n := 0;
  while (n < 3) and ((a + n > 1) or (b > 0)) do n := n + 1;
  write(n:1);
  x := a * 0.5;
  if (x > 0.25) and (b = 1) or (x < 0.0) or (c = 1) and not (x = 0.5) then write('1') else write('0');
  if f[a] and f[b] and not f[c] then write('1') else write('0');
  if not f[a] or f[b] and f[c] then write('1') else write('0');
  calls := 0;
  if odd1(a) and odd1(b) or odd1(c) then write('1') else write('0');
  write(' ', calls:1)
end;

begin
  f[0] := false;
  f[1] := true;
  for a := 0 to 1 do
    for b := 0 to 1 do
      for c := 0 to 1 do
      begin
        write(a:1, b:1, c:1, ' ');
        chains;
        write(' ');
        { the same chains at the program level }
        digit((a > 0) and (b > 0) and (c > 0));
        if (a > 0) or (b > 0) or (c > 0) then write('1') else write('0');
        if not ((a > 0) and (b > 0)) then write('1') else write('0');
        writeln
      end
end.
