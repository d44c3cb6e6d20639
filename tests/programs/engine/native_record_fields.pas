program recordfields(output);
{ Fields of global records at constant offsets, read and written in loops: such a field is
  kept in a register like a plain global (pinned through a loop that only counts, its stores
  kept in the register), while other ways to the same words (a pointer to the record, the
  other view of a variant record, an array of records indexed at run time) still see every
  store, and every store through them is seen. }
type
  stats = record tag, count, total, last: integer; mean: real end;
  pstats = ^stats;
  view = record
    case integer of
      0: (s: stats);
      1: (w: array [1..4] of integer)
  end;
var
  st: stats;
  arr: array [1..3] of stats;
  v: view;
  p: pstats;
  i, j, k, seen: integer;
begin
  st.tag := 7; st.count := 0; st.total := 0; st.last := -1; st.mean := 0;
  j := 0;
  for i := 1 to 1000 do
  begin
    st.count := st.count + 1;
    st.total := st.total + j;
    j := j + 1;
    if j = 13 then begin j := 0; st.last := i end
  end;
  st.mean := st.total / st.count;
  writeln(st.tag:1, ' ', st.count:1, ' ', st.total:1, ' ', st.last:1, ' ', st.mean:8:4);

  { the same words through a pointer, inside the loop }
  p := ptr(addr(st));
  seen := 0;
  j := 0;
  for i := 1 to 40 do
  begin
    st.count := st.count + 2;
    j := j + 1;
    if j = 4 then begin j := 0; p^.count := p^.count - 1 end;
    seen := seen + p^.count + st.count
  end;
  writeln(st.count:1, ' ', p^.count:1, ' ', seen:1);

  { the same words through the other view of a variant record }
  seen := 0;
  i := 0;
  j := 0;
  v.s.total := 0;
  while i < 50 do
  begin
    i := i + 1;
    v.s.count := i;
    v.s.total := v.s.total + v.s.count;
    j := j + 1;
    if j = 5 then begin j := 0; v.w[2] := v.w[2] + 100 end;  { count }
    seen := seen + v.s.count
  end;
  writeln(v.s.count:1, ' ', v.s.total:1, ' ', seen:1);

  { fields of array elements: a constant and a computed index to the same words }
  for k := 1 to 3 do begin arr[k].count := 0; arr[k].total := k end;
  k := 1;
  for i := 1 to 30 do
  begin
    arr[2].count := arr[2].count + 1;
    arr[k].total := arr[k].total + arr[2].count;
    k := k + 1;
    if k > 3 then k := 1
  end;
  for k := 1 to 3 do write(arr[k].count:1, ' ', arr[k].total:1, ' ');
  writeln
end.
