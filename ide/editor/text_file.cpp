// Loading and saving editor text.
#include "ide/editor/text_file.h"

#include "ide/files/safe_write.h"

namespace tarn::ide {

namespace {

// One line as the engine will hold it: tabs expanded (without the tab character), control
// characters blanked.
void CleanLine(std::string_view in, bool useTabs, int tabSize, LoadResult& r, std::string& out) {
    size_t col = 0, start = out.size();
    for (char ch : in) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\t' && !useTabs) {
            r.tabsConverted = true;
            size_t n = size_t(tabSize) - col % size_t(tabSize);
            for (size_t i = 0; i < n && col < MAX_LINE_LENGTH; ++i, ++col) out += ' ';
            continue;
        }
        if (c < 32 && c != '\t') {
            r.controlsReplaced = true;
            c = ' ';
        }
        out += char(c);
        ++col;
    }
    if (out.size() - start > MAX_LINE_LENGTH) r.linesSplit = true;
}

}  // namespace

LoadResult LoadText(EditEngine& e, const std::string& data, bool useTabs, int tabSize) {
    LoadResult r;
    if (tabSize < 1) tabSize = 4;
    size_t firstEnd = data.find('\n');
    r.crlf = firstEnd != std::string::npos && firstEnd > 0 && data[firstEnd - 1] == '\r';
    std::string text;
    text.reserve(data.size() + data.size() / 8);
    size_t pos = 0;
    while (true) {
        size_t end = data.find('\n', pos);
        size_t stop = end == std::string::npos ? data.size() : end;
        std::string_view line(data.data() + pos, stop - pos);
        if (end != std::string::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        // A line is read in pieces of at most 32000 characters; each piece is a line.
        while (line.size() > MAX_READ_LINE) {
            CleanLine(line.substr(0, MAX_READ_LINE), useTabs, tabSize, r, text);
            text += '\n';
            line.remove_prefix(MAX_READ_LINE);
            r.linesSplit = true;
        }
        CleanLine(line, useTabs, tabSize, r, text);
        if (end == std::string::npos) break;
        text += '\n';
        pos = end + 1;
    }
    e.Create(text.size() + EDIT_GROWTH, EDIT_GROWTH);
    e.AllocateMarks(0);
    if (!e.InsertLines(text)) {
        // Too big for one piece: keep the lines that fit.
        r.truncated = true;
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find('\n', at);
            size_t len = (end == std::string::npos ? text.size() : end + 1) - at;
            if (!e.InsertLines(std::string_view(text).substr(at, len))) break;
            at += len;
        }
    }
    e.ClearUndo();
    e.TextStart();
    e.ClearSelection();
    e.SetModified(r.tabsConverted || r.controlsReplaced);
    r.ok = true;
    return r;
}

LoadResult LoadTextFile(EditEngine& e, const std::string& path, bool useTabs, int tabSize) {
    std::string data, error;
    if (!ReadWholeFile(path, data, error)) {
        LoadResult r;
        r.error = error;
        return r;
    }
    return LoadText(e, data, useTabs, tabSize);
}

bool SaveTextFile(const EditEngine& e, const std::string& path, bool backup, bool crlf,
                  std::string& error) {
    std::string text = e.Text();
    if (crlf) {
        std::string withCr;
        withCr.reserve(text.size() + size_t(e.LineCount()));
        for (char c : text) {
            if (c == '\n') withCr += '\r';
            withCr += c;
        }
        text.swap(withCr);
    }
    return WriteFileSafely(path, text, backup, error);
}

}  // namespace tarn::ide
