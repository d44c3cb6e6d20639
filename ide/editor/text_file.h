// Loading a source file into an EditEngine and saving it back. Lines end in LF or CR LF
// (the file's first line end decides how it is written back); bytes are kept as they are,
// except that tabs are expanded when the tab character is not used and other control
// characters become blanks. A file that ends with a line end gains an empty last line, so
// it is written back identically.
#pragma once

#include <string>

#include "ide/editengine/editengine.h"

namespace tarn::ide {

constexpr size_t MAX_READ_LINE = 32000;

struct LoadResult {
    bool ok = false;  // false: the file could not be read (error says why)
    bool tabsConverted = false;  // "TAB characters were converted to spaces"
    bool controlsReplaced = false;  // "Control characters were deleted"
    bool linesSplit = false;  // "One or more lines may have been split into shorter lines."
    bool truncated = false;  // "File truncated\nToo big to fit in buffer"
    bool crlf = false;
    std::string error;
};

LoadResult LoadTextFile(EditEngine& e, const std::string& path, bool useTabs, int tabSize);
// Loads text already in memory the same way.
LoadResult LoadText(EditEngine& e, const std::string& data, bool useTabs, int tabSize);
// Writes every line with its line end, the last without; through a temporary file, with a
// ".bak" of the old file when backup is set.
bool SaveTextFile(const EditEngine& e, const std::string& path, bool backup, bool crlf,
                  std::string& error);

}  // namespace tarn::ide
