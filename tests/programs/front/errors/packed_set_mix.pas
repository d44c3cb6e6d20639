program packedsetmix(output);
{ Two declared set types must be both packed or both unpacked, in assignments and in
  expressions; a set constructor goes with either. }
type
  small = 0..31;
var
  ps: packed set of small;
  us: set of small;
begin
  ps := [1, 2];
  us := [1, 2];
  us := ps;
  ps := us;
  writeln(ps = us);
  ps := ps + us;
  writeln(ps = [1], us = [1], 1 in ps, [1] <= ps, us <= [1..3])
end.
