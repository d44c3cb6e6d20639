program Objects(output);
{ Automation objects. The kit's own server, libtarnscripting.so, serves Tarn.Dictionary and
  Tarn.FileSystem; `make install` lists both in the kit's registry (share/tarn/automation.conf).
  createobject makes an object by its programmatic identifier; its properties and methods
  are found by name when the program runs. Arguments and results travel as variant values,
  converted to the type of the variable a result is assigned to. }
var
  fs, counts, listing: object;
  text, folder, path, word, line: string;
  i, n, count: integer;
  exists: boolean;
begin
  text := 'the cat and the dog and THE bird';
  { Count the words of a sentence: a dictionary whose keys match without regard to case. }
  counts := createobject('Tarn.Dictionary');
  counts.CompareMode := 1;
  text := text + ' ';
  word := '';
  for i := 1 to length(text) do
    if text[i] <> ' ' then
      word := word + text[i]
    else if word <> '' then begin
      if counts.Exists(word) then begin
        count := counts.Item(word);
        counts.SetItem(word, count + 1)
      end else
        counts.Add(word, 1);
      word := ''
    end;
  n := counts.Count;
  writeln(n:1, ' different words');
  for i := 0 to n - 1 do
    writeln('  ', counts.Key(i), ' ', counts.ItemAt(i));

  { Write them to a file in a folder of its own, read it back, list the folder. }
  fs := createobject('Tarn.FileSystem');
  folder := fs.BuildPath(fs.TempFolder, 'tarn-objects-example');
  exists := fs.FolderExists(folder);
  if not exists then fs.CreateFolder(folder);
  path := fs.BuildPath(folder, 'words.txt');
  fs.WriteText(path, 'words of: ' + trim(text) + chr(10));
  for i := 0 to n - 1 do begin
    line := counts.Key(i);
    count := counts.ItemAt(i);
    str(count:1, word);
    fs.AppendText(path, line + '=' + word + chr(10))
  end;
  writeln(fs.GetFileName(path), ' (', fs.GetExtensionName(path), '), ', fs.FileSize(path), ' bytes:');
  write(fs.ReadAll(path));
  fs.CopyFile(path, fs.BuildPath(folder, 'copy.txt'));
  listing := fs.ListFolder(folder);
  n := listing.Count;
  for i := 0 to n - 1 do
    writeln('  ', listing.Key(i), ' ', listing.ItemAt(i), ' bytes');

  { A failure in a server is a recoverable error: with trapping off the program goes on,
    and ioresult gives the error's number. }
  {$i-}
  fs.DeleteFile(fs.BuildPath(folder, 'no-such-file.txt'));
  count := ioresult;
  writeln('deleting a missing file: error ', count:1);
  {$i+}
  fs.DeleteFile(path);
  fs.DeleteFile(fs.BuildPath(folder, 'copy.txt'));
  fs.DeleteFolder(folder);
  exists := fs.FolderExists(folder);
  writeln('folder removed: ', not exists);
  dispose(listing);
  dispose(counts);
  dispose(fs)
end.
