{ Mini: a compiler for a small Pascal subset and the stack machine that runs its code,
  written in standard Pascal.

  The standard input holds the source texts of Mini programs, each introduced by a line
  that starts with %% (the rest of that line is the program's title; a title that starts
  with "list" also asks for a listing of the code).  For each program the compiler
  checks the text, reports the first error with its line and column and a caret under
  the source, or else generates code for the stack machine.  The code is written to a
  scratch file of instruction records and loaded back from it (a check of the object
  form), then run; the program's output follows, with the number of instructions the
  machine executed.

  The Mini language: constants, integer and boolean variables, arrays of them with
  constant bounds, procedures and functions with value and var parameters, nested to
  any depth with access to the variables of enclosing routines, recursion; the
  statements :=, if, while, repeat, for (to and downto), begin ... end, procedure calls,
  write and writeln with strings and field widths, and halt; expressions with the
  Pascal operators and priorities, odd, abs and sqr.

  The machine checks integer overflow, division by zero, array bounds, the depth of the
  stack and the number of steps, and reports each as a run-time error of the Mini
  program.

  The program is standard Pascal and is compiled with the extensions off (tpc -E-):
  it uses list as an ordinary identifier, which the extended language reserves.

  Every integer and boolean is written with an explicit field width.  The expected
  output was checked against a second compiler (Free Pascal in ISO mode, fpc -Miso),
  which writes the same text byte for byte. }
program minipas(input, output);

label
  90;

const
  alfalen = 10;
  maxcol = 100;
  maxlines = 120;
  maxcode = 2000;
  maxstack = 3000;
  maxlevel = 8;
  maxstrings = 4000;
  maxsteps = 50000;
  maxwidth = 40;
  nkeywords = 29;
  blank = '          ';

type
  alfa = packed array[1..alfalen] of char;
  column = 0..maxcol;
  sourceline = record
                 len: column;
                 text: packed array[1..maxcol] of char
               end;

  symbol = (sident, snumber, sstring, splus, sminus, stimes, sdiv, smod, sand, sor,
            snot, seql, sneq, slss, sleq, sgtr, sgeq, slparen, srparen, slbrack,
            srbrack, scomma, ssemicolon, scolon, sbecomes, speriod, sdotdot,
            sprogram, sconst, svar, sprocedure, sfunction, sbegin, send, sif, sthen,
            selse, swhile, sdo, srepeat, suntil, sfor, sto, sdownto, sarray, sof,
            sinteger, sboolean, strue, sfalse, swrite, swriteln, shalt, sodd, sabs,
            ssqr, seof, snone);

  basetype = (tint, tbool, tnone);

  opcode = (olit, olod, osto, olda, oldi, osti, oidx, ocal, oret, oent, ojmp, ojpc,
            oadd, osub, omul, odiv, omod, oneg, oeql, oneq, olss, oleq, ogtr, ogeq,
            oand, oor, onot, oodd, oabs, osqr, owri, owrb, owrs, owrl, ohlt);
  levelrange = 0..maxlevel;
  address = 0..maxcode;

  instr = record
            line: integer;
            case op: opcode of
              olit: (value: integer);
              olod, osto, olda: (level: levelrange; offset: integer);
              ocal: (calllevel: levelrange; target: address);
              oret: (nargs: integer);
              oent: (size: integer);
              ojmp, ojpc: (dest: address);
              oidx: (lo, hi: integer);
              owri, owrb: (width: integer);
              owrs: (strstart, strlen: integer);
              oldi, osti, oadd, osub, omul, odiv, omod, oneg, oeql, oneq, olss, oleq,
              ogtr, ogeq, oand, oor, onot, oodd, oabs, osqr, owrl, ohlt: ()
          end;

  idkind = (kconst, kvar, kproc, kfunc);

  paramlink = ^paramdesc;
  paramdesc = record
                pnext: paramlink;
                ptype: basetype;
                parray: boolean;
                plo, phi: integer;
                pbyref: boolean
              end;

  symlink = ^symentry;
  symentry = record
               name: alfa;
               snext: symlink;       { the next symbol of the same scope }
               level: levelrange;
               case kind: idkind of
                 kconst: (cval: integer; ctype: basetype);
                 kvar: (vtype: basetype; isarray: boolean; lo, hi: integer;
                        vaddr: integer; byref: boolean);
                 kproc, kfunc: (entry: address; nparams: integer; params: paramlink;
                                rtype: basetype; defined: boolean)
             end;

  codefile = file of instr;

  errorcode = (eundeclared, eduplicate, eexpected, etype, enotvar, enotproc, eargs,
               eindex, econst, etoolong, ecode, elevel, estring, enumber, echar,
               ebounds, evarparam, earrayparam, enotarray);

  runerror = (rnone, rdivzero, rindex, roverflow, rstack, rsteps, rhalt);

var
  src: array[1..maxlines] of sourceline;
  nlines: 0..maxlines;
  title, thistitle: sourceline;
  listing: boolean;
  pending: boolean;           { a %% line was read and starts the next program }
  programs, compiled, failed: integer;

  { scanner }
  lineno: integer;
  col: integer;
  ch: char;
  sym: symbol;
  symline, symcol: integer;
  errname: alfa;              { the name an undeclared or duplicate error is about }
  idname: alfa;
  numval: integer;
  strfirst, strcount: integer;
  keywords: array[1..nkeywords] of alfa;
  keysyms: array[1..nkeywords] of symbol;
  letters, digits: set of char;

  { code and strings }
  code: array[address] of instr;
  cx: integer;
  lastlabel: integer;
  strings: packed array[1..maxstrings] of char;
  nstrings: integer;
  objfile: codefile;

  { symbol table: one chain per scope level }
  scopes: array[levelrange] of symlink;
  curlevel: integer;
  livesyms, livesymsmax: integer;
  dataoffset: array[levelrange] of integer;

  { machine }
  stack: array[1..maxstack] of integer;
  steps: integer;

{ ------------------------------------------------------------ text helpers }

procedure writealfa(a: alfa);
var
  i: integer;
begin
  for i := 1 to alfalen do
    if a[i] <> ' ' then write(a[i])
end;

procedure writeline(var l: sourceline);
var
  i: integer;
begin
  for i := 1 to l.len do write(l.text[i])
end;

function startswith(var l: sourceline; a: alfa; n: integer): boolean;
var
  i: integer;
  ok: boolean;
begin
  ok := l.len >= n;
  i := 1;
  while ok and (i <= n) do
  begin
    if l.text[i] <> a[i] then ok := false;
    i := i + 1
  end;
  startswith := ok
end;

{ ------------------------------------------------------------ reading programs }

procedure readsourceline(var l: sourceline);
var
  c: char;
begin
  l.len := 0;
  while not eoln do
  begin
    read(c);
    if l.len < maxcol then
    begin
      l.len := l.len + 1;
      l.text[l.len] := c
    end
  end;
  readln
end;

{ Reads the lines of one program, up to the next %% line or the end of the input. The
  %% line itself becomes the title of the program after this one. }
procedure readprogram;
var
  l: sourceline;
  done: boolean;
  i: integer;
begin
  nlines := 0;
  done := false;
  while not done do
    if eof then
    begin
      done := true;
      pending := false
    end
    else
    begin
      readsourceline(l);
      if startswith(l, '%%        ', 2) then
      begin
        done := true;
        pending := true;
        { the title is the text after %% and one blank }
        title.len := 0;
        for i := 4 to l.len do
        begin
          title.len := title.len + 1;
          title.text[title.len] := l.text[i]
        end
      end
      else if nlines < maxlines then
      begin
        nlines := nlines + 1;
        src[nlines] := l
      end
    end
end;

{ ------------------------------------------------------------ errors }

procedure error(e: errorcode);
var
  i: integer;
begin
  write('  error at ', symline:1, ':', symcol:1, ': ');
  case e of
    eundeclared:
      begin
        write('undeclared identifier ');
        writealfa(errname)
      end;
    eduplicate:
      begin
        write('identifier declared twice: ');
        writealfa(errname)
      end;
    eexpected:   write('unexpected symbol');
    etype:       write('type mismatch');
    enotvar:     write('variable expected');
    enotproc:    write('procedure expected');
    eargs:       write('wrong number of arguments');
    eindex:      write('array index expected');
    econst:      write('constant expected');
    etoolong:    write('program too long');
    ecode:       write('too much code');
    elevel:      write('routines nested too deeply');
    estring:     write('string not closed');
    enumber:     write('number too large');
    echar:       write('illegal character');
    ebounds:     write('bad array bounds');
    evarparam:   write('variable needed for var parameter');
    earrayparam: write('arrays are passed as var parameters');
    enotarray:   write('not an array')
  end;
  writeln;
  if (symline >= 1) and (symline <= nlines) then
  begin
    write('    ');
    writeline(src[symline]);
    writeln;
    write('    ');
    for i := 2 to symcol do write(' ');
    writeln('^')
  end;
  failed := failed + 1;
  goto 90
end;

{ The error e at a position other than the current symbol's. }
procedure errorat(e: errorcode; l, c: integer);
begin
  symline := l;
  symcol := c;
  error(e)
end;

{ ------------------------------------------------------------ scanner }

procedure nextch;
begin
  if lineno > nlines then
    ch := chr(0)
  else if col > src[lineno].len then
  begin
    ch := ' ';
    lineno := lineno + 1;
    col := 1
  end
  else
  begin
    ch := src[lineno].text[col];
    col := col + 1
  end
end;

function endofsource: boolean;
begin
  endofsource := lineno > nlines
end;

procedure getsym;
var
  i, k: integer;
  found: boolean;
  closed: boolean;
begin
  { blanks and comments in braces }
  repeat
    while (ch = ' ') and not endofsource do nextch;
    if ch = '{' then
    begin
      while (ch <> '}') and not endofsource do nextch;
      nextch
    end
  until (ch <> ' ') or endofsource;
  symline := lineno;
  symcol := col - 1;
  if endofsource then
    sym := seof
  else if ch in letters then
  begin
    idname := blank;
    k := 0;
    repeat
      k := k + 1;
      if k <= alfalen then idname[k] := ch;
      nextch
    until not ((ch in letters) or (ch in digits)) or (col = 1);
    sym := sident;
    found := false;
    i := 1;
    while (i <= nkeywords) and not found do
      if keywords[i] = idname then
      begin
        sym := keysyms[i];
        found := true
      end
      else
        i := i + 1
  end
  else if ch in digits then
  begin
    numval := 0;
    sym := snumber;
    repeat
      if numval > (maxint - (ord(ch) - ord('0'))) div 10 then error(enumber);
      numval := numval * 10 + (ord(ch) - ord('0'));
      nextch
    until not (ch in digits) or (col = 1)
  end
  else if ch = '''' then
  begin
    sym := sstring;
    strfirst := nstrings + 1;
    strcount := 0;
    closed := false;
    nextch;
    repeat
      if col = 1 then error(estring);
      if ch = '''' then
      begin
        nextch;
        if (ch = '''') and (col <> 1) then
        begin
          nextch;
          nstrings := nstrings + 1;
          strings[nstrings] := '''';
          strcount := strcount + 1
        end
        else
          closed := true
      end
      else
      begin
        if nstrings >= maxstrings then error(etoolong);
        nstrings := nstrings + 1;
        strings[nstrings] := ch;
        strcount := strcount + 1;
        nextch
      end
    until closed
  end
  else if not (ch in ['+', '-', '*', '(', ')', '[', ']', ',', ';', '=', ':', '<', '>',
                      '.']) then
    error(echar)
  else
  begin
    case ch of
      '+': sym := splus;
      '-': sym := sminus;
      '*': sym := stimes;
      '(': sym := slparen;
      ')': sym := srparen;
      '[': sym := slbrack;
      ']': sym := srbrack;
      ',': sym := scomma;
      ';': sym := ssemicolon;
      '=': sym := seql;
      ':', '<', '>', '.': sym := snone
    end;
    if sym <> snone then
      nextch
    else if ch = ':' then
    begin
      nextch;
      if (ch = '=') and (col <> 1) then
      begin
        sym := sbecomes;
        nextch
      end
      else
        sym := scolon
    end
    else if ch = '<' then
    begin
      nextch;
      sym := slss;
      if col <> 1 then
        if ch = '=' then
        begin
          sym := sleq;
          nextch
        end
        else if ch = '>' then
        begin
          sym := sneq;
          nextch
        end
    end
    else if ch = '>' then
    begin
      nextch;
      sym := sgtr;
      if (ch = '=') and (col <> 1) then
      begin
        sym := sgeq;
        nextch
      end
    end
    else
    begin
      nextch;
      sym := speriod;
      if (ch = '.') and (col <> 1) then
      begin
        sym := sdotdot;
        nextch
      end
    end
  end
end;

procedure expect(s: symbol);
begin
  if sym <> s then error(eexpected);
  getsym
end;

procedure initkeywords;

  procedure key(n: integer; a: alfa; s: symbol);
  begin
    keywords[n] := a;
    keysyms[n] := s
  end;

begin
  key(1, 'div       ', sdiv);
  key(2, 'mod       ', smod);
  key(3, 'and       ', sand);
  key(4, 'or        ', sor);
  key(5, 'not       ', snot);
  key(6, 'program   ', sprogram);
  key(7, 'const     ', sconst);
  key(8, 'var       ', svar);
  key(9, 'procedure ', sprocedure);
  key(10, 'function  ', sfunction);
  key(11, 'begin     ', sbegin);
  key(12, 'end       ', send);
  key(13, 'if        ', sif);
  key(14, 'then      ', sthen);
  key(15, 'else      ', selse);
  key(16, 'while     ', swhile);
  key(17, 'do        ', sdo);
  key(18, 'repeat    ', srepeat);
  key(19, 'until     ', suntil);
  key(20, 'for       ', sfor);
  key(21, 'to        ', sto);
  key(22, 'downto    ', sdownto);
  key(23, 'array     ', sarray);
  key(24, 'of        ', sof);
  key(25, 'integer   ', sinteger);
  key(26, 'boolean   ', sboolean);
  key(27, 'true      ', strue);
  key(28, 'false     ', sfalse);
  key(29, 'write     ', swrite)
end;

{ writeln, halt, odd, abs and sqr are predeclared identifiers rather than keywords. }
function predeclared(n: alfa): symbol;
begin
  if n = 'writeln   ' then predeclared := swriteln
  else if n = 'halt      ' then predeclared := shalt
  else if n = 'odd       ' then predeclared := sodd
  else if n = 'abs       ' then predeclared := sabs
  else if n = 'sqr       ' then predeclared := ssqr
  else predeclared := sident
end;

{ ------------------------------------------------------------ symbol table }

procedure openscope;
begin
  if curlevel = maxlevel then error(elevel);
  curlevel := curlevel + 1;
  scopes[curlevel] := nil;
  dataoffset[curlevel] := 3
end;

procedure freeparams(p: paramlink);
var
  q: paramlink;
begin
  while p <> nil do
  begin
    q := p^.pnext;
    dispose(p);
    p := q
  end
end;

procedure freesym(s: symlink);
begin
  livesyms := livesyms - 1;
  case s^.kind of
    kconst: dispose(s, kconst);
    kvar: dispose(s, kvar);
    kproc:
      begin
        freeparams(s^.params);
        dispose(s, kproc)
      end;
    kfunc:
      begin
        freeparams(s^.params);
        dispose(s, kfunc)
      end
  end
end;

procedure closescope;
var
  s, t: symlink;
begin
  s := scopes[curlevel];
  while s <> nil do
  begin
    t := s^.snext;
    freesym(s);
    s := t
  end;
  scopes[curlevel] := nil;
  curlevel := curlevel - 1
end;

function lookuplevel(n: alfa; l: integer): symlink;
var
  s: symlink;
  found: boolean;
begin
  s := scopes[l];
  found := false;
  while (s <> nil) and not found do
    if s^.name = n then found := true else s := s^.snext;
  lookuplevel := s
end;

{ The innermost declaration of n, or nil. }
function find(n: alfa): symlink;
var
  l: integer;
  s: symlink;
begin
  s := nil;
  l := curlevel;
  while (s = nil) and (l >= 0) do
  begin
    s := lookuplevel(n, l);
    l := l - 1
  end;
  find := s
end;

function lookup(n: alfa): symlink;
var
  s: symlink;
begin
  s := find(n);
  if s = nil then
  begin
    errname := n;
    error(eundeclared)
  end;
  lookup := s
end;

procedure enter(s: symlink; n: alfa);
begin
  if lookuplevel(n, curlevel) <> nil then
  begin
    dispose(s);
    errname := n;
    error(eduplicate)
  end;
  s^.name := n;
  s^.level := curlevel;
  s^.snext := scopes[curlevel];
  scopes[curlevel] := s;
  livesyms := livesyms + 1;
  if livesyms > livesymsmax then livesymsmax := livesyms
end;

function newconst(n: alfa; v: integer; t: basetype): symlink;
var
  s: symlink;
begin
  new(s, kconst);
  s^.kind := kconst;
  s^.cval := v;
  s^.ctype := t;
  enter(s, n);
  newconst := s
end;

function newvar(n: alfa; t: basetype; arr: boolean; l, h: integer; ref: boolean): symlink;
var
  s: symlink;
begin
  new(s, kvar);
  with s^ do
  begin
    kind := kvar;
    vtype := t;
    isarray := arr;
    lo := l;
    hi := h;
    byref := ref;
    vaddr := 0
  end;
  enter(s, n);
  newvar := s
end;

function newroutine(n: alfa; isfunc: boolean): symlink;
var
  s: symlink;
begin
  if isfunc then
  begin
    new(s, kfunc);
    s^.kind := kfunc
  end
  else
  begin
    new(s, kproc);
    s^.kind := kproc
  end;
  with s^ do
  begin
    entry := 0;
    nparams := 0;
    params := nil;
    rtype := tnone;
    defined := false
  end;
  enter(s, n);
  newroutine := s
end;

{ ------------------------------------------------------------ code emission }

procedure gen(o: opcode);
begin
  if cx >= maxcode then error(ecode);
  code[cx].op := o;
  code[cx].line := symline;
  cx := cx + 1
end;

procedure genlit(v: integer);
begin
  gen(olit);
  code[cx - 1].value := v
end;

procedure genaddr(o: opcode; l, a: integer);
begin
  gen(o);
  code[cx - 1].level := l;
  code[cx - 1].offset := a
end;

procedure genjump(o: opcode; d: integer);
begin
  gen(o);
  code[cx - 1].dest := d
end;

{ The current address as the target of a jump: no folding reaches back over it. }
function here: integer;
begin
  lastlabel := cx;
  here := cx
end;

procedure patch(at: integer);
begin
  code[at].dest := here
end;

{ Folds an operator applied to two literals just emitted into one literal, when the
  result is defined and no jump lands between them. }
function folded(o: opcode): boolean;
var
  a, b, r: integer;
  ok: boolean;
begin
  ok := false;
  if (cx - 2 >= lastlabel) and (cx >= 2) then
    if (code[cx - 1].op = olit) and (code[cx - 2].op = olit) then
    begin
      a := code[cx - 2].value;
      b := code[cx - 1].value;
      ok := true;
      case o of
        oadd:
          if ((b > 0) and (a > maxint - b)) or ((b < 0) and (a < -maxint - b)) then
            ok := false
          else r := a + b;
        osub:
          if ((b < 0) and (a > maxint + b)) or ((b > 0) and (a < -maxint + b)) then
            ok := false
          else r := a - b;
        omul:
          if (a <> 0) and (b <> 0) then
          begin
            if abs(a) > maxint div abs(b) then ok := false else r := a * b
          end
          else r := 0;
        odiv: if b = 0 then ok := false else r := a div b;
        omod: if b <= 0 then ok := false else r := a mod b;
        oeql: r := ord(a = b);
        oneq: r := ord(a <> b);
        olss: r := ord(a < b);
        oleq: r := ord(a <= b);
        ogtr: r := ord(a > b);
        ogeq: r := ord(a >= b);
        oand: r := ord((a <> 0) and (b <> 0));
        oor: r := ord((a <> 0) or (b <> 0));
        olit, olod, osto, olda, oldi, osti, oidx, ocal, oret, oent, ojmp, ojpc,
        oneg, onot, oodd, oabs, osqr, owri, owrb, owrs, owrl, ohlt: ok := false
      end;
      if ok then
      begin
        cx := cx - 1;
        code[cx - 1].value := r
      end
    end;
  folded := ok
end;

procedure genop(o: opcode);
begin
  if not folded(o) then gen(o)
end;

{ ------------------------------------------------------------ parser and code generator }

procedure block(owner: symlink); forward;

procedure constdecl;
var
  n: alfa;
  neg: boolean;
  s: symlink;
begin
  n := idname;
  getsym;
  expect(seql);
  neg := false;
  if sym = sminus then
  begin
    neg := true;
    getsym
  end;
  if sym = snumber then
  begin
    if neg then s := newconst(n, -numval, tint) else s := newconst(n, numval, tint);
    getsym
  end
  else if (sym in [strue, sfalse]) and not neg then
  begin
    s := newconst(n, ord(sym = strue), tbool);
    getsym
  end
  else if sym = sident then
  begin
    s := lookup(idname);
    if s^.kind <> kconst then error(econst);
    if neg and (s^.ctype <> tint) then error(etype);
    if neg then s := newconst(n, -s^.cval, s^.ctype)
    else s := newconst(n, s^.cval, s^.ctype);
    getsym
  end
  else
    error(econst)
end;

{ A constant for an array bound: a number, maybe signed, or a constant's name. }
function boundvalue: integer;
var
  neg: boolean;
  v: integer;
  s: symlink;
begin
  neg := false;
  if sym = sminus then
  begin
    neg := true;
    getsym
  end;
  if sym = snumber then v := numval
  else if sym = sident then
  begin
    s := lookup(idname);
    if (s^.kind <> kconst) or (s^.ctype <> tint) then error(econst);
    v := s^.cval
  end
  else error(econst);
  getsym;
  if neg then boundvalue := -v else boundvalue := v
end;

procedure typedenoter(var t: basetype; var arr: boolean; var l, h: integer);
begin
  arr := false;
  l := 0;
  h := 0;
  if sym = sarray then
  begin
    arr := true;
    getsym;
    expect(slbrack);
    l := boundvalue;
    expect(sdotdot);
    h := boundvalue;
    if h < l then error(ebounds);
    if h - l > 500 then error(ebounds);
    expect(srbrack);
    expect(sof)
  end;
  if sym = sinteger then t := tint
  else if sym = sboolean then t := tbool
  else error(eexpected);
  getsym
end;

procedure vardecl;
const
  maxgroup = 10;
var
  names: array[1..maxgroup] of alfa;
  lines, cols: array[1..maxgroup] of integer;
  count, i: integer;
  t: basetype;
  arr: boolean;
  l, h: integer;
  s: symlink;
begin
  count := 0;
  repeat
    if sym <> sident then error(eexpected);
    if count = maxgroup then error(eexpected);
    count := count + 1;
    names[count] := idname;
    lines[count] := symline;
    cols[count] := symcol;
    getsym;
    if sym = scomma then getsym else if sym <> scolon then error(eexpected)
  until sym = scolon;
  getsym;
  typedenoter(t, arr, l, h);
  for i := 1 to count do
  begin
    if lookuplevel(names[i], curlevel) <> nil then
    begin
      errname := names[i];
      errorat(eduplicate, lines[i], cols[i])
    end;
    s := newvar(names[i], t, arr, l, h, false);
    s^.vaddr := dataoffset[curlevel];
    if arr then dataoffset[curlevel] := dataoffset[curlevel] + (h - l + 1)
    else dataoffset[curlevel] := dataoffset[curlevel] + 1
  end;
  expect(ssemicolon)
end;

{ Parameters: groups "[var] a, b: type" separated by semicolons. They lie below the
  frame's base, the first one lowest. }
procedure paramlist(r: symlink);
const
  maxgroup = 10;
var
  names: array[1..maxgroup] of alfa;
  count, i, k: integer;
  t: basetype;
  arr, ref: boolean;
  l, h: integer;
  p, last: paramlink;
  s: symlink;
  first: symlink;
begin
  last := nil;
  first := nil;
  repeat
    getsym;
    ref := false;
    if sym = svar then
    begin
      ref := true;
      getsym
    end;
    count := 0;
    repeat
      if sym <> sident then error(eexpected);
      if count = maxgroup then error(eexpected);
      count := count + 1;
      names[count] := idname;
      getsym;
      if sym = scomma then getsym else if sym <> scolon then error(eexpected)
    until sym = scolon;
    getsym;
    typedenoter(t, arr, l, h);
    if arr and not ref then error(earrayparam);
    for i := 1 to count do
    begin
      s := newvar(names[i], t, arr, l, h, ref);
      if first = nil then first := s;
      new(p);
      p^.pnext := nil;
      p^.ptype := t;
      p^.parray := arr;
      p^.plo := l;
      p^.phi := h;
      p^.pbyref := ref;
      if last = nil then r^.params := p else last^.pnext := p;
      last := p;
      r^.nparams := r^.nparams + 1
    end
  until sym <> ssemicolon;
  expect(srparen);
  { offsets: parameter k of n at base - n - 1 + k }
  k := 0;
  s := scopes[curlevel];
  while s <> nil do
  begin
    if s^.kind = kvar then
    begin
      k := k + 1;
      s^.vaddr := -k
    end;
    s := s^.snext
  end
end;

procedure routinedecl(isfunc: boolean);
var
  r: symlink;
  t: basetype;
  arr: boolean;
  l, h: integer;
begin
  getsym;
  if sym <> sident then error(eexpected);
  r := newroutine(idname, isfunc);
  getsym;
  openscope;
  if sym = slparen then paramlist(r);
  if isfunc then
  begin
    expect(scolon);
    typedenoter(t, arr, l, h);
    if arr then error(etype);
    r^.rtype := t
  end;
  expect(ssemicolon);
  block(r);
  closescope;
  expect(ssemicolon)
end;

procedure expression(var t: basetype); forward;

{ Leaves the address of the variable s (an element of it for an array) on the stack. }
procedure varaddress(s: symlink; indexed: boolean);
var
  t: basetype;
begin
  if s^.byref then
    genaddr(olod, curlevel - s^.level, s^.vaddr)
  else
    genaddr(olda, curlevel - s^.level, s^.vaddr);
  if indexed then
  begin
    expect(slbrack);
    expression(t);
    if t <> tint then error(etype);
    gen(oidx);
    code[cx - 1].lo := s^.lo;
    code[cx - 1].hi := s^.hi;
    if sym <> srbrack then error(eexpected);
    getsym
  end
end;

{ A call of r, whose name was read at line l, column c. }
procedure callroutine(r: symlink; l, c: integer);
var
  p: paramlink;
  t: basetype;
  count: integer;
  a: symlink;
begin
  if r^.kind = kfunc then genlit(0);       { the result's slot }
  p := r^.params;
  count := 0;
  if sym = slparen then
  begin
    repeat
      getsym;
      count := count + 1;
      if p = nil then errorat(eargs, l, c);
      if p^.pbyref then
      begin
        if sym <> sident then error(evarparam);
        a := lookup(idname);
        if a^.kind <> kvar then error(evarparam);
        getsym;
        if p^.parray then
        begin
          if not a^.isarray then error(enotarray);
          if (a^.lo <> p^.plo) or (a^.hi <> p^.phi) or (a^.vtype <> p^.ptype) then
            error(etype);
          varaddress(a, false)
        end
        else
        begin
          if a^.vtype <> p^.ptype then error(etype);
          if a^.isarray and (sym <> slbrack) then error(eindex);
          varaddress(a, a^.isarray)
        end
      end
      else
      begin
        expression(t);
        if t <> p^.ptype then error(etype)
      end;
      p := p^.pnext
    until sym <> scomma;
    expect(srparen)
  end;
  if count <> r^.nparams then errorat(eargs, l, c);
  gen(ocal);
  code[cx - 1].calllevel := curlevel - r^.level;
  code[cx - 1].target := r^.entry
end;

procedure factor(var t: basetype);
var
  s: symlink;
  f: symbol;
  l, c: integer;
begin
  if sym = sident then
  begin
    f := predeclared(idname);
    if (f in [sodd, sabs, ssqr]) and (find(idname) = nil) then
    begin
      getsym;
      expect(slparen);
      expression(t);
      if t <> tint then error(etype);
      expect(srparen);
      case f of
        sodd:
          begin
            gen(oodd);
            t := tbool
          end;
        sabs: gen(oabs);
        ssqr: gen(osqr)
      end
    end
    else
    begin
      s := lookup(idname);
      l := symline;
      c := symcol;
      getsym;
      case s^.kind of
        kconst:
          begin
            genlit(s^.cval);
            t := s^.ctype
          end;
        kvar:
          begin
            if s^.isarray and (sym <> slbrack) then error(eindex);
            if not s^.isarray and (sym = slbrack) then error(enotarray);
            if s^.isarray or s^.byref then
            begin
              varaddress(s, s^.isarray);
              gen(oldi)
            end
            else
              genaddr(olod, curlevel - s^.level, s^.vaddr);
            t := s^.vtype
          end;
        kfunc:
          begin
            callroutine(s, l, c);
            t := s^.rtype
          end;
        kproc: error(etype)
      end
    end
  end
  else if sym = snumber then
  begin
    genlit(numval);
    t := tint;
    getsym
  end
  else if sym in [strue, sfalse] then
  begin
    genlit(ord(sym = strue));
    t := tbool;
    getsym
  end
  else if sym = slparen then
  begin
    getsym;
    expression(t);
    expect(srparen)
  end
  else if sym = snot then
  begin
    getsym;
    factor(t);
    if t <> tbool then error(etype);
    gen(onot)
  end
  else
    error(eexpected)
end;

procedure term(var t: basetype);
var
  op: symbol;
  t2: basetype;
  l, c: integer;
begin
  factor(t);
  while sym in [stimes, sdiv, smod, sand] do
  begin
    op := sym;
    l := symline;
    c := symcol;
    getsym;
    factor(t2);
    if op = sand then
    begin
      if (t <> tbool) or (t2 <> tbool) then errorat(etype, l, c);
      genop(oand)
    end
    else
    begin
      if (t <> tint) or (t2 <> tint) then errorat(etype, l, c);
      case op of
        stimes: genop(omul);
        sdiv: genop(odiv);
        smod: genop(omod)
      end
    end
  end
end;

procedure simpleexpression(var t: basetype);
var
  op: symbol;
  t2: basetype;
  l, c: integer;
begin
  if sym in [splus, sminus] then
  begin
    op := sym;
    getsym;
    term(t);
    if t <> tint then error(etype);
    if op = sminus then
      if code[cx - 1].op = olit then
      begin
        if cx - 1 >= lastlabel then
          code[cx - 1].value := -code[cx - 1].value
        else
          gen(oneg)
      end
      else
        gen(oneg)
  end
  else
    term(t);
  while sym in [splus, sminus, sor] do
  begin
    op := sym;
    l := symline;
    c := symcol;
    getsym;
    term(t2);
    if op = sor then
    begin
      if (t <> tbool) or (t2 <> tbool) then errorat(etype, l, c);
      genop(oor)
    end
    else
    begin
      if (t <> tint) or (t2 <> tint) then errorat(etype, l, c);
      if op = splus then genop(oadd) else genop(osub)
    end
  end
end;

procedure expression;
var
  op: symbol;
  t2: basetype;
  l, c: integer;
begin
  simpleexpression(t);
  if sym in [seql, sneq, slss, sleq, sgtr, sgeq] then
  begin
    op := sym;
    l := symline;
    c := symcol;
    getsym;
    simpleexpression(t2);
    if t <> t2 then errorat(etype, l, c);
    if (t = tbool) and not (op in [seql, sneq]) then errorat(etype, l, c);
    case op of
      seql: genop(oeql);
      sneq: genop(oneq);
      slss: genop(olss);
      sleq: genop(oleq);
      sgtr: genop(ogtr);
      sgeq: genop(ogeq)
    end;
    t := tbool
  end
end;

procedure statement(owner: symlink);
var
  s: symlink;
  t, t2: basetype;
  at, at2: integer;
  up: boolean;
  limit: integer;
  l, c: integer;

  procedure writeitems(newline: boolean);
  var
    t: basetype;
  begin
    if sym = slparen then
    begin
      repeat
        getsym;
        if sym = sstring then
        begin
          gen(owrs);
          code[cx - 1].strstart := strfirst;
          code[cx - 1].strlen := strcount;
          getsym
        end
        else
        begin
          expression(t);
          if sym = scolon then
          begin
            getsym;
            if sym <> snumber then error(econst);
            if numval > maxwidth then error(enumber);
            if t = tint then gen(owri) else gen(owrb);
            code[cx - 1].width := numval;
            getsym
          end
          else
          begin
            if t = tint then gen(owri) else gen(owrb);
            code[cx - 1].width := 0
          end
        end
      until sym <> scomma;
      expect(srparen)
    end
    else if not newline then
      error(eexpected);
    if newline then gen(owrl)
  end;

begin
  if sym = sident then
  begin
    if predeclared(idname) in [swriteln, shalt] then
      if find(idname) = nil then
        sym := predeclared(idname)
  end;
  case sym of
    sident:
      begin
        s := lookup(idname);
        l := symline;
        c := symcol;
        getsym;
        case s^.kind of
          kvar:
            begin
              if s^.isarray and (sym <> slbrack) then error(eindex);
              if not s^.isarray and (sym = slbrack) then error(enotarray);
              if s^.isarray or s^.byref then
              begin
                varaddress(s, s^.isarray);
                expect(sbecomes);
                expression(t);
                if t <> s^.vtype then error(etype);
                gen(osti)
              end
              else
              begin
                expect(sbecomes);
                expression(t);
                if t <> s^.vtype then error(etype);
                genaddr(osto, curlevel - s^.level, s^.vaddr)
              end
            end;
          kfunc:
            begin
              { the result of an enclosing function }
              if sym <> sbecomes then error(enotvar);
              getsym;
              expression(t);
              if t <> s^.rtype then error(etype);
              genaddr(osto, curlevel - (s^.level + 1), -(s^.nparams + 1))
            end;
          kproc: callroutine(s, l, c);
          kconst: error(enotvar)
        end
      end;
    sbegin:
      begin
        getsym;
        statement(owner);
        while sym = ssemicolon do
        begin
          getsym;
          statement(owner)
        end;
        expect(send)
      end;
    sif:
      begin
        getsym;
        expression(t);
        if t <> tbool then error(etype);
        expect(sthen);
        at := cx;
        genjump(ojpc, 0);
        statement(owner);
        if sym = selse then
        begin
          getsym;
          at2 := cx;
          genjump(ojmp, 0);
          patch(at);
          statement(owner);
          patch(at2)
        end
        else
          patch(at)
      end;
    swhile:
      begin
        getsym;
        at := here;
        expression(t);
        if t <> tbool then error(etype);
        expect(sdo);
        at2 := cx;
        genjump(ojpc, 0);
        statement(owner);
        genjump(ojmp, at);
        patch(at2)
      end;
    srepeat:
      begin
        at := here;
        repeat
          getsym;
          statement(owner)
        until sym <> ssemicolon;
        expect(suntil);
        expression(t);
        if t <> tbool then error(etype);
        genjump(ojpc, at)
      end;
    sfor:
      begin
        getsym;
        if sym <> sident then error(eexpected);
        s := lookup(idname);
        if (s^.kind <> kvar) or s^.isarray or s^.byref or (s^.vtype <> tint) then
          error(enotvar);
        getsym;
        expect(sbecomes);
        expression(t);
        if t <> tint then error(etype);
        genaddr(osto, curlevel - s^.level, s^.vaddr);
        if sym = sto then up := true
        else if sym = sdownto then up := false
        else error(eexpected);
        getsym;
        expression(t2);
        if t2 <> tint then error(etype);
        { the limit is kept in a slot of its own in the current frame }
        limit := dataoffset[curlevel];
        dataoffset[curlevel] := dataoffset[curlevel] + 1;
        genaddr(osto, 0, limit);
        expect(sdo);
        at := here;
        genaddr(olod, curlevel - s^.level, s^.vaddr);
        genaddr(olod, 0, limit);
        if up then gen(oleq) else gen(ogeq);
        at2 := cx;
        genjump(ojpc, 0);
        statement(owner);
        genaddr(olod, curlevel - s^.level, s^.vaddr);
        genlit(1);
        if up then gen(oadd) else gen(osub);
        genaddr(osto, curlevel - s^.level, s^.vaddr);
        genjump(ojmp, at);
        patch(at2)
      end;
    swrite:
      begin
        getsym;
        writeitems(false)
      end;
    swriteln:
      begin
        getsym;
        writeitems(true)
      end;
    shalt:
      begin
        getsym;
        gen(ohlt)
      end;
    send, ssemicolon, selse, suntil, seof: ;   { the empty statement }
    snumber, sstring, splus, sminus, stimes, sdiv, smod, sand, sor, snot, seql, sneq,
    slss, sleq, sgtr, sgeq, slparen, srparen, slbrack, srbrack, scomma, scolon,
    sbecomes, speriod, sdotdot, sprogram, sconst, svar, sprocedure, sfunction, sthen,
    sdo, sto, sdownto, sarray, sof, sinteger, sboolean, strue, sfalse, sodd, sabs,
    ssqr, snone:
      error(eexpected)
  end
end;

{ A block: declarations, then the body. The body's code is entered through a jump
  over the code of the nested routines. }
procedure block;
var
  jumpat, entryat: integer;
begin
  { calls enter through the jump, so a routine can be called from the routines nested
    in it before its own body is compiled }
  jumpat := cx;
  genjump(ojmp, 0);
  if owner <> nil then
  begin
    owner^.entry := jumpat;
    owner^.defined := true
  end;
  if sym = sconst then
  begin
    getsym;
    repeat
      if sym <> sident then error(eexpected);
      constdecl;
      expect(ssemicolon)
    until sym <> sident
  end;
  if sym = svar then
  begin
    getsym;
    repeat
      vardecl
    until sym <> sident
  end;
  while sym in [sprocedure, sfunction] do
    routinedecl(sym = sfunction);
  patch(jumpat);
  entryat := cx;
  gen(oent);
  expect(sbegin);
  statement(owner);
  while sym = ssemicolon do
  begin
    getsym;
    statement(owner)
  end;
  expect(send);
  { the frame size is known only now: for-loop limits take slots as they come }
  code[entryat].size := dataoffset[curlevel] - 3;
  if owner = nil then gen(ohlt)
  else
  begin
    gen(oret);
    code[cx - 1].nargs := owner^.nparams
  end
end;

procedure compile;
begin
  lineno := 1;
  col := 1;
  ch := ' ';
  cx := 0;
  lastlabel := 0;
  nstrings := 0;
  curlevel := -1;
  openscope;
  getsym;
  expect(sprogram);
  if sym <> sident then error(eexpected);
  getsym;
  expect(ssemicolon);
  block(nil);
  if sym <> speriod then error(eexpected);
  closescope
end;

{ ------------------------------------------------------------ listing }

procedure writeop(o: opcode);
begin
  case o of
    olit: write('lit ');
    olod: write('lod ');
    osto: write('sto ');
    olda: write('lda ');
    oldi: write('ldi ');
    osti: write('sti ');
    oidx: write('idx ');
    ocal: write('cal ');
    oret: write('ret ');
    oent: write('ent ');
    ojmp: write('jmp ');
    ojpc: write('jpc ');
    oadd: write('add ');
    osub: write('sub ');
    omul: write('mul ');
    odiv: write('div ');
    omod: write('mod ');
    oneg: write('neg ');
    oeql: write('eql ');
    oneq: write('neq ');
    olss: write('lss ');
    oleq: write('leq ');
    ogtr: write('gtr ');
    ogeq: write('geq ');
    oand: write('and ');
    oor:  write('or  ');
    onot: write('not ');
    oodd: write('odd ');
    oabs: write('abs ');
    osqr: write('sqr ');
    owri: write('wri ');
    owrb: write('wrb ');
    owrs: write('wrs ');
    owrl: write('wrl ');
    ohlt: write('hlt ')
  end
end;

procedure list;
var
  i, k: integer;
begin
  for i := 0 to cx - 1 do
    with code[i] do
    begin
      write('    ', i:4, '  ');
      writeop(op);
      case op of
        olit: write(value:1);
        olod, osto, olda: write(level:1, ',', offset:1);
        ocal: write(calllevel:1, ',', target:1);
        oret: write(nargs:1);
        oent: write(size:1);
        ojmp, ojpc: write(dest:1);
        oidx: write(lo:1, '..', hi:1);
        owri, owrb: write(width:1);
        owrs:
          begin
            write('''');
            for k := strstart to strstart + strlen - 1 do write(strings[k]);
            write('''')
          end;
        oldi, osti, oadd, osub, omul, odiv, omod, oneg, oeql, oneq, olss, oleq,
        ogtr, ogeq, oand, oor, onot, oodd, oabs, osqr, owrl, ohlt: ;
      end;
      writeln
    end
end;

{ ------------------------------------------------------------ object file }

{ Writes the code to the scratch file and reads it back; answers whether every
  instruction came back as it went out. }
function roundtrip: boolean;
var
  i, n: integer;
  ins: instr;
  ok: boolean;
begin
  rewrite(objfile);
  for i := 0 to cx - 1 do write(objfile, code[i]);
  reset(objfile);
  ok := true;
  n := 0;
  while not eof(objfile) do
  begin
    read(objfile, ins);
    if n >= cx then ok := false
    else if (ins.op <> code[n].op) or (ins.line <> code[n].line) then ok := false
    else
      case ins.op of
        olit: ok := ok and (ins.value = code[n].value);
        olod, osto, olda:
          ok := ok and (ins.level = code[n].level) and (ins.offset = code[n].offset);
        ocal: ok := ok and (ins.target = code[n].target);
        ojmp, ojpc: ok := ok and (ins.dest = code[n].dest);
        oret, oent, oidx, owri, owrb, owrs, oldi, osti, oadd, osub, omul, odiv, omod,
        oneg, oeql, oneq, olss, oleq, ogtr, ogeq, oand, oor, onot, oodd, oabs, osqr,
        owrl, ohlt: ;
      end;
    code[n] := ins;
    n := n + 1
  end;
  roundtrip := ok and (n = cx)
end;

{ ------------------------------------------------------------ the machine }

procedure run;
var
  pc, b, t: integer;
  err: runerror;
  errline: integer;
  x, y, i: integer;
  ins: instr;

  function base(l: integer): integer;
  var
    bb: integer;
  begin
    bb := b;
    while l > 0 do
    begin
      bb := stack[bb];
      l := l - 1
    end;
    base := bb
  end;

  procedure push(v: integer);
  begin
    if t >= maxstack then err := rstack
    else
    begin
      t := t + 1;
      stack[t] := v
    end
  end;

  function pop: integer;
  begin
    pop := stack[t];
    t := t - 1
  end;

  procedure writebool(v, width: integer);
  begin
    if width = 0 then width := 6;
    if v <> 0 then write(true:width) else write(false:width)
  end;

begin
  pc := 0;
  b := 1;
  t := 3;
  stack[1] := 0;
  stack[2] := 0;
  stack[3] := -1;
  steps := 0;
  err := rnone;
  errline := 0;
  repeat
    ins := code[pc];
    pc := pc + 1;
    steps := steps + 1;
    if steps > maxsteps then err := rsteps
    else
      with ins do
        case op of
          olit: push(value);
          olod: push(stack[base(level) + offset]);
          osto:
            begin
              stack[base(level) + offset] := stack[t];
              t := t - 1
            end;
          olda: push(base(level) + offset);
          oldi: stack[t] := stack[stack[t]];
          osti:
            begin
              x := pop;
              y := pop;
              stack[y] := x
            end;
          oidx:
            begin
              x := pop;
              if (x < lo) or (x > hi) then err := rindex
              else stack[t] := stack[t] + (x - lo)
            end;
          ocal:
            begin
              { the static link, the dynamic link and the return address }
              x := base(calllevel);
              push(x);
              push(b);
              push(pc);
              if err = rnone then
              begin
                b := t - 2;
                pc := target
              end
            end;
          oret:
            begin
              t := b - nargs - 1;
              pc := stack[b + 2];
              b := stack[b + 1]
            end;
          oent:
            if t + size >= maxstack then err := rstack
            else
              for i := 1 to size do push(0);
          ojmp: pc := dest;
          ojpc: if pop = 0 then pc := dest;
          oadd, osub, omul, odiv, omod:
            begin
              y := pop;
              x := stack[t];
              case op of
                oadd:
                  if ((y > 0) and (x > maxint - y)) or ((y < 0) and (x < -maxint - y)) then
                    err := roverflow
                  else stack[t] := x + y;
                osub:
                  if ((y < 0) and (x > maxint + y)) or ((y > 0) and (x < -maxint + y)) then
                    err := roverflow
                  else stack[t] := x - y;
                omul:
                  if (x <> 0) and (y <> 0) and (abs(x) > maxint div abs(y)) then
                    err := roverflow
                  else stack[t] := x * y;
                odiv: if y = 0 then err := rdivzero else stack[t] := x div y;
                omod: if y <= 0 then err := rdivzero else stack[t] := x mod y
              end
            end;
          oneg: stack[t] := -stack[t];
          oeql, oneq, olss, oleq, ogtr, ogeq:
            begin
              y := pop;
              x := stack[t];
              case op of
                oeql: stack[t] := ord(x = y);
                oneq: stack[t] := ord(x <> y);
                olss: stack[t] := ord(x < y);
                oleq: stack[t] := ord(x <= y);
                ogtr: stack[t] := ord(x > y);
                ogeq: stack[t] := ord(x >= y)
              end
            end;
          oand:
            begin
              y := pop;
              stack[t] := ord((stack[t] <> 0) and (y <> 0))
            end;
          oor:
            begin
              y := pop;
              stack[t] := ord((stack[t] <> 0) or (y <> 0))
            end;
          onot: stack[t] := 1 - stack[t];
          oodd: stack[t] := ord(odd(stack[t]));
          oabs: stack[t] := abs(stack[t]);
          osqr:
            if abs(stack[t]) > 46340 then err := roverflow
            else stack[t] := sqr(stack[t]);
          owri:
            if width = 0 then write(pop:1) else write(pop:width);
          owrb: writebool(pop, width);
          owrs:
            for i := strstart to strstart + strlen - 1 do write(strings[i]);
          owrl: writeln;
          ohlt: err := rhalt
        end;
    if (err <> rnone) and (errline = 0) then errline := ins.line
  until err <> rnone;
  if err <> rhalt then
  begin
    writeln;
    write('  run-time error in line ', errline:1, ': ');
    case err of
      rdivzero: writeln('division by zero');
      rindex: writeln('index out of range');
      roverflow: writeln('integer overflow');
      rstack: writeln('stack overflow');
      rsteps: writeln('too many steps');
      rnone, rhalt: ;
    end
  end
end;

{ ------------------------------------------------------------ driver }

procedure compileandrun;
var
  ok: boolean;
begin
  compile;
  compiled := compiled + 1;
  writeln('  ', cx:1, ' instructions, ', nstrings:1, ' string characters');
  if listing then list;
  ok := roundtrip;
  if not ok then writeln('  object file does not match the code')
  else
  begin
    writeln('  --- output');
    run;
    writeln('  --- ', steps:1, ' steps')
  end
end;

{ Releases what a failed compilation left in the symbol table. }
procedure cleanup;
begin
  while curlevel >= 0 do closescope
end;

begin
  letters := ['a'..'z', 'A'..'Z'];
  digits := ['0'..'9'];
  initkeywords;
  programs := 0;
  compiled := 0;
  failed := 0;
  livesyms := 0;
  livesymsmax := 0;
  curlevel := -1;
  { anything before the first %% line is ignored }
  readprogram;
  { a compile error comes back here, from any depth of the parser }
90:
  cleanup;
  while pending do
  begin
    thistitle := title;
    listing := startswith(thistitle, 'list      ', 4);
    readprogram;
    programs := programs + 1;
    write('program ', programs:1, ': ');
    writeline(thistitle);
    writeln(' (', nlines:1, ' lines)');
    compileandrun
  end;
  writeln;
  writeln(programs:1, ' programs, ', compiled:1, ' compiled, ', failed:1,
          ' rejected; symbols live ', livesyms:1, ', at most ', livesymsmax:1)
end.
