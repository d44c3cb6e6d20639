program routines(output);
type
  vec = array[1..3] of integer;
  rec = record a: integer end;
  prec = packed record flag: boolean; n: integer end;
  vrec = record case tag: boolean of true: (i: integer); false: (r: real) end;
var
  g: integer;
  pr: prec;
  vr: vrec;
  taken: integer;
function twice(x: integer): integer; forward;
function other: integer; forward;
procedure other;
begin
end;
function twice;
begin
  twice := 2 * x
end;
function realarg(x: real): integer;
begin
  realarg := trunc(x)
end;
procedure byref(var n: integer);
begin
  n := n + 1
end;
procedure apply(function h(a: integer): integer; var n: integer);
begin
  n := h(n)
end;
procedure vecarg(v: vec); external 'libv.so';
procedure nolib(n: integer); external;
procedure procparm(procedure q); external 'libq.so';
function byvec(var v: vec): integer; external 'libv.so' name 'by_vec' cdecl;
function recresult: rec; external 'libr.so';
procedure taken;
begin
end;
procedure ;
begin
end;
begin
  g := 1;
  apply(twice, g);
  apply(byref, g);
  apply(realarg, g);
  apply(ord, g);
  byref(3);
  byref(pr.n);
  byref(vr.tag);
  twice := 3;
  g := other
end.
