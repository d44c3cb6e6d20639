program pascal_release;
{ Reference counts, seen through the test server's Live count (its objects alive now):
  dispose releases an object at once; an object a variable no longer refers to (the
  variable reassigned, a local variable whose routine returned, a result never stored)
  stays held until the end of the run; a dictionary holds a reference of its own to each
  item, given back when the item is removed or the dictionary goes. The server reports 0 objects alive when it is unloaded after the run. }
type
  thing = object;
var
  t, c, d, dict: object;

procedure local_object(parent: thing);
var
  mine: object;
begin
  mine := parent.Child;
  writeln('in routine ', parent.Live)
end;

begin
  t := createobject('Tarn.Test');
  writeln('one ', t.Live);
  c := t.Child;
  writeln('child ', t.Live);
  dispose(c);
  writeln('disposed ', t.Live);
  c := t.Child;
  c := t.Child;
  writeln('reassigned ', t.Live);
  d := c;
  writeln('copied ', t.Live);
  dispose(d);
  writeln('copy disposed ', t.Live);
  local_object(t);
  writeln('after routine ', t.Live);
  writeln(t.Same(t.Child), ' ', t.Live);
  dict := createobject('Tarn.Dictionary');
  dict.Add('a', t.Child);
  c := t.Child;
  dict.Add('b', c);
  writeln('in dictionary ', t.Live, ' ', dict.Count);
  dispose(c);
  writeln('dictionary keeps ', t.Live);
  dict.Remove('b');
  writeln('removed ', t.Live);
  dispose(dict);
  writeln('dictionary gone ', t.Live);
  t.Keep(t.Child);
  writeln('kept ', t.Live)
end.
