program nesting(output);
type
  rec = record f: integer end;
var
  i1, i2, i3, i4, i5, i6, i7, i8, i9, i10, i11, i12, i13, i14, i15, i16, i17, i18, i19, i20, i21: integer;
  r: rec;
  g: integer;
begin
  g := 0;
    for i1 := 1 to 2 do
      for i2 := 1 to 2 do
        for i3 := 1 to 2 do
          for i4 := 1 to 2 do
            for i5 := 1 to 2 do
              for i6 := 1 to 2 do
                for i7 := 1 to 2 do
                  for i8 := 1 to 2 do
                    for i9 := 1 to 2 do
                      for i10 := 1 to 2 do
                        for i11 := 1 to 2 do
                          for i12 := 1 to 2 do
                            for i13 := 1 to 2 do
                              for i14 := 1 to 2 do
                                for i15 := 1 to 2 do
                                  for i16 := 1 to 2 do
                                    for i17 := 1 to 2 do
                                      for i18 := 1 to 2 do
                                        for i19 := 1 to 2 do
                                          for i20 := 1 to 2 do
                                            for i21 := 1 to 2 do g := g + 1;
  with r, r, r, r, r, r, r, r, r, r, r, r, r, r, r, r, r, r, r, r do f := 1;
  with r, r, r, r, r, r, r, r, r, r, r, r, r, r, r, r, r, r, r, r,
    r do f := 2;
  writeln(g, r.f)
end.
