{ A small text adventure in standard Pascal.

  The world (rooms, doors, items, the thief's round) is read from the text file named
  by the first program argument; the player's commands come from the standard input,
  one per line, and the game prints the transcript: each command after "> " and what
  happens.  Every command is also logged with its turn to the text file named by the
  second argument, which the program reads back at the end.

  Commands: go DIRECTION (or the direction alone, n s e w u d), look, examine ITEM,
  take ITEM, take all, drop ITEM, inventory, open ITEM, close ITEM, put ITEM in ITEM,
  eat ITEM, light lamp, extinguish lamp, unlock door, read ITEM, score, save, restore,
  wait, help, quit.  Items are named by any of their words ("silver key", "key").

  The treasures are scored when they are dropped in the Great Hall.  Dark rooms need a
  lit lamp, whose oil runs out; walking makes the player hungry; a thief walks his
  round through the house and takes the best treasure the player carries now and
  then.  save keeps the whole state in a scratch file of records; restore reads it
  back.

  The program is standard Pascal and is compiled with the extensions off (tpc -E-):
  it uses list as an ordinary identifier, which the extended language reserves.

  Integers are written with explicit field widths.  The expected output was checked
  against a second compiler (Free Pascal in ISO mode, fpc -Miso), which writes the
  same text byte for byte. }
program adventure(input, output, world, transcript);

label
  9;

const
  alfalen = 10;
  maxline = 100;
  maxtext = 6000;
  maxrooms = 16;
  maxdoors = 6;
  maxitems = 24;
  maxwords = 3;
  maxinput = 8;
  maxpath = 12;
  maxcarry = 12;
  maxstrength = 40;
  blank = '          ';

type
  alfa = packed array[1..alfalen] of char;
  linebuf = packed array[1..maxline] of char;
  linelength = 0..maxline;
  wordbuf = array[1..maxline] of char;

  span = record
           first: 1..maxtext;
           len: 0..maxline
         end;
  textlink = ^textline;
  textline = record
               line: span;
               next: textlink
             end;

  direction = (north, south, east, west, up, down);
  dirset = set of direction;

  roomref = 0..maxrooms;
  roomindex = 1..maxrooms;
  doorref = 0..maxdoors;
  doorindex = 1..maxdoors;
  itemref = 0..maxitems;
  itemindex = 1..maxitems;
  itemset = set of itemindex;

  passage = record
           dest: roomref;
           door: doorref
         end;

  room = record
           id: alfa;
           name: span;
           desc: textlink;
           dark: boolean;
           exits: array[direction] of passage
         end;

  door = record
           id: alfa;
           name: span;
           locked: boolean
         end;

  placekind = (nowhere, inroom, initem, carried);
  place = record
            case where: placekind of
              inroom: (room: roomindex);
              initem: (holder: itemindex);
              nowhere, carried: ()
          end;

  kindtag = (plain, light, container, food, key, treasure, scroll);
  item = record
           id: alfa;
           name: span;
           desc: textlink;
           words: array[1..maxwords] of alfa;
           nwords: 0..maxwords;
           weight: integer;
           loc: place;
           case kind: kindtag of
             light: (fuel: integer; lit: boolean);
             container: (capacity: integer; closed: boolean);
             food: (nourish: integer);
             key: (opens: doorindex);
             treasure: (points: integer);
             scroll: (message: span);
             plain: ()
         end;

  verb = (vgo, vlook, vexamine, vtake, vdrop, vinventory, vopen, vclose, vput, veat,
          vlight, vextinguish, vunlock, vread, vscore, vsave, vrestore, vwait, vhelp,
          vquit, vnone);

  snapshot = record
               sroom: roomindex;
               sstrength, sturn, sscore, sthief, sseed: integer;
               slocs: array[itemindex] of place;
               sfuel: array[itemindex] of integer;
               slit, sclosed, sscored: itemset;
               slocked: set of doorindex;
               svisited: set of roomindex
             end;

var
  world, transcript: text;
  savefile: file of snapshot;
  saved: boolean;

  pool: packed array[1..maxtext] of char;
  poolused: integer;
  textlines: integer;           { lines of description allocated and not released }

  rooms: array[roomindex] of room;
  doors: array[doorindex] of door;
  items: array[itemindex] of item;
  nrooms: roomref;
  ndoors: doorref;
  nitems: itemref;
  start, home, lair: roomindex;
  path: array[1..maxpath] of roomindex;
  pathlen: 0..maxpath;

  { the line being read, from the world file or the player }
  line: linebuf;
  linelen: linelength;
  pos: integer;
  dataline: integer;

  { game state }
  here: roomindex;
  strength, turn, score, maxscore, thiefstep, seed: integer;
  laststrength: integer;        { the strength at the end of the last turn }
  visited: set of roomindex;
  scored: itemset;
  finished: boolean;
  commands: integer;
  logcol: integer;

  { the command }
  inwords: array[1..maxinput] of alfa;
  ninwords: integer;
  dirnames: array[direction] of alfa;

{ ------------------------------------------------------------ text }

procedure writespan(s: span);
var
  i: integer;
begin
  for i := s.first to s.first + s.len - 1 do write(pool[i])
end;

{ The span written with its first letter in capitals. }
procedure writecapital(s: span);
var
  buf: wordbuf;
  packed1: linebuf;
  i: integer;
begin
  for i := 1 to maxline do packed1[i] := ' ';
  for i := 1 to s.len do packed1[i] := pool[s.first + i - 1];
  unpack(packed1, buf, 1);
  if buf[1] in ['a'..'z'] then buf[1] := chr(ord(buf[1]) - ord('a') + ord('A'));
  for i := 1 to s.len do write(buf[i])
end;

procedure writealfa(a: alfa);
var
  i: integer;
begin
  i := 1;
  while (i <= alfalen) and (a[i] <> ' ') do
  begin
    write(a[i]);
    i := i + 1
  end
end;

procedure writelines(t: textlink);
begin
  while t <> nil do
  begin
    writespan(t^.line);
    writeln;
    t := t^.next
  end
end;

procedure freelines(var t: textlink);
var
  n: textlink;
begin
  while t <> nil do
  begin
    n := t^.next;
    dispose(t);
    textlines := textlines - 1;
    t := n
  end
end;

{ ------------------------------------------------------------ reading lines }

procedure readfrom(var f: text);
var
  c: char;
begin
  linelen := 0;
  while not eoln(f) do
  begin
    read(f, c);
    if linelen < maxline then
    begin
      linelen := linelen + 1;
      line[linelen] := c
    end
  end;
  readln(f);
  pos := 1
end;

function atend: boolean;
begin
  while (pos <= linelen) and (line[pos] = ' ') do pos := pos + 1;
  atend := pos > linelen
end;

{ The next word of the line, in lower case, cut to alfalen characters. }
procedure nextword(var w: alfa);
var
  buf: wordbuf;
  n, i: integer;
  c: char;
begin
  n := 0;
  if not atend then
    while (pos <= linelen) and (line[pos] <> ' ') do
    begin
      c := line[pos];
      if c in ['A'..'Z'] then c := chr(ord(c) - ord('A') + ord('a'));
      n := n + 1;
      buf[n] := c;
      pos := pos + 1
    end;
  for i := n + 1 to alfalen do buf[i] := ' ';
  pack(buf, 1, w)
end;

{ The rest of the line as a span of the text pool. }
procedure resttext(var s: span);
begin
  if atend then
  begin
    s.first := 1;
    s.len := 0
  end
  else
  begin
    s.first := poolused + 1;
    s.len := 0;
    while pos <= linelen do
    begin
      if poolused < maxtext then
      begin
        poolused := poolused + 1;
        pool[poolused] := line[pos];
        s.len := s.len + 1
      end;
      pos := pos + 1
    end
  end
end;

function readnumber: integer;
var
  n: integer;
begin
  n := 0;
  if not atend then
    while (pos <= linelen) and (line[pos] in ['0'..'9']) do
    begin
      n := n * 10 + ord(line[pos]) - ord('0');
      pos := pos + 1
    end;
  readnumber := n
end;

{ ------------------------------------------------------------ the world }

procedure worlderror(msg: alfa; w: alfa);
begin
  write('world file, line ', dataline:1, ': ');
  writealfa(msg);
  write(' ');
  writealfa(w);
  writeln;
  goto 9
end;

function findroom(w: alfa): roomref;
var
  i: integer;
  r: roomref;
begin
  r := 0;
  for i := 1 to nrooms do
    if rooms[i].id = w then r := i;
  if r = 0 then worlderror('no room   ', w);
  findroom := r
end;

function finddoor(w: alfa): doorref;
var
  i: integer;
  d: doorref;
begin
  d := 0;
  for i := 1 to ndoors do
    if doors[i].id = w then d := i;
  if d = 0 then worlderror('no door   ', w);
  finddoor := d
end;

function finditem(w: alfa): itemref;
var
  i: integer;
  t: itemref;
begin
  t := 0;
  for i := 1 to nitems do
    if items[i].id = w then t := i;
  if t = 0 then worlderror('no item   ', w);
  finditem := t
end;

function dirof(w: alfa; var d: direction): boolean;
var
  k: direction;
  found: boolean;
begin
  found := false;
  for k := north to down do
    if (dirnames[k] = w) or ((w[2] = ' ') and (w[1] = dirnames[k][1])) then
    begin
      d := k;
      found := true
    end;
  dirof := found
end;

procedure appendline(var list: textlink; s: span);
var
  t, last: textlink;
begin
  new(t);
  textlines := textlines + 1;
  t^.line := s;
  t^.next := nil;
  if list = nil then list := t
  else
  begin
    last := list;
    while last^.next <> nil do last := last^.next;
    last^.next := t
  end
end;

{ Reads the world in two passes: the first learns every room's and door's id, so the
  exits can name rooms declared further down; the second reads the details. }
procedure readworld;
type
  section = (none, inroomsec, indoorsec, initemsec);
var
  keyword, w: alfa;
  cur: section;
  s: span;
  d: direction;
  k: kindtag;
  pass: 1..2;
  r: roomref;
  t: itemref;
  dr: doorref;

  procedure newroom(id: alfa);
  var
    k: direction;
  begin
    nrooms := nrooms + 1;
    with rooms[nrooms] do
    begin
      name.first := 1;
      name.len := 0;
      desc := nil;
      dark := false;
      for k := north to down do
      begin
        exits[k].dest := 0;
        exits[k].door := 0
      end
    end;
    rooms[nrooms].id := id
  end;

begin
  nrooms := 0;
  ndoors := 0;
  nitems := 0;
  pathlen := 0;
  for pass := 1 to 2 do
  begin
    reset(world);
    dataline := 0;
    cur := none;
    r := 0;
    t := 0;
    dr := 0;
    while not eof(world) do
    begin
      readfrom(world);
      dataline := dataline + 1;
      nextword(keyword);
      if (keyword[1] = '#') or (keyword = blank) then
        { a comment or an empty line }
      else if pass = 1 then
      begin
        if keyword = 'room      ' then
        begin
          nextword(w);
          newroom(w)
        end
        else if keyword = 'door      ' then
        begin
          nextword(w);
          ndoors := ndoors + 1;
          doors[ndoors].id := w;
          doors[ndoors].locked := false
        end
        else if keyword = 'item      ' then
        begin
          nextword(w);
          nitems := nitems + 1;
          items[nitems].id := w;
          items[nitems].desc := nil    { released even when a later line is wrong }
        end
      end
      else if keyword = 'room      ' then
      begin
        nextword(w);
        r := findroom(w);
        cur := inroomsec
      end
      else if keyword = 'door      ' then
      begin
        nextword(w);
        dr := finddoor(w);
        cur := indoorsec
      end
      else if keyword = 'item      ' then
      begin
        nextword(w);
        t := finditem(w);
        cur := initemsec;
        with items[t] do
        begin
          desc := nil;
          nwords := 0;
          weight := 1;
          loc.where := nowhere;
          name.first := 1;
          name.len := 0;
          kind := plain
        end
      end
      else if keyword = 'name      ' then
      begin
        resttext(s);
        case cur of
          inroomsec: rooms[r].name := s;
          indoorsec: doors[dr].name := s;
          initemsec: items[t].name := s;
          none: worlderror('misplaced ', keyword)
        end
      end
      else if keyword = 'desc      ' then
      begin
        resttext(s);
        case cur of
          inroomsec: appendline(rooms[r].desc, s);
          initemsec: appendline(items[t].desc, s);
          indoorsec, none: worlderror('misplaced ', keyword)
        end
      end
      else if (keyword = 'dark      ') and (cur = inroomsec) then
        rooms[r].dark := true
      else if (keyword = 'locked    ') and (cur = indoorsec) then
        doors[dr].locked := true
      else if (keyword = 'exit      ') and (cur = inroomsec) then
      begin
        nextword(w);
        if not dirof(w, d) then worlderror('direction ', w);
        nextword(w);
        rooms[r].exits[d].dest := findroom(w);
        nextword(w);
        if w <> blank then rooms[r].exits[d].door := finddoor(w)
      end
      else if (keyword = 'words     ') and (cur = initemsec) then
        with items[t] do
          while not atend and (nwords < maxwords) do
          begin
            nwords := nwords + 1;
            nextword(words[nwords])
          end
      else if (keyword = 'at        ') and (cur = initemsec) then
      begin
        nextword(w);
        items[t].loc.where := inroom;
        items[t].loc.room := findroom(w)
      end
      else if (keyword = 'in        ') and (cur = initemsec) then
      begin
        nextword(w);
        items[t].loc.where := initem;
        items[t].loc.holder := finditem(w)
      end
      else if (keyword = 'weight    ') and (cur = initemsec) then
        items[t].weight := readnumber
      else if (keyword = 'kind      ') and (cur = initemsec) then
      begin
        nextword(w);
        if w = 'plain     ' then k := plain
        else if w = 'light     ' then k := light
        else if w = 'container ' then k := container
        else if w = 'food      ' then k := food
        else if w = 'key       ' then k := key
        else if w = 'treasure  ' then k := treasure
        else if w = 'scroll    ' then k := scroll
        else worlderror('kind      ', w);
        with items[t] do
        begin
          kind := k;
          case k of
            plain: ;
            light:
              begin
                fuel := readnumber;
                lit := false
              end;
            container:
              begin
                capacity := readnumber;
                nextword(w);
                closed := w = 'closed    '
              end;
            food: nourish := readnumber;
            key:
              begin
                nextword(w);
                opens := finddoor(w)
              end;
            treasure: points := readnumber;
            scroll: resttext(message)
          end
        end
      end
      else if keyword = 'start     ' then
      begin
        nextword(w);
        start := findroom(w)
      end
      else if keyword = 'home      ' then
      begin
        nextword(w);
        home := findroom(w)
      end
      else if keyword = 'lair      ' then
      begin
        nextword(w);
        lair := findroom(w)
      end
      else if keyword = 'strength  ' then
        strength := readnumber
      else if keyword = 'thief     ' then
        while not atend and (pathlen < maxpath) do
        begin
          nextword(w);
          pathlen := pathlen + 1;
          path[pathlen] := findroom(w)
        end
      else
        worlderror('keyword   ', keyword)
    end
  end
end;

{ ------------------------------------------------------------ the state of things }

function random(n: integer): integer;
begin
  seed := (seed * 421 + 2113) mod 8192;
  random := seed mod n
end;

function carrying(i: itemindex): boolean;
begin
  carrying := items[i].loc.where = carried
end;

{ Whether the item can be reached: in the room, carried, or inside an open container
  that can itself be reached. }
function reachable(i: itemindex): boolean;
begin
  with items[i].loc do
    case where of
      nowhere: reachable := false;
      carried: reachable := true;
      inroom: reachable := room = here;
      initem:
        if items[holder].kind <> container then reachable := false
        else if items[holder].closed then reachable := false
        else reachable := reachable(holder)
    end
end;

function lightsource(i: itemindex): boolean;
begin
  lightsource := false;
  if items[i].kind = light then
    if items[i].lit then lightsource := reachable(i)
end;

function roomlit: boolean;
var
  i: integer;
  lit: boolean;
begin
  lit := not rooms[here].dark;
  for i := 1 to nitems do
    if lightsource(i) then lit := true;
  roomlit := lit
end;

{ The weight of an item with everything inside it. }
function totalweight(i: itemindex): integer;
var
  j, w: integer;
begin
  w := items[i].weight;
  for j := 1 to nitems do
    if items[j].loc.where = initem then
      if items[j].loc.holder = i then w := w + totalweight(j);
  totalweight := w
end;

function load: integer;
var
  i, w: integer;
begin
  w := 0;
  for i := 1 to nitems do
    if carrying(i) then w := w + totalweight(i);
  load := w
end;

function contentweight(c: itemindex): integer;
var
  i, w: integer;
begin
  w := 0;
  for i := 1 to nitems do
    if items[i].loc.where = initem then
      if items[i].loc.holder = c then w := w + totalweight(i);
  contentweight := w
end;

{ Calls visit for every item that satisfies wanted, in the order of the world file. }
procedure forall(function wanted(i: itemindex): boolean;
                 procedure visit(i: itemindex));
var
  i: integer;
begin
  for i := 1 to nitems do
    if wanted(i) then visit(i)
end;

function count(function wanted(i: itemindex): boolean): integer;
var
  i, n: integer;
begin
  n := 0;
  for i := 1 to nitems do
    if wanted(i) then n := n + 1;
  count := n
end;

function onfloor(i: itemindex): boolean;
begin
  onfloor := (items[i].loc.where = inroom) and (items[i].loc.room = here)
end;

procedure mentionfloor(i: itemindex);
begin
  write('There is ');
  writespan(items[i].name);
  writeln(' here.')
end;

{ Lists what is inside item c, indented by depth, and inside those in turn. }
procedure listcontents(c: itemindex; depth: integer);
var
  i, k: integer;
begin
  if items[c].kind = container then
    if not items[c].closed then
      for i := 1 to nitems do
        if items[i].loc.where = initem then
          if items[i].loc.holder = c then
          begin
            for k := 1 to depth do write('  ');
            writespan(items[i].name);
            writeln;
            listcontents(i, depth + 1)
          end
end;

procedure mentioncarried(i: itemindex);
begin
  write('  ');
  writespan(items[i].name);
  if items[i].kind = light then
    if items[i].lit then write(' (lit)');
  if items[i].kind = container then
    if items[i].closed then write(' (closed)');
  writeln;
  listcontents(i, 2)
end;

function istreasure(i: itemindex): boolean;
begin
  istreasure := items[i].kind = treasure
end;

function carriedtreasure(i: itemindex): boolean;
begin
  carriedtreasure := carrying(i) and (items[i].kind = treasure)
end;

{ ------------------------------------------------------------ describing }

procedure describe(full: boolean);
var
  d: direction;
  open: dirset;
  first: boolean;
begin
  if not roomlit then
  begin
    writeln('It is pitch dark. You might stumble into something.');
    first := true
  end
  else
  begin
    writespan(rooms[here].name);
    writeln;
    if full or not (here in visited) then writelines(rooms[here].desc);
    forall(onfloor, mentionfloor);
    first := true
  end;
  open := [];
  for d := north to down do
    if rooms[here].exits[d].dest <> 0 then open := open + [d];
  write('Exits:');
  for d := north to down do
    if d in open then
    begin
      if not first then write(',');
      write(' ');
      writealfa(dirnames[d]);
      first := false
    end;
  writeln('.');
  if pathlen > 0 then
    if here = path[thiefstep] then
      writeln('A shifty-looking thief is lurking in the shadows.');
  visited := visited + [here]
end;

{ ------------------------------------------------------------ the command }

procedure splitcommand;
var
  w: alfa;
begin
  ninwords := 0;
  while not atend do
  begin
    nextword(w);
    if (w <> 'the       ') and (w <> 'a         ') and (w <> 'an        ') and
       (w <> 'at        ') and (w <> 'to        ') then
      if ninwords < maxinput then
      begin
        ninwords := ninwords + 1;
        inwords[ninwords] := w
      end
  end
end;

function verbof(w: alfa): verb;
var
  v: verb;
  d: direction;
begin
  v := vnone;
  if (w = 'go        ') or (w = 'walk      ') or dirof(w, d) then v := vgo
  else if (w = 'look      ') or (w = 'l         ') then v := vlook
  else if (w = 'examine   ') or (w = 'x         ') then v := vexamine
  else if (w = 'take      ') or (w = 'get       ') then v := vtake
  else if (w = 'drop      ') or (w = 'leave     ') then v := vdrop
  else if (w = 'inventory ') or (w = 'i         ') then v := vinventory
  else if w = 'open      ' then v := vopen
  else if w = 'close     ' then v := vclose
  else if w = 'put       ' then v := vput
  else if w = 'eat       ' then v := veat
  else if w = 'light     ' then v := vlight
  else if (w = 'extinguish') or (w = 'douse     ') then v := vextinguish
  else if w = 'unlock    ' then v := vunlock
  else if w = 'read      ' then v := vread
  else if w = 'score     ' then v := vscore
  else if w = 'save      ' then v := vsave
  else if w = 'restore   ' then v := vrestore
  else if (w = 'wait      ') or (w = 'z         ') then v := vwait
  else if w = 'help      ' then v := vhelp
  else if w = 'quit      ' then v := vquit;
  verbof := v
end;

{ The item named by the words first..last of the command: every word given must be
  one of the item's words.  Items carried are preferred to items only reachable; in
  the dark only they count.  0 when there is none; -1 when the words fit several
  items equally well. }
function itemnamed(first, last: integer; dark: boolean): integer;
var
  i, j, k, found, quality, best: integer;
  fits, match: boolean;
begin
  found := 0;
  best := 0;
  for i := 1 to nitems do
    if reachable(i) and (carrying(i) or not dark) then
    begin
      fits := last >= first;
      for j := first to last do
      begin
        match := false;
        for k := 1 to items[i].nwords do
          if items[i].words[k] = inwords[j] then match := true;
        fits := fits and match
      end;
      if fits then
      begin
        if carrying(i) then quality := 2 else quality := 1;
        if quality > best then
        begin
          best := quality;
          found := i
        end
        else if quality = best then
          found := -1
      end
    end;
  itemnamed := found
end;

{ The item the command names from word first on (up to the word before stop, when
  stop is a word of the command); writes why not and answers 0 when there is none. }
function itemarg(first: integer; stop: alfa; var after: integer): integer;
var
  last, found: integer;
begin
  last := first;
  while (last <= ninwords) and (inwords[last] <> stop) do last := last + 1;
  after := last + 1;
  last := last - 1;
  if last < first then
  begin
    writeln('You need to say what.');
    found := 0
  end
  else
  begin
    found := itemnamed(first, last, not roomlit);
    if (found = 0) and not roomlit then
      writeln('You can not see a thing.')
    else if found = 0 then
      writeln('You see no such thing.')
    else if found < 0 then
    begin
      writeln('Which one do you mean?');
      found := 0
    end
  end;
  itemarg := found
end;

{ ------------------------------------------------------------ actions }

procedure walk(d: direction);
var
  e: passage;
begin
  e := rooms[here].exits[d];
  if e.dest = 0 then
    writeln('You can not go that way.')
  else if e.door <> 0 then
  begin
    if doors[e.door].locked then
    begin
      writecapital(doors[e.door].name);
      writeln(' is locked.')
    end
    else
    begin
      here := e.dest;
      strength := strength - 1;
      describe(false)
    end
  end
  else
  begin
    if not roomlit and (random(4) = 0) then
      writeln('You trip over something in the dark, but pick yourself up.');
    here := e.dest;
    strength := strength - 1;
    describe(false)
  end
end;

procedure take(i: itemindex);
begin
  with items[i] do
    if carrying(i) then
      writeln('You already have that.')
    else if weight >= 50 then
      writeln('It is far too heavy to move.')
    else if load + totalweight(i) > maxcarry then
      writeln('You are carrying too much already.')
    else
    begin
      loc.where := carried;
      write('You take ');
      writespan(name);
      writeln('.')
    end
end;

procedure takeall;
var
  i, n: integer;
begin
  n := 0;
  if not roomlit then
    writeln('You can not see a thing.')
  else
  begin
    for i := 1 to nitems do
      if onfloor(i) and (items[i].weight < 50) then
      begin
        take(i);
        n := n + 1
      end;
    if n = 0 then writeln('There is nothing here you can take.')
  end
end;

procedure drop(i: itemindex);
begin
  if not carrying(i) then
    writeln('You are not carrying that.')
  else
  begin
    items[i].loc.where := inroom;
    items[i].loc.room := here;
    write('You drop ');
    writespan(items[i].name);
    writeln('.');
    if (here = home) and (items[i].kind = treasure) and not (i in scored) then
    begin
      scored := scored + [i];
      score := score + items[i].points;
      writeln('Your score goes up by ', items[i].points:1, '.')
    end
  end
end;

procedure examine(i: itemindex);
begin
  with items[i] do
  begin
    if desc = nil then
    begin
      write('You see nothing special about ');
      writespan(name);
      writeln('.')
    end
    else
      writelines(desc);
    case kind of
      light:
        if lit then writeln('It is lit.') else writeln('It is dark.');
      container:
        if closed then writeln('It is closed.')
        else if contentweight(i) = 0 then writeln('It is empty.')
        else
        begin
          writeln('It holds:');
          listcontents(i, 1)
        end;
      treasure:
        writeln('It is worth ', points:1, ' points.');
      food, key, scroll, plain: ;
    end
  end
end;

procedure openclose(i: itemindex; opening: boolean);
begin
  with items[i] do
    if kind <> container then
      writeln('That is not something you can open or close.')
    else if closed <> opening then
    begin
      if opening then writeln('It is already open.') else writeln('It is already closed.')
    end
    else
    begin
      closed := not opening;
      if opening then
      begin
        write('You open ');
        writespan(name);
        writeln('.');
        if contentweight(i) > 0 then
        begin
          writeln('Inside you find:');
          listcontents(i, 1)
        end
      end
      else
      begin
        write('You close ');
        writespan(name);
        writeln('.')
      end
    end
end;

{ Whether c holds d, directly or deeper down. }
function inside(d, c: itemindex): boolean;
begin
  if items[d].loc.where <> initem then inside := false
  else if items[d].loc.holder = c then inside := true
  else inside := inside(items[d].loc.holder, c)
end;

procedure putin(i, c: itemindex);
begin
  if i = c then
    writeln('That would be a neat trick.')
  else if items[c].kind <> container then
    writeln('You can not put anything in that.')
  else if items[c].closed then
    writeln('It is closed.')
  else if inside(c, i) then
    writeln('That would be a neat trick.')
  else if contentweight(c) + totalweight(i) > items[c].capacity then
    writeln('It does not fit.')
  else
  begin
    items[i].loc.where := initem;
    items[i].loc.holder := c;
    write('You put ');
    writespan(items[i].name);
    write(' in ');
    writespan(items[c].name);
    writeln('.')
  end
end;

procedure eat(i: itemindex);
begin
  if items[i].kind <> food then
    writeln('That is not food.')
  else
  begin
    strength := strength + items[i].nourish;
    if strength > maxstrength then strength := maxstrength;
    laststrength := strength;
    items[i].loc.where := nowhere;
    write('You eat ');
    writespan(items[i].name);
    writeln('. You feel stronger.')
  end
end;

procedure lamp(i: itemindex; on: boolean);
begin
  with items[i] do
    if kind <> light then
      writeln('You can not light that.')
    else if not carrying(i) then
      writeln('You need to hold it first.')
    else if on and (fuel = 0) then
      writeln('There is no oil left.')
    else if lit = on then
    begin
      if on then writeln('It is already lit.') else writeln('It is not lit.')
    end
    else
    begin
      lit := on;
      if on then writeln('The lamp is now lit.') else writeln('The lamp is now dark.')
    end
end;

procedure unlock;
var
  d: direction;
  e: passage;
  k: integer;
  found: boolean;
begin
  found := false;
  for d := north to down do
  begin
    e := rooms[here].exits[d];
    if (e.door <> 0) and not found then
      if doors[e.door].locked then
      begin
        found := true;
        for k := 1 to nitems do
          if carrying(k) and (items[k].kind = key) then
            if items[k].opens = e.door then
              if doors[e.door].locked then
              begin
                doors[e.door].locked := false;
                write('You unlock ');
                writespan(doors[e.door].name);
                write(' with ');
                writespan(items[k].name);
                writeln('.')
              end;
        if doors[e.door].locked then
          writeln('You have no key that fits.')
      end
  end;
  if not found then writeln('There is nothing here to unlock.')
end;

procedure readit(i: itemindex);
begin
  if items[i].kind <> scroll then
    writeln('There is nothing written on it.')
  else
  begin
    write('It reads: "');
    writespan(items[i].message);
    writeln('"')
  end
end;

procedure showscore;
var
  rank: integer;
begin
  writeln('You have scored ', score:1, ' of ', maxscore:1, ' points in ', turn:1,
          ' turns.');
  rank := score * 4 div maxscore;
  write('That makes you ');
  case rank of
    0: writeln('a mere visitor.');
    1: writeln('a petty burglar.');
    2: writeln('a skilled treasure hunter.');
    3: writeln('a master thief.');
    4: writeln('the owner of the house, in all but name.')
  end
end;

procedure savegame;
var
  s: snapshot;
  i: integer;
  k: integer;
begin
  with s do
  begin
    sroom := here;
    sstrength := strength;
    sturn := turn;
    sscore := score;
    sthief := thiefstep;
    sseed := seed;
    slit := [];
    sclosed := [];
    sscored := scored;
    slocked := [];
    svisited := visited;
    for i := 1 to maxitems do
    begin
      slocs[i].where := nowhere;
      sfuel[i] := 0
    end;
    for i := 1 to nitems do
    begin
      slocs[i] := items[i].loc;
      case items[i].kind of
        light:
          begin
            sfuel[i] := items[i].fuel;
            if items[i].lit then slit := slit + [i]
          end;
        container: if items[i].closed then sclosed := sclosed + [i];
        plain, food, key, treasure, scroll: ;
      end
    end;
    for k := 1 to ndoors do
      if doors[k].locked then slocked := slocked + [k]
  end;
  rewrite(savefile);
  write(savefile, s);
  saved := true;
  writeln('Game saved.')
end;

procedure restoregame;
var
  s: snapshot;
  i, k: integer;
begin
  if not saved then
    writeln('There is no saved game.')
  else
  begin
    reset(savefile);
    read(savefile, s);
    with s do
    begin
      here := sroom;
      strength := sstrength;
      laststrength := strength;
      turn := sturn;
      score := sscore;
      thiefstep := sthief;
      seed := sseed;
      scored := sscored;
      visited := svisited;
      for i := 1 to nitems do
      begin
        items[i].loc := slocs[i];
        case items[i].kind of
          light:
            begin
              items[i].fuel := sfuel[i];
              items[i].lit := i in slit
            end;
          container: items[i].closed := i in sclosed;
          plain, food, key, treasure, scroll: ;
        end
      end;
      for k := 1 to ndoors do doors[k].locked := k in slocked
    end;
    writeln('Game restored.');
    describe(true)
  end
end;

procedure help;
begin
  writeln('Try: north (n), south (s), east (e), west (w), up (u), down (d), look,');
  writeln('examine, take, drop, inventory (i), open, close, put ... in ..., eat,');
  writeln('light, extinguish, unlock, read, score, save, restore, wait, quit.')
end;

{ ------------------------------------------------------------ the world's own turn }

procedure thiefturn;
var
  i, best: integer;
begin
  if pathlen > 0 then
  begin
    thiefstep := thiefstep mod pathlen + 1;
    if path[thiefstep] = here then
    begin
      best := 0;
      for i := 1 to nitems do
        if carriedtreasure(i) then
          if best = 0 then best := i
          else if items[i].points > items[best].points then best := i;
      if best = 0 then
        writeln('A thief slinks past, sees you have nothing worth taking, and leaves.')
      else if random(3) = 0 then
      begin
        write('A thief snatches ');
        writespan(items[best].name);
        writeln(' from you and vanishes!');
        items[best].loc.where := inroom;
        items[best].loc.room := lair
      end
      else
        writeln('A thief eyes your treasures, but you clutch them tightly.')
    end
  end
end;

{ The number of members of s. }
function members(s: itemset): integer;
var
  i, n: integer;
begin
  n := 0;
  for i := 1 to maxitems do
    if i in s then n := n + 1;
  members := n
end;

procedure worldturn;
var
  i: integer;
begin
  turn := turn + 1;
  for i := 1 to nitems do
    if items[i].kind = light then
      if items[i].lit then
      begin
        items[i].fuel := items[i].fuel - 1;
        if items[i].fuel = 0 then
        begin
          items[i].lit := false;
          if reachable(i) then writeln('Your lamp sputters and goes out.')
        end
        else if (items[i].fuel = 2) and reachable(i) then
          writeln('Your lamp is flickering.')
      end;
  thiefturn;
  { hunger is felt when walking has made the player weaker }
  if strength < laststrength then
    if strength <= 0 then
    begin
      writeln('You collapse from hunger.');
      finished := true
    end
    else if strength <= 4 then
      writeln('You are weak with hunger.')
    else if strength <= 8 then
      writeln('You are getting hungry.');
  laststrength := strength;
  if count(istreasure) = members(scored) then
  begin
    writeln('You have brought every treasure home!');
    finished := true
  end
end;

{ ------------------------------------------------------------ the main loop }

procedure perform;
var
  v: verb;
  d: direction;
  i, c, after: integer;
  tookturn: boolean;
begin
  if ninwords = 0 then
    writeln('Beg your pardon?')
  else
  begin
    v := verbof(inwords[1]);
    tookturn := true;
    case v of
      vgo:
        if dirof(inwords[1], d) then walk(d)
        else if ninwords < 2 then writeln('Go where?')
        else if dirof(inwords[2], d) then walk(d)
        else writeln('That is not a direction.');
      vlook:
        if ninwords > 1 then
        begin
          i := itemarg(2, blank, after);
          if i > 0 then examine(i)
        end
        else describe(true);
      vexamine:
        begin
          i := itemarg(2, blank, after);
          if i > 0 then examine(i)
        end;
      vtake:
        if (ninwords = 2) and (inwords[2] = 'all       ') then takeall
        else
        begin
          i := itemarg(2, blank, after);
          if i > 0 then take(i)
        end;
      vdrop:
        begin
          i := itemarg(2, blank, after);
          if i > 0 then drop(i)
        end;
      vinventory:
        begin
          tookturn := false;
          if count(carrying) = 0 then writeln('You are empty-handed.')
          else
          begin
            writeln('You are carrying:');
            forall(carrying, mentioncarried);
            writeln('Load ', load:1, ' of ', maxcarry:1, '.')
          end
        end;
      vopen, vclose:
        begin
          i := itemarg(2, blank, after);
          if i > 0 then openclose(i, v = vopen)
        end;
      vput:
        begin
          i := itemarg(2, 'in        ', after);
          if i > 0 then
          begin
            c := itemarg(after, blank, after);
            if c > 0 then putin(i, c)
          end
        end;
      veat:
        begin
          i := itemarg(2, blank, after);
          if i > 0 then eat(i)
        end;
      vlight, vextinguish:
        begin
          i := itemarg(2, blank, after);
          if i > 0 then lamp(i, v = vlight)
        end;
      vunlock: unlock;
      vread:
        begin
          i := itemarg(2, blank, after);
          if i > 0 then readit(i)
        end;
      vscore:
        begin
          tookturn := false;
          showscore
        end;
      vsave:
        begin
          tookturn := false;
          savegame
        end;
      vrestore:
        begin
          tookturn := false;
          restoregame
        end;
      vwait: writeln('Time passes.');
      vhelp:
        begin
          tookturn := false;
          help
        end;
      vquit:
        begin
          tookturn := false;
          finished := true
        end;
      vnone:
        begin
          tookturn := false;
          write('I do not know how to ');
          writealfa(inwords[1]);
          writeln('.')
        end
    end;
    if tookturn and not finished then worldturn
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

{ The log of commands, read back: its number of lines and its last line. }
procedure replaylog;
var
  n, i: integer;
begin
  reset(transcript);
  n := 0;
  linelen := 0;
  while not eof(transcript) do
  begin
    readfrom(transcript);
    n := n + 1
  end;
  write('The log holds ', n:1, ' commands; the last was "');
  for i := 1 to linelen do write(line[i]);
  writeln('".')
end;

procedure freeworld;
var
  i: integer;
begin
  for i := 1 to nrooms do freelines(rooms[i].desc);
  for i := 1 to nitems do freelines(items[i].desc)
end;

procedure setup;
var
  i: integer;
begin
  dirnames[north] := 'north     ';
  dirnames[south] := 'south     ';
  dirnames[east] := 'east      ';
  dirnames[west] := 'west      ';
  dirnames[up] := 'up        ';
  dirnames[down] := 'down      ';
  poolused := 0;
  textlines := 0;
  strength := 20;
  readworld;
  here := start;
  laststrength := strength;
  turn := 0;
  score := 0;
  maxscore := 0;
  for i := 1 to nitems do
    if items[i].kind = treasure then maxscore := maxscore + items[i].points;
  thiefstep := 1;
  seed := 7;
  visited := [];
  scored := [];
  finished := false;
  saved := false;
  commands := 0;
  writeln('The world holds ', nrooms:1, ' rooms, ', ndoors:1, ' doors and ', nitems:1,
          ' items (', poolused:1, ' characters of text).');
  writeln;
  describe(true)
end;

begin
  setup;
  rewrite(transcript);
  while not eof and not finished do
  begin
    readfrom(input);
    echo;
    commands := commands + 1;
    write(transcript, turn:4, ' ');
    for logcol := 1 to linelen do write(transcript, line[logcol]);
    writeln(transcript);
    splitcommand;
    perform
  end;
  writeln;
  showscore;
  replaylog;
9:
  freeworld;
  writeln('Lines of text still held: ', textlines:1)
end.
