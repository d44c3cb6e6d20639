program allocreuse(output);
{ Blocks of many sizes are made with new and given back with dispose in a pseudo-random
  order, so freed blocks are reused again and again. Every new block must be undefined
  (all bytes 255) over its whole size, and every block must keep the bytes written into it
  until it is disposed: a block handed out twice, or a fill that runs past its block,
  changes some other block's bytes. }
{$V-}
const
  slots = 100;
  kinds = 12;
  maxbytes = 4100;
type
  bytes = array[1..maxbytes] of char;
  b1 = array[1..1] of char;
  b3 = array[1..3] of char;
  b4 = array[1..4] of char;
  b8 = array[1..8] of char;
  b13 = array[1..13] of char;
  b24 = array[1..24] of char;
  b63 = array[1..63] of char;
  b64 = array[1..64] of char;
  b65 = array[1..65] of char;
  b504 = array[1..504] of char;
  b520 = array[1..520] of char;
  b4100 = array[1..4100] of char;
  kind = 0..12;
  slot = record
    size, seed: integer;
    case kind of
      0: (raw: ^bytes);
      1: (p1: ^b1);
      2: (p3: ^b3);
      3: (p4: ^b4);
      4: (p8: ^b8);
      5: (p13: ^b13);
      6: (p24: ^b24);
      7: (p63: ^b63);
      8: (p64: ^b64);
      9: (p65: ^b65);
      10: (p504: ^b504);
      11: (p520: ^b520);
      12: (p4100: ^b4100)
  end;
var
  pool: array[1..slots] of slot;
  sizes: array[1..kinds] of integer;
  rnd, step, s, made, freed, badfill, badbytes: integer;

function random(n: integer): integer;
begin
  rnd := (rnd * 421 + 1663) mod 7875;
  random := rnd mod n
end;

function pattern(seed, i: integer): char;
begin
  pattern := chr((seed * 7 + i * 13) mod 256)
end;

procedure make(var x: slot; size: integer);
var i: integer;
begin
  x.size := size;
  x.seed := random(1000);
  case size of
    1: new(x.p1);
    3: new(x.p3);
    4: new(x.p4);
    8: new(x.p8);
    13: new(x.p13);
    24: new(x.p24);
    63: new(x.p63);
    64: new(x.p64);
    65: new(x.p65);
    504: new(x.p504);
    520: new(x.p520);
    4100: new(x.p4100)
  end;
  for i := 1 to size do
  begin
    if ord(x.raw^[i]) <> 255 then badfill := badfill + 1;
    x.raw^[i] := pattern(x.seed, i)
  end;
  made := made + 1
end;

procedure release(var x: slot);
var i: integer;
begin
  for i := 1 to x.size do
    if x.raw^[i] <> pattern(x.seed, i) then badbytes := badbytes + 1;
  dispose(x.raw);
  x.size := 0;
  freed := freed + 1
end;

begin
  sizes[1] := 1; sizes[2] := 3; sizes[3] := 4; sizes[4] := 8; sizes[5] := 13;
  sizes[6] := 24; sizes[7] := 63; sizes[8] := 64; sizes[9] := 65; sizes[10] := 504;
  sizes[11] := 520; sizes[12] := 4100;
  rnd := 1;
  made := 0; freed := 0; badfill := 0; badbytes := 0;
  for s := 1 to slots do pool[s].size := 0;
  for step := 1 to 3000 do
  begin
    s := random(slots) + 1;
    if pool[s].size = 0 then make(pool[s], sizes[random(kinds) + 1])
    else release(pool[s])
  end;
  for s := 1 to slots do
    if pool[s].size <> 0 then release(pool[s]);
  writeln('blocks made ', made:1, ', disposed ', freed:1);
  writeln('blocks not undefined when new: ', badfill:1);
  writeln('bytes changed while live: ', badbytes:1)
end.
