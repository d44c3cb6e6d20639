{ A symbolic calculator in standard Pascal.

  Each line of the standard input is one command:

    let NAME = EXPR          evaluate EXPR and keep the value under NAME
    def NAME(P, ...) = EXPR  define a function of up to three parameters
    eval EXPR                print the value of EXPR
    simp EXPR                print EXPR simplified
    diff NAME EXPR           print the derivative of EXPR by NAME, simplified
    table NAME LO HI N EXPR  tabulate EXPR for NAME from LO to HI in N steps
    integ NAME LO HI EXPR    integrate EXPR by NAME from LO to HI (Simpson's rule)
    roots NAME LO HI EXPR    find the sign changes of EXPR by NAME and refine them
    vars                     list the variables
    funcs                    list the functions
    forget NAME              remove a variable or a function
    stats                    the node counts of the expression store
    data                     summarise each series of the samples file
    fit NAME                 fit a line to the series NAME of the samples file and keep
                             it as the function NAME(x)
    # ...                    a comment, echoed

  Expressions: integers and reals, + - * / div mod ^, unary minus, parentheses,
  the built-in functions sin cos exp ln sqrt abs, and the user's functions.
  Integer arithmetic stays integral while it can: an integer result that would
  overflow is an error, / of two integers that divide exactly is an integer.

  Expression trees are records with variants, allocated with new and released with
  dispose naming the variant; every node is also on one chain, so after each
  command a mark-and-sweep pass releases the nodes no function holds, even when an
  error abandoned a half-built tree.  Errors leave the command through a goto to the
  main loop from any depth of the recursion.

  The samples file, named by the program's first argument, holds one series of
  measurements a line: a name, then the values (integers or reals, read with read).

  Reals are written with explicit field widths and decimals only, so the output does
  not depend on a compiler's default real format.  The expected output was checked
  against a second compiler (Free Pascal in ISO mode, fpc -Miso), which writes the
  same text byte for byte.  The two round an exact tie differently (16.53125 to four
  places: tpc writes 16.5312, rounding to even as the C library's printf does, fpc
  writes 16.5313), so no value written here is such a tie. }
program symcalc(input, output, samples);

label
  99;

const
  maxline = 120;
  namelen = 8;
  maxparams = 3;
  maxdepth = 60;
  blankname = '        ';

type
  alfa = packed array[1..namelen] of char;
  linebuf = packed array[1..maxline] of char;
  linepos = 0..maxline;

  tokenkind = (tnum, treal, tident, tplus, tminus, tstar, tslash, tcaret, tlparen,
               trparen, tcomma, tequals, tdiv, tmod, tend, tbad);

  errorkind = (esyntax, eparen, eexpected, eunknownvar, eunknownfn, edivzero,
               eoverflow, edomain, eargcount, edepth, enumber, ebadcmd, ereserved,
               enotint);

  binop = (opadd, opsub, opmul, opdiv, opidiv, opmod, oppow);
  builtin = (bsin, bcos, bexp, bln, bsqrt, babs, buser);
  nodekind = (kint, kreal, kvar, kneg, kbin, kcall);

  link = ^node;
  arglist = array[1..maxparams] of link;
  argcount = 0..maxparams;
  node = record
           chain: link;          { every node, newest first }
           marked: boolean;
           case kind: nodekind of
             kint:  (ival: integer);
             kreal: (rval: real);
             kvar:  (vname: alfa);
             kneg:  (arg: link);
             kbin:  (op: binop; left, right: link);
             kcall: (fname: alfa; fn: builtin; nargs: argcount; args: arglist)
         end;

  value = record
            case isint: boolean of
              true:  (iv: integer);
              false: (rv: real)
          end;

  varlink = ^varentry;
  varentry = record
               vnext: varlink;
               name: alfa;
               val: value
             end;

  funlink = ^funentry;
  funentry = record
               fnext: funlink;
               name: alfa;
               nparams: argcount;
               params: array[1..maxparams] of alfa;
               body: link
             end;

  { a binding of parameter names to values while a user function runs }
  framelink = ^frame;
  frame = record
            below: framelink;     { the frame of the calling function }
            count: argcount;
            names: array[1..maxparams] of alfa;
            vals: array[1..maxparams] of value
          end;

var
  samples: text;
  line: linebuf;
  linelen: linepos;
  pos: linepos;               { next character of the line }
  tokstart: linepos;
  tok: tokenkind;
  tokint: integer;
  tokreal: real;
  tokname: alfa;
  allnodes: link;
  livenodes, madenodes, freednodes: integer;
  vars: varlink;
  funs: funlink;
  lineno: integer;
  errors: integer;
  depth: integer;
  letters, digits, identchars: set of char;
  { the expression and variable integrated or searched by the numeric commands }
  curtree: link;
  curvar: alfa;
  frames: framelink;           { the frames of the running function calls }

{ ---------------------------------------------------------------- names }

function samename(a, b: alfa): boolean;
begin
  samename := a = b
end;

procedure writename(n: alfa);
var
  i: integer;
begin
  i := 1;
  while (i <= namelen) and (n[i] <> ' ') do
  begin
    write(n[i]);
    i := i + 1
  end
end;

function isreserved(n: alfa): boolean;
begin
  isreserved := (n = 'div     ') or (n = 'mod     ') or (n = 'let     ') or
                (n = 'def     ')
end;

function builtinof(n: alfa): builtin;
var
  b: builtin;
begin
  b := buser;
  if n = 'sin     ' then b := bsin
  else if n = 'cos     ' then b := bcos
  else if n = 'exp     ' then b := bexp
  else if n = 'ln      ' then b := bln
  else if n = 'sqrt    ' then b := bsqrt
  else if n = 'abs     ' then b := babs;
  builtinof := b
end;

{ ---------------------------------------------------------------- errors }

procedure fail(e: errorkind);
var
  i: integer;
begin
  errors := errors + 1;
  if e in [esyntax, eparen, eexpected, enumber, ereserved] then
  begin
    write('  ');
    for i := 1 to linelen do write(line[i]);
    writeln;
    write('  ');
    for i := 2 to tokstart do write(' ');
    writeln('^')
  end;
  write('  error: ');
  case e of
    esyntax:     writeln('syntax error');
    eparen:      writeln('missing )');
    eexpected:   writeln('unexpected symbol');
    eunknownvar: writeln('unknown variable');
    eunknownfn:  writeln('unknown function');
    edivzero:    writeln('division by zero');
    eoverflow:   writeln('integer overflow');
    edomain:     writeln('argument out of domain');
    eargcount:   writeln('wrong number of arguments');
    edepth:      writeln('expression too deep');
    enumber:     writeln('malformed number');
    ebadcmd:     writeln('unknown command');
    ereserved:   writeln('reserved word used as a name');
    enotint:     writeln('integer operands required')
  end;
  goto 99
end;

{ ---------------------------------------------------------------- nodes }

procedure chainnode(p: link);
begin
  p^.chain := allnodes;
  p^.marked := false;
  allnodes := p;
  livenodes := livenodes + 1;
  madenodes := madenodes + 1
end;

function mkint(i: integer): link;
var
  p: link;
begin
  new(p, kint);
  p^.kind := kint;
  p^.ival := i;
  chainnode(p);
  mkint := p
end;

function mkreal(r: real): link;
var
  p: link;
begin
  new(p, kreal);
  p^.kind := kreal;
  p^.rval := r;
  chainnode(p);
  mkreal := p
end;

function mkvar(n: alfa): link;
var
  p: link;
begin
  new(p, kvar);
  with p^ do
  begin
    kind := kvar;
    vname := n
  end;
  chainnode(p);
  mkvar := p
end;

function mkneg(a: link): link;
var
  p: link;
begin
  new(p, kneg);
  p^.kind := kneg;
  p^.arg := a;
  chainnode(p);
  mkneg := p
end;

function mkbin(o: binop; l, r: link): link;
var
  p: link;
begin
  new(p, kbin);
  with p^ do
  begin
    kind := kbin;
    op := o;
    left := l;
    right := r
  end;
  chainnode(p);
  mkbin := p
end;

function mkcall(n: alfa; count: argcount; var a: arglist): link;
var
  p: link;
  i: integer;
begin
  new(p, kcall);
  with p^ do
  begin
    kind := kcall;
    fname := n;
    fn := builtinof(n);
    nargs := count;
    for i := 1 to maxparams do
      if i <= count then args[i] := a[i] else args[i] := nil
  end;
  chainnode(p);
  mkcall := p
end;

function mkcall1(n: alfa; a: link): link;
var
  al: arglist;
begin
  al[1] := a;
  al[2] := nil;
  al[3] := nil;
  mkcall1 := mkcall(n, 1, al)
end;

procedure freenode(p: link);
begin
  livenodes := livenodes - 1;
  freednodes := freednodes + 1;
  case p^.kind of
    kint:  dispose(p, kint);
    kreal: dispose(p, kreal);
    kvar:  dispose(p, kvar);
    kneg:  dispose(p, kneg);
    kbin:  dispose(p, kbin);
    kcall: dispose(p, kcall)
  end
end;

procedure mark(p: link);
var
  i: integer;
begin
  while p <> nil do
  begin
    if p^.marked then p := nil
    else
    begin
      p^.marked := true;
      case p^.kind of
        kint, kreal, kvar: p := nil;
        kneg: p := p^.arg;
        kbin:
          begin
            mark(p^.left);
            p := p^.right
          end;
        kcall:
          begin
            for i := 2 to p^.nargs do mark(p^.args[i]);
            if p^.nargs >= 1 then p := p^.args[1] else p := nil
          end
      end
    end
  end
end;

{ Releases every node that no function body reaches. }
procedure collect;
var
  f: funlink;
  p, prev, next: link;
begin
  f := funs;
  while f <> nil do
  begin
    mark(f^.body);
    f := f^.fnext
  end;
  prev := nil;
  p := allnodes;
  while p <> nil do
  begin
    next := p^.chain;
    if p^.marked then
    begin
      p^.marked := false;
      prev := p
    end
    else
    begin
      if prev = nil then allnodes := next else prev^.chain := next;
      freenode(p)
    end;
    p := next
  end
end;

function treesize(p: link): integer;
var
  n, i: integer;
begin
  if p = nil then treesize := 0
  else
    case p^.kind of
      kint, kreal, kvar: treesize := 1;
      kneg: treesize := 1 + treesize(p^.arg);
      kbin: treesize := 1 + treesize(p^.left) + treesize(p^.right);
      kcall:
        begin
          n := 1;
          for i := 1 to p^.nargs do n := n + treesize(p^.args[i]);
          treesize := n
        end
    end
end;

{ ---------------------------------------------------------------- values }

procedure setint(var v: value; i: integer);
begin
  v.isint := true;
  v.iv := i
end;

procedure setreal(var v: value; r: real);
begin
  v.isint := false;
  v.rv := r
end;

function asreal(v: value): real;
begin
  if v.isint then asreal := v.iv else asreal := v.rv
end;

procedure writereal(r: real);
begin
  if (abs(r) >= 1.0e9) or ((abs(r) < 1.0e-4) and (r <> 0.0)) then
    write(r:1:10)
  else
    write(r:1:6)
end;

procedure writevalue(v: value);
begin
  if v.isint then write(v.iv:1) else writereal(v.rv)
end;

{ ---------------------------------------------------------------- printing trees }

function precedence(p: link): integer;
begin
  case p^.kind of
    kint:  if p^.ival < 0 then precedence := 3 else precedence := 9;
    kreal: if p^.rval < 0.0 then precedence := 3 else precedence := 9;
    kvar, kcall: precedence := 9;
    kneg: precedence := 3;
    kbin:
      case p^.op of
        opadd, opsub: precedence := 1;
        opmul, opdiv, opidiv, opmod: precedence := 2;
        oppow: precedence := 4
      end
  end
end;

procedure writetree(p: link);
var
  i, prec: integer;

  procedure operand(q: link; least: integer);
  begin
    if precedence(q) < least then
    begin
      write('(');
      writetree(q);
      write(')')
    end
    else
      writetree(q)
  end;

begin
  case p^.kind of
    kint:  write(p^.ival:1);
    kreal: writereal(p^.rval);
    kvar:  writename(p^.vname);
    kneg:
      begin
        write('-');
        operand(p^.arg, 4)
      end;
    kbin:
      begin
        prec := precedence(p);
        if p^.op = oppow then operand(p^.left, prec + 1) else operand(p^.left, prec);
        case p^.op of
          opadd: write(' + ');
          opsub: write(' - ');
          opmul: write('*');
          opdiv: write('/');
          opidiv: write(' div ');
          opmod: write(' mod ');
          oppow: write('^')
        end;
        if p^.op = oppow then operand(p^.right, prec) else operand(p^.right, prec + 1)
      end;
    kcall:
      begin
        writename(p^.fname);
        write('(');
        for i := 1 to p^.nargs do
        begin
          if i > 1 then write(', ');
          writetree(p^.args[i])
        end;
        write(')')
      end
  end
end;

{ ---------------------------------------------------------------- scanner }

procedure readline;
var
  c: char;
begin
  linelen := 0;
  while not eoln do
  begin
    read(c);
    if linelen < maxline then
    begin
      linelen := linelen + 1;
      line[linelen] := c
    end
  end;
  readln;
  pos := 1
end;

function peekchar: char;
begin
  if pos <= linelen then peekchar := line[pos] else peekchar := ' '
end;

procedure nexttoken;
var
  c: char;
  i: integer;
  scale, frac: real;
  expo, sign: integer;
  isreal, overflow: boolean;
begin
  while (pos <= linelen) and (line[pos] = ' ') do pos := pos + 1;
  tokstart := pos;
  if pos > linelen then
    tok := tend
  else
  begin
    c := line[pos];
    if c in digits then
    begin
      tokint := 0;
      tokreal := 0.0;
      isreal := false;
      overflow := false;
      while (pos <= linelen) and (line[pos] in digits) do
      begin
        if tokint > (maxint - (ord(line[pos]) - ord('0'))) div 10 then overflow := true
        else tokint := tokint * 10 + (ord(line[pos]) - ord('0'));
        tokreal := tokreal * 10.0 + (ord(line[pos]) - ord('0'));
        pos := pos + 1
      end;
      if (pos < linelen) and (line[pos] = '.') and (line[pos + 1] in digits) then
      begin
        isreal := true;
        pos := pos + 1;
        scale := 1.0;
        frac := 0.0;
        while (pos <= linelen) and (line[pos] in digits) do
        begin
          frac := frac * 10.0 + (ord(line[pos]) - ord('0'));
          scale := scale * 10.0;
          pos := pos + 1
        end;
        tokreal := tokreal + frac / scale
      end;
      if (pos <= linelen) and ((line[pos] = 'e') or (line[pos] = 'E')) then
      begin
        isreal := true;
        pos := pos + 1;
        sign := 1;
        if (pos <= linelen) and (line[pos] in ['+', '-']) then
        begin
          if line[pos] = '-' then sign := -1;
          pos := pos + 1
        end;
        if (pos > linelen) or not (line[pos] in digits) then
        begin
          tokstart := pos;
          fail(enumber)
        end;
        expo := 0;
        while (pos <= linelen) and (line[pos] in digits) do
        begin
          if expo < 1000 then expo := expo * 10 + (ord(line[pos]) - ord('0'));
          pos := pos + 1
        end;
        if expo > 300 then fail(enumber);
        for i := 1 to expo do
          if sign > 0 then tokreal := tokreal * 10.0 else tokreal := tokreal / 10.0
      end;
      if (pos <= linelen) and (line[pos] in letters) then
      begin
        tokstart := pos;
        fail(enumber)
      end;
      if isreal or overflow then tok := treal else tok := tnum
    end
    else if c in letters then
    begin
      tokname := blankname;
      i := 0;
      while (pos <= linelen) and (line[pos] in identchars) do
      begin
        i := i + 1;
        if i <= namelen then tokname[i] := line[pos];
        pos := pos + 1
      end;
      if tokname = 'div     ' then tok := tdiv
      else if tokname = 'mod     ' then tok := tmod
      else tok := tident
    end
    else
    begin
      pos := pos + 1;
      if not (c in ['+', '-', '*', '/', '^', '(', ')', ',', '=']) then tok := tbad
      else
      case c of
        '+': tok := tplus;
        '-': tok := tminus;
        '*': tok := tstar;
        '/': tok := tslash;
        '^': tok := tcaret;
        '(': tok := tlparen;
        ')': tok := trparen;
        ',': tok := tcomma;
        '=': tok := tequals
      end
    end
  end
end;

procedure expect(k: tokenkind);
begin
  if tok <> k then
    if k = trparen then fail(eparen) else fail(eexpected);
  nexttoken
end;

{ ---------------------------------------------------------------- parser }

{ expr    = term, then any number of (+ or -) term
  term    = factor, then any number of (* / div mod) factor
  factor  = - factor | + factor | power
  power   = primary [ ^ factor ]
  primary = number | name | name ( expr [, expr [, expr]] ) | ( expr ) }
function parseexpr: link;
var
  p: link;
  o: binop;

  function factor: link; forward;

  function primary: link;
  var
    p: link;
    n: alfa;
    a: arglist;
    count: integer;
  begin
    case tok of
      tnum:
        begin
          p := mkint(tokint);
          nexttoken
        end;
      treal:
        begin
          p := mkreal(tokreal);
          nexttoken
        end;
      tident:
        begin
          n := tokname;
          if isreserved(n) then fail(ereserved);
          nexttoken;
          if tok = tlparen then
          begin
            nexttoken;
            count := 0;
            a[1] := nil;
            a[2] := nil;
            a[3] := nil;
            repeat
              if count = maxparams then fail(eargcount);
              count := count + 1;
              a[count] := parseexpr;
              if tok = tcomma then nexttoken else count := -count
            until count < 0;
            expect(trparen);
            p := mkcall(n, -count, a)
          end
          else
            p := mkvar(n)
        end;
      tlparen:
        begin
          nexttoken;
          p := parseexpr;
          expect(trparen)
        end;
      tplus, tminus, tstar, tslash, tcaret, trparen, tcomma, tequals, tdiv, tmod,
      tend, tbad:
        fail(esyntax)
    end;
    primary := p
  end;

  function power: link;
  var
    p: link;
  begin
    p := primary;
    if tok = tcaret then
    begin
      nexttoken;
      p := mkbin(oppow, p, factor)
    end;
    power := p
  end;

  function factor;
  begin
    if tok = tminus then
    begin
      nexttoken;
      factor := mkneg(factor)
    end
    else if tok = tplus then
    begin
      nexttoken;
      factor := factor
    end
    else
      factor := power
  end;

  function term: link;
  var
    p: link;
    o: binop;
  begin
    p := factor;
    while tok in [tstar, tslash, tdiv, tmod] do
    begin
      case tok of
        tstar: o := opmul;
        tslash: o := opdiv;
        tdiv: o := opidiv;
        tmod: o := opmod
      end;
      nexttoken;
      p := mkbin(o, p, factor)
    end;
    term := p
  end;

begin
  depth := depth + 1;
  if depth > maxdepth then fail(edepth);
  p := term;
  while tok in [tplus, tminus] do
  begin
    if tok = tplus then o := opadd else o := opsub;
    nexttoken;
    p := mkbin(o, p, term)
  end;
  depth := depth - 1;
  parseexpr := p
end;

function parsewhole: link;
var
  p: link;
begin
  depth := 0;
  p := parseexpr;
  if tok <> tend then fail(eexpected);
  parsewhole := p
end;

{ ---------------------------------------------------------------- variables and functions }

function findvar(n: alfa): varlink;
var
  v: varlink;
  found: boolean;
begin
  v := vars;
  found := false;
  while (v <> nil) and not found do
    if v^.name = n then found := true else v := v^.vnext;
  findvar := v
end;

function findfun(n: alfa): funlink;
var
  f: funlink;
  found: boolean;
begin
  f := funs;
  found := false;
  while (f <> nil) and not found do
    if f^.name = n then found := true else f := f^.fnext;
  findfun := f
end;

{ Keeps the variables in alphabetical order. }
procedure setvar(n: alfa; v: value);
var
  p, q, prev: varlink;
begin
  p := findvar(n);
  if p = nil then
  begin
    new(p);
    p^.name := n;
    prev := nil;
    q := vars;
    while (q <> nil) and (q^.name < n) do
    begin
      prev := q;
      q := q^.vnext
    end;
    p^.vnext := q;
    if prev = nil then vars := p else prev^.vnext := p
  end;
  p^.val := v
end;

{ ---------------------------------------------------------------- evaluation }

function imul(a, b: integer): integer;
begin
  if (a <> 0) and (b <> 0) then
    if abs(a) > maxint div abs(b) then fail(eoverflow);
  imul := a * b
end;

function iadd(a, b: integer): integer;
begin
  if ((b > 0) and (a > maxint - b)) or ((b < 0) and (a < -maxint - b)) then
    fail(eoverflow);
  iadd := a + b
end;

function ipow(base, e: integer): integer;
var
  r: integer;
begin
  r := 1;
  while e > 0 do
  begin
    r := imul(r, base);
    e := e - 1
  end;
  ipow := r
end;

procedure evaluate(p: link; env: framelink; var result: value);
var
  a, b: value;
  x, y: real;
  f: funlink;
  v: varlink;
  fr: framelink;
  e: framelink;
  i: integer;
  found: boolean;
begin
  depth := depth + 1;
  if depth > maxdepth * 4 then fail(edepth);
  case p^.kind of
    kint: setint(result, p^.ival);
    kreal: setreal(result, p^.rval);
    kvar:
      begin
        { parameters of the innermost running function first, then the globals }
        found := false;
        e := env;
        if e <> nil then
          for i := 1 to e^.count do
            if not found and (e^.names[i] = p^.vname) then
            begin
              result := e^.vals[i];
              found := true
            end;
        if not found then
        begin
          v := findvar(p^.vname);
          if v = nil then fail(eunknownvar);
          result := v^.val
        end
      end;
    kneg:
      begin
        evaluate(p^.arg, env, a);
        if a.isint then
          setint(result, -a.iv)
        else
          setreal(result, -a.rv)
      end;
    kbin:
      begin
        evaluate(p^.left, env, a);
        evaluate(p^.right, env, b);
        if a.isint and b.isint then
          case p^.op of
            opadd: setint(result, iadd(a.iv, b.iv));
            opsub: setint(result, iadd(a.iv, -b.iv));
            opmul: setint(result, imul(a.iv, b.iv));
            opdiv:
              begin
                if b.iv = 0 then fail(edivzero);
                if a.iv mod abs(b.iv) = 0 then setint(result, a.iv div b.iv)
                else setreal(result, a.iv / b.iv)
              end;
            opidiv:
              begin
                if b.iv = 0 then fail(edivzero);
                setint(result, a.iv div b.iv)
              end;
            opmod:
              begin
                if b.iv <= 0 then fail(edivzero);
                setint(result, a.iv mod b.iv)
              end;
            oppow:
              if b.iv >= 0 then setint(result, ipow(a.iv, b.iv))
              else if a.iv = 0 then fail(edivzero)
              else setreal(result, 1.0 / ipow(a.iv, -b.iv))
          end
        else
        begin
          x := asreal(a);
          y := asreal(b);
          case p^.op of
            opadd: setreal(result, x + y);
            opsub: setreal(result, x - y);
            opmul: setreal(result, x * y);
            opdiv:
              begin
                if y = 0.0 then fail(edivzero);
                setreal(result, x / y)
              end;
            opidiv, opmod: fail(enotint);
            oppow:
              if b.isint then
              begin
                if (x = 0.0) and (b.iv < 0) then fail(edivzero);
                x := 1.0;
                for i := 1 to abs(b.iv) do x := x * asreal(a);
                if b.iv < 0 then x := 1.0 / x;
                setreal(result, x)
              end
              else if x > 0.0 then setreal(result, exp(y * ln(x)))
              else if x = 0.0 then
              begin
                if y <= 0.0 then fail(edomain);
                setreal(result, 0.0)
              end
              else fail(edomain)
          end
        end
      end;
    kcall:
      if p^.fn <> buser then
      begin
        if p^.nargs <> 1 then fail(eargcount);
        evaluate(p^.args[1], env, a);
        x := asreal(a);
        case p^.fn of
          bsin: setreal(result, sin(x));
          bcos: setreal(result, cos(x));
          bexp:
            begin
              if x > 700.0 then fail(eoverflow);
              setreal(result, exp(x))
            end;
          bln:
            begin
              if x <= 0.0 then fail(edomain);
              setreal(result, ln(x))
            end;
          bsqrt:
            begin
              if x < 0.0 then fail(edomain);
              if a.isint and (sqr(round(sqrt(x))) = a.iv) then
                setint(result, round(sqrt(x)))
              else
                setreal(result, sqrt(x))
            end;
          babs:
            if a.isint then setint(result, abs(a.iv)) else setreal(result, abs(a.rv))
        end
      end
      else
      begin
        f := findfun(p^.fname);
        if f = nil then fail(eunknownfn);
        if f^.nparams <> p^.nargs then fail(eargcount);
        { the frame is on the list of running calls, so that the main loop can
          release it when an error leaves the call }
        new(fr);
        fr^.below := frames;
        frames := fr;
        fr^.count := f^.nparams;
        for i := 1 to f^.nparams do
        begin
          fr^.names[i] := f^.params[i];
          evaluate(p^.args[i], env, fr^.vals[i])
        end;
        evaluate(f^.body, fr, result);
        frames := fr^.below;
        dispose(fr)
      end
  end;
  depth := depth - 1
end;

function evalwhole(p: link; var v: value): boolean;
begin
  depth := 0;
  evaluate(p, nil, v);
  evalwhole := true
end;

{ ---------------------------------------------------------------- tree algebra }

function same(a, b: link): boolean;
var
  i: integer;
  s: boolean;
begin
  if a^.kind <> b^.kind then same := false
  else
    case a^.kind of
      kint: same := a^.ival = b^.ival;
      kreal: same := a^.rval = b^.rval;
      kvar: same := a^.vname = b^.vname;
      kneg: same := same(a^.arg, b^.arg);
      kbin: same := (a^.op = b^.op) and same(a^.left, b^.left) and same(a^.right, b^.right);
      kcall:
        begin
          s := (a^.fname = b^.fname) and (a^.nargs = b^.nargs);
          for i := 1 to a^.nargs do
            if s then s := same(a^.args[i], b^.args[i]);
          same := s
        end
    end
end;

function isconst(p: link): boolean;
begin
  isconst := p^.kind in [kint, kreal]
end;

function isintval(p: link; i: integer): boolean;
begin
  if p^.kind = kint then isintval := p^.ival = i
  else if p^.kind = kreal then isintval := p^.rval = i
  else isintval := false
end;

function copytree(p: link): link;
var
  a: arglist;
  i: integer;
begin
  case p^.kind of
    kint: copytree := mkint(p^.ival);
    kreal: copytree := mkreal(p^.rval);
    kvar: copytree := mkvar(p^.vname);
    kneg: copytree := mkneg(copytree(p^.arg));
    kbin: copytree := mkbin(p^.op, copytree(p^.left), copytree(p^.right));
    kcall:
      begin
        for i := 1 to maxparams do
          if i <= p^.nargs then a[i] := copytree(p^.args[i]) else a[i] := nil;
        copytree := mkcall(p^.fname, p^.nargs, a)
      end
  end
end;

{ The node for a constant value. }
function valuenode(v: value): link;
begin
  if v.isint then
  begin
    if v.iv < 0 then valuenode := mkneg(mkint(-v.iv)) else valuenode := mkint(v.iv)
  end
  else if v.rv < 0.0 then valuenode := mkneg(mkreal(-v.rv))
  else valuenode := mkreal(v.rv)
end;

{ The constant value of a tree made of numbers and operators alone, when it has one
  that evaluates without error. }
function foldable(p: link): boolean;
var
  ok: boolean;
begin
  case p^.kind of
    kint, kreal: foldable := true;
    kvar: foldable := false;
    kneg: foldable := foldable(p^.arg);
    kbin:
      if foldable(p^.left) and foldable(p^.right) then
      begin
        ok := true;
        if p^.op in [opdiv, opidiv, opmod] then
          ok := not isintval(p^.right, 0);
        if (p^.op = oppow) and (p^.right^.kind <> kint) then ok := false;
        if p^.op in [opidiv, opmod] then
          ok := ok and (p^.left^.kind = kint) and (p^.right^.kind = kint);
        foldable := ok
      end
      else foldable := false;
    kcall: foldable := false
  end
end;

{ Simplifies bottom up: constant folding, the neutral and absorbing elements, double
  negation, x - x, x + x, x*x, x/x, and collecting constant factors. }
function simplify(p: link): link;
var
  l, r, q: link;
  v: value;
  i: integer;
  a: arglist;
begin
  q := p;
  case p^.kind of
    kint, kreal, kvar: q := p;
    kneg:
      begin
        l := simplify(p^.arg);
        if l^.kind = kneg then q := l^.arg
        else if isintval(l, 0) then q := mkint(0)
        else if l^.kind = kint then q := mkneg(l)
        else q := mkneg(l)
      end;
    kcall:
      begin
        for i := 1 to maxparams do
          if i <= p^.nargs then a[i] := simplify(p^.args[i]) else a[i] := nil;
        q := mkcall(p^.fname, p^.nargs, a);
        if (p^.fn = bln) and (a[1]^.kind = kcall) then
          if a[1]^.fn = bexp then q := a[1]^.args[1];
        if (p^.fn = bexp) and (a[1]^.kind = kcall) then
          if a[1]^.fn = bln then q := a[1]^.args[1];
        if (p^.fn = bexp) and isintval(a[1], 0) then q := mkint(1);
        if (p^.fn = bln) and isintval(a[1], 1) then q := mkint(0);
        if (p^.fn in [bsin]) and isintval(a[1], 0) then q := mkint(0);
        if (p^.fn in [bcos]) and isintval(a[1], 0) then q := mkint(1)
      end;
    kbin:
      begin
        l := simplify(p^.left);
        r := simplify(p^.right);
        q := mkbin(p^.op, l, r);
        if foldable(q) then
        begin
          if evalwhole(q, v) then q := valuenode(v)
        end
        else
          case p^.op of
            opadd:
              if isintval(l, 0) then q := r
              else if isintval(r, 0) then q := l
              else if same(l, r) then q := simplify(mkbin(opmul, mkint(2), l))
              else if r^.kind = kneg then q := simplify(mkbin(opsub, l, r^.arg))
              else if (l^.kind = kneg) then q := simplify(mkbin(opsub, r, l^.arg));
            opsub:
              if isintval(r, 0) then q := l
              else if isintval(l, 0) then q := simplify(mkneg(r))
              else if same(l, r) then q := mkint(0)
              else if r^.kind = kneg then q := simplify(mkbin(opadd, l, r^.arg));
            opmul:
              if isintval(l, 0) or isintval(r, 0) then q := mkint(0)
              else if isintval(l, 1) then q := r
              else if isintval(r, 1) then q := l
              else if isintval(l, -1) then q := simplify(mkneg(r))
              else if isintval(r, -1) then q := simplify(mkneg(l))
              else if l^.kind = kneg then q := simplify(mkneg(mkbin(opmul, l^.arg, r)))
              else if r^.kind = kneg then q := simplify(mkneg(mkbin(opmul, l, r^.arg)))
              else if same(l, r) then q := mkbin(oppow, l, mkint(2))
              else if isconst(r) and not isconst(l) then q := simplify(mkbin(opmul, r, l))
              else if isconst(l) and (r^.kind = kbin) then
              begin
                { c1*(c2*x) = (c1*c2)*x }
                if (r^.op = opmul) and isconst(r^.left) then
                  q := simplify(mkbin(opmul, mkbin(opmul, l, r^.left), r^.right))
              end;
            opdiv:
              if isintval(r, 1) then q := l
              else if isintval(l, 0) and not isintval(r, 0) then q := mkint(0)
              else if same(l, r) then q := mkint(1);
            opidiv, opmod: ;
            oppow:
              if isintval(r, 0) then q := mkint(1)
              else if isintval(r, 1) then q := l
              else if isintval(l, 1) then q := mkint(1)
              else if (l^.kind = kbin) and (r^.kind = kint) then
              begin
                { (x^a)^b = x^(a*b) for integral a and b }
                if (l^.op = oppow) and (l^.right^.kind = kint) then
                  q := simplify(mkbin(oppow, l^.left, mkint(imul(l^.right^.ival, r^.ival))))
              end
          end
      end
  end;
  simplify := q
end;

{ Replaces each variable named by the first count parameters of a function by a copy of
  the matching tree. }
function substitute(p: link; count: argcount; var withs: arglist; var params: funentry): link;
var
  i: integer;
  a: arglist;
  found: boolean;
  q: link;
begin
  case p^.kind of
    kint, kreal: q := p;
    kvar:
      begin
        q := p;
        found := false;
        for i := 1 to count do
          if not found and (params.params[i] = p^.vname) then
          begin
            q := copytree(withs[i]);
            found := true
          end
      end;
    kneg: q := mkneg(substitute(p^.arg, count, withs, params));
    kbin: q := mkbin(p^.op, substitute(p^.left, count, withs, params),
                     substitute(p^.right, count, withs, params));
    kcall:
      begin
        for i := 1 to maxparams do
          if i <= p^.nargs then a[i] := substitute(p^.args[i], count, withs, params)
          else a[i] := nil;
        q := mkcall(p^.fname, p^.nargs, a)
      end
  end;
  substitute := q
end;

{ Expands calls of user functions in place of their bodies, so they can be derived. }
function expand(p: link; level: integer): link;
var
  i: integer;
  a: arglist;
  f: funlink;
  q: link;
begin
  if level > 20 then fail(edepth);
  case p^.kind of
    kint, kreal, kvar: q := p;
    kneg: q := mkneg(expand(p^.arg, level));
    kbin: q := mkbin(p^.op, expand(p^.left, level), expand(p^.right, level));
    kcall:
      begin
        for i := 1 to maxparams do
          if i <= p^.nargs then a[i] := expand(p^.args[i], level) else a[i] := nil;
        if p^.fn = buser then
        begin
          f := findfun(p^.fname);
          if f = nil then fail(eunknownfn);
          if f^.nparams <> p^.nargs then fail(eargcount);
          q := expand(substitute(f^.body, f^.nparams, a, f^), level + 1)
        end
        else
          q := mkcall(p^.fname, p^.nargs, a)
      end
  end;
  expand := q
end;

function mentions(p: link; n: alfa): boolean;
var
  i: integer;
  m: boolean;
begin
  case p^.kind of
    kint, kreal: mentions := false;
    kvar: mentions := p^.vname = n;
    kneg: mentions := mentions(p^.arg, n);
    kbin: mentions := mentions(p^.left, n) or mentions(p^.right, n);
    kcall:
      begin
        m := false;
        for i := 1 to p^.nargs do
          if mentions(p^.args[i], n) then m := true;
        mentions := m
      end
  end
end;

{ The derivative of p by x (p holds no user function calls). }
function derive(p: link; x: alfa): link;
var
  d, u, v, q: link;
begin
  case p^.kind of
    kint, kreal: q := mkint(0);
    kvar: if p^.vname = x then q := mkint(1) else q := mkint(0);
    kneg: q := mkneg(derive(p^.arg, x));
    kbin:
      begin
        u := p^.left;
        v := p^.right;
        case p^.op of
          opadd: q := mkbin(opadd, derive(u, x), derive(v, x));
          opsub: q := mkbin(opsub, derive(u, x), derive(v, x));
          opmul: q := mkbin(opadd, mkbin(opmul, derive(u, x), v), mkbin(opmul, u, derive(v, x)));
          opdiv:
            q := mkbin(opdiv,
                       mkbin(opsub, mkbin(opmul, derive(u, x), v), mkbin(opmul, u, derive(v, x))),
                       mkbin(oppow, v, mkint(2)));
          opidiv, opmod: fail(enotint);
          oppow:
            if not mentions(v, x) then
              { (u^c)' = c*u^(c-1)*u' }
              q := mkbin(opmul, mkbin(opmul, v, mkbin(oppow, u, mkbin(opsub, v, mkint(1)))),
                         derive(u, x))
            else
              { (u^v)' = u^v*(v'*ln(u) + v*u'/u) }
              q := mkbin(opmul, p,
                         mkbin(opadd, mkbin(opmul, derive(v, x), mkcall1('ln      ', u)),
                               mkbin(opdiv, mkbin(opmul, v, derive(u, x)), u)))
        end
      end;
    kcall:
      begin
        u := p^.args[1];
        d := derive(u, x);
        case p^.fn of
          bsin: q := mkbin(opmul, mkcall1('cos     ', u), d);
          bcos: q := mkneg(mkbin(opmul, mkcall1('sin     ', u), d));
          bexp: q := mkbin(opmul, p, d);
          bln: q := mkbin(opdiv, d, u);
          bsqrt: q := mkbin(opdiv, d, mkbin(opmul, mkint(2), p));
          babs: q := mkbin(opmul, mkbin(opdiv, u, p), d);
          buser: fail(eunknownfn)
        end
      end
  end;
  derive := q
end;

{ ---------------------------------------------------------------- numeric commands }

{ The value of curtree with curvar bound to x (an error leaves x bound). }
function curvalue(x: real): real;
var
  old, v: value;
  had: boolean;
  p: varlink;
begin
  p := findvar(curvar);
  had := p <> nil;
  if had then old := p^.val;
  setreal(v, x);
  setvar(curvar, v);
  depth := 0;
  evaluate(curtree, nil, v);
  curvalue := asreal(v);
  if had then setvar(curvar, old)
end;

function simpson(function f(x: real): real; a, b: real; n: integer): real;
var
  h, s: real;
  i: integer;
begin
  if odd(n) then n := n + 1;
  h := (b - a) / n;
  s := f(a) + f(b);
  for i := 1 to n - 1 do
    if odd(i) then s := s + 4.0 * f(a + i * h)
    else s := s + 2.0 * f(a + i * h);
  simpson := s * h / 3.0
end;

{ Bisection between a and b where f changes sign. }
function bisect(function f(x: real): real; a, b: real): real;
var
  fa, m, fm: real;
  i: integer;
begin
  fa := f(a);
  for i := 1 to 60 do
  begin
    m := (a + b) / 2.0;
    fm := f(m);
    if (fm < 0.0) = (fa < 0.0) then
    begin
      a := m;
      fa := fm
    end
    else
      b := m
  end;
  bisect := (a + b) / 2.0
end;

function parsenumber: real;
var
  neg: boolean;
  r: real;
begin
  neg := false;
  if tok = tminus then
  begin
    neg := true;
    nexttoken
  end;
  if tok = tnum then r := tokint
  else if tok = treal then r := tokreal
  else fail(esyntax);
  nexttoken;
  if neg then parsenumber := -r else parsenumber := r
end;

procedure expectname(var n: alfa);
begin
  if tok <> tident then fail(esyntax);
  if isreserved(tokname) then fail(ereserved);
  n := tokname;
  nexttoken
end;

{ ---------------------------------------------------------------- commands }

procedure cmdlet;
var
  n: alfa;
  p: link;
  v: value;
begin
  expectname(n);
  if builtinof(n) <> buser then fail(ereserved);
  expect(tequals);
  p := parsewhole;
  if evalwhole(p, v) then
  begin
    setvar(n, v);
    write('  ');
    writename(n);
    write(' = ');
    writevalue(v);
    writeln
  end
end;

procedure cmddef;
var
  n: alfa;
  f: funlink;
  count, i: integer;
  names: array[1..maxparams] of alfa;
  body: link;
begin
  expectname(n);
  if builtinof(n) <> buser then fail(ereserved);
  expect(tlparen);
  count := 0;
  repeat
    if count = maxparams then fail(eargcount);
    count := count + 1;
    expectname(names[count]);
    if tok = tcomma then nexttoken else count := -count
  until count < 0;
  count := -count;
  expect(trparen);
  expect(tequals);
  body := simplify(parsewhole);
  f := findfun(n);
  if f = nil then
  begin
    new(f);
    f^.fnext := funs;
    funs := f;
    f^.name := n
  end;
  f^.nparams := count;
  for i := 1 to count do f^.params[i] := names[i];
  f^.body := body;
  write('  ');
  writename(n);
  write('(');
  for i := 1 to count do
  begin
    if i > 1 then write(', ');
    writename(names[i])
  end;
  write(') = ');
  writetree(body);
  writeln
end;

procedure cmdeval;
var
  p: link;
  v: value;
begin
  p := parsewhole;
  if evalwhole(p, v) then
  begin
    write('  ');
    writevalue(v);
    writeln
  end
end;

procedure cmdsimp;
var
  p, q: link;
begin
  p := parsewhole;
  q := simplify(p);
  write('  ');
  writetree(q);
  write('   [');
  write(treesize(p):1, ' -> ', treesize(q):1, ' nodes]');
  writeln
end;

procedure cmddiff;
var
  x: alfa;
  p, d: link;
begin
  expectname(x);
  p := expand(parsewhole, 0);
  d := simplify(derive(p, x));
  write('  d/d');
  writename(x);
  write(' = ');
  writetree(d);
  writeln
end;

procedure cmdtable;
var
  x: alfa;
  lo, hi, step, at: real;
  n, i: integer;
  p: link;
  v: value;
begin
  expectname(x);
  lo := parsenumber;
  hi := parsenumber;
  if tok <> tnum then fail(esyntax);
  n := tokint;
  if n < 1 then fail(edomain);
  nexttoken;
  p := simplify(parsewhole);
  step := (hi - lo) / n;
  for i := 0 to n do
  begin
    at := lo + i * step;
    setreal(v, at);
    setvar(x, v);
    depth := 0;
    evaluate(p, nil, v);
    write('  ');
    writename(x);
    write(' = ', at:8:4, '   ');
    writevalue(v);
    writeln
  end
end;

procedure cmdinteg;
var
  lo, hi: real;
begin
  expectname(curvar);
  lo := parsenumber;
  hi := parsenumber;
  curtree := simplify(parsewhole);
  write('  integral = ', simpson(curvalue, lo, hi, 200):1:6);
  writeln
end;

procedure cmdroots;
var
  lo, hi, a, b, fa, fb, step: real;
  i, found: integer;
begin
  expectname(curvar);
  lo := parsenumber;
  hi := parsenumber;
  curtree := simplify(parsewhole);
  step := (hi - lo) / 100.0;
  found := 0;
  a := lo;
  fa := curvalue(a);
  for i := 1 to 100 do
  begin
    b := lo + i * step;
    fb := curvalue(b);
    if fa = 0.0 then
    begin
      found := found + 1;
      writeln('  root ', found:1, ': ', a:1:6)
    end
    else if (fa < 0.0) <> (fb < 0.0) then
      if fb <> 0.0 then
      begin
        found := found + 1;
        writeln('  root ', found:1, ': ', bisect(curvalue, a, b):1:6)
      end;
    a := b;
    fa := fb
  end;
  if fa = 0.0 then
  begin
    found := found + 1;
    writeln('  root ', found:1, ': ', a:1:6)
  end;
  if found = 0 then writeln('  no roots')
end;

procedure cmdvars;
var
  v: varlink;
begin
  v := vars;
  if v = nil then writeln('  no variables');
  while v <> nil do
  begin
    write('  ');
    writename(v^.name);
    write(' = ');
    writevalue(v^.val);
    if v^.val.isint then writeln(' (integer)') else writeln(' (real)');
    v := v^.vnext
  end
end;

procedure cmdfuncs;
var
  f: funlink;
  i: integer;
begin
  f := funs;
  if f = nil then writeln('  no functions');
  while f <> nil do
    with f^ do
    begin
      write('  ');
      writename(name);
      write('/', nparams:1, ' (');
      for i := 1 to nparams do
      begin
        if i > 1 then write(' ');
        writename(params[i])
      end;
      write(') size ', treesize(body):1);
      writeln;
      f := fnext
    end
end;

procedure cmdforget;
var
  n: alfa;
  v, vprev: varlink;
  f, fprev: funlink;
  done: boolean;
begin
  expectname(n);
  if tok <> tend then fail(eexpected);
  done := false;
  vprev := nil;
  v := vars;
  while (v <> nil) and not done do
    if v^.name = n then
    begin
      if vprev = nil then vars := v^.vnext else vprev^.vnext := v^.vnext;
      dispose(v);
      v := nil;   { dispose leaves v undefined; the loop test reads it }
      done := true
    end
    else
    begin
      vprev := v;
      v := v^.vnext
    end;
  fprev := nil;
  f := funs;
  while (f <> nil) and not done do
    if f^.name = n then
    begin
      if fprev = nil then funs := f^.fnext else fprev^.fnext := f^.fnext;
      dispose(f);
      f := nil;
      done := true
    end
    else
    begin
      fprev := f;
      f := f^.fnext
    end;
  write('  ');
  writename(n);
  if done then writeln(' forgotten') else writeln(' is not known')
end;

{ Reads the name at the start of the current line of the samples file. }
procedure readseriesname(var n: alfa);
var
  c: char;
  i: integer;
begin
  n := blankname;
  i := 0;
  while (samples^ = ' ') and not eoln(samples) do get(samples);
  while (samples^ <> ' ') and not eoln(samples) do
  begin
    read(samples, c);
    i := i + 1;
    if i <= namelen then n[i] := c
  end
end;

{ Reads the values of the current line of the samples file into sums; the line end
  is consumed. }
procedure readseries(var count: integer; var sum, sumsq, least, most, sumiy: real);
var
  x: real;
begin
  count := 0;
  sum := 0.0;
  sumsq := 0.0;
  sumiy := 0.0;
  least := 0.0;
  most := 0.0;
  while not eoln(samples) do
    if samples^ = ' ' then get(samples)
    else
    begin
      read(samples, x);
      count := count + 1;
      if (count = 1) or (x < least) then least := x;
      if (count = 1) or (x > most) then most := x;
      sum := sum + x;
      sumsq := sumsq + x * x;
      sumiy := sumiy + count * x
    end;
  readln(samples)
end;

procedure cmddata;
var
  n: alfa;
  count, series: integer;
  sum, sumsq, least, most, sumiy, mean, variance: real;
begin
  if tok <> tend then fail(eexpected);
  reset(samples);
  series := 0;
  while not eof(samples) do
  begin
    readseriesname(n);
    readseries(count, sum, sumsq, least, most, sumiy);
    if count > 0 then
    begin
      series := series + 1;
      mean := sum / count;
      variance := sumsq / count - mean * mean;
      if variance < 0.0 then variance := 0.0;
      write('  ');
      writename(n);
      write(': ', count:1, ' value');
      if count <> 1 then write('s');
      write(', mean ', mean:1:4, ', deviation ',
            sqrt(variance):1:4, ', from ');
      writereal(least);
      write(' to ');
      writereal(most);
      writeln
    end
  end;
  writeln('  ', series:1, ' series')
end;

{ The least-squares line through the points (i, value i) of a series, kept as a
  function of x. }
procedure cmdfit;
var
  want, n: alfa;
  count: integer;
  sum, sumsq, least, most, sumiy, sx, sxx, slope, icept: real;
  found: boolean;
  f: funlink;
  a, b: value;
begin
  expectname(want);
  if builtinof(want) <> buser then fail(ereserved);
  if tok <> tend then fail(eexpected);
  reset(samples);
  found := false;
  while not eof(samples) and not found do
  begin
    readseriesname(n);
    readseries(count, sum, sumsq, least, most, sumiy);
    found := n = want
  end;
  if not found then fail(eunknownvar);
  if count < 2 then fail(edomain);
  sx := count * (count + 1) / 2.0;
  sxx := count * (count + 1) * (2 * count + 1) / 6.0;
  slope := (count * sumiy - sx * sum) / (count * sxx - sx * sx);
  icept := (sum - slope * sx) / count;
  f := findfun(want);
  if f = nil then
  begin
    new(f);
    f^.fnext := funs;
    funs := f;
    f^.name := want
  end;
  f^.nparams := 1;
  f^.params[1] := 'x       ';
  setreal(a, slope);
  setreal(b, icept);
  f^.body := simplify(mkbin(opadd, mkbin(opmul, valuenode(a), mkvar('x       ')),
                            valuenode(b)));
  write('  ');
  writename(want);
  write('(x) = ');
  writetree(f^.body);
  writeln
end;

procedure cmdstats;
var
  p: link;
  counts: array[nodekind] of integer;
  k: nodekind;
begin
  collect;
  for k := kint to kcall do counts[k] := 0;
  p := allnodes;
  while p <> nil do
  begin
    counts[p^.kind] := counts[p^.kind] + 1;
    p := p^.chain
  end;
  writeln('  nodes made ', madenodes:1, ', freed ', freednodes:1, ', live ', livenodes:1);
  write('  live by kind:');
  for k := kint to kcall do write(' ', counts[k]:1);
  writeln
end;

{ ---------------------------------------------------------------- main loop }

procedure command;
var
  word: alfa;
begin
  nexttoken;
  if tok = tend then
    writeln
  else
  begin
    if tok <> tident then fail(ebadcmd);
    word := tokname;
    nexttoken;
    if word = 'let     ' then cmdlet
    else if word = 'def     ' then cmddef
    else if word = 'eval    ' then cmdeval
    else if word = 'simp    ' then cmdsimp
    else if word = 'diff    ' then cmddiff
    else if word = 'table   ' then cmdtable
    else if word = 'integ   ' then cmdinteg
    else if word = 'roots   ' then cmdroots
    else if word = 'vars    ' then cmdvars
    else if word = 'funcs   ' then cmdfuncs
    else if word = 'forget  ' then cmdforget
    else if word = 'stats   ' then cmdstats
    else if word = 'data    ' then cmddata
    else if word = 'fit     ' then cmdfit
    else
    begin
      tokstart := 1;
      fail(ebadcmd)
    end
  end
end;

{ Releases the frames of calls an error left. }
procedure dropframes;
var
  fr: framelink;
begin
  while frames <> nil do
  begin
    fr := frames;
    frames := fr^.below;
    dispose(fr)
  end
end;

procedure echo;
var
  i: integer;
begin
  write('> ');
  for i := 1 to linelen do write(line[i]);
  writeln
end;

begin
  letters := ['a'..'z', 'A'..'Z'];
  digits := ['0'..'9'];
  identchars := letters + digits;
  allnodes := nil;
  livenodes := 0;
  madenodes := 0;
  freednodes := 0;
  vars := nil;
  funs := nil;
  frames := nil;
  lineno := 0;
  errors := 0;
  { an error jumps back here from any depth, drops what the command left and goes on
    with the next line }
99:
  dropframes;
  collect;
  while not eof do
  begin
    readline;
    lineno := lineno + 1;
    if linelen = 0 then
      writeln
    else if line[1] = '#' then
    begin
      write(line[1]);
      pos := 2;
      while pos <= linelen do
      begin
        write(line[pos]);
        pos := pos + 1
      end;
      writeln
    end
    else
    begin
      echo;
      command
    end;
    collect
  end;
  writeln('lines ', lineno:1, ', errors ', errors:1, ', nodes made ', madenodes:1,
          ', live at the end ', livenodes:1)
end.
