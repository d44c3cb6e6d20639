// The desktop file: "[open]" and "[closed]" sections of "path",line,column,top lines.
#include "ide/project/desktop.h"

#include <cstdlib>

#include "ide/files/safe_write.h"
#include "ide/project/project.h"

namespace tarn::ide {

namespace {

std::string EntryLine(const DesktopEntry& e) {
    return "\"" + e.path + "\"," + std::to_string(e.line) + "," + std::to_string(e.col) + "," +
           std::to_string(e.top) + "\n";
}

bool ParseEntry(const std::string& line, DesktopEntry& e) {
    if (line.size() < 2 || line.front() != '"') return false;
    size_t close = line.find('"', 1);
    if (close == std::string::npos || close == 1) return false;
    e.path = line.substr(1, close - 1);
    unsigned* fields[] = {&e.line, &e.col, &e.top};
    const char* p = line.c_str() + close + 1;
    for (unsigned* f : fields) {
        if (*p != ',') return false;
        char* end = nullptr;
        unsigned long v = std::strtoul(p + 1, &end, 10);
        if (end == p + 1 || v > 0xFFFFFFFFul) return false;
        *f = unsigned(v);
        p = end;
    }
    return true;
}

}  // namespace

std::string DesktopPath(const std::string& projectPath) {
    return ReplaceExtension(projectPath, ".idt");
}

std::string DesktopText(const Desktop& d) {
    std::string out = "[open]\n";
    for (const DesktopEntry& e : d.open) out += EntryLine(e);
    out += "[closed]\n";
    for (size_t i = 0; i < d.closed.size() && i < MAX_RECENT_FILES; ++i)
        out += EntryLine(d.closed[i]);
    return out;
}

bool ReadDesktopFile(const std::string& path, Desktop& d, std::string& error) {
    d = {};
    std::string text;
    if (!ReadWholeFile(path, text, error)) return false;
    std::vector<DesktopEntry>* list = nullptr;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        DesktopEntry e;
        if (line == "[open]")
            list = &d.open;
        else if (line == "[closed]")
            list = &d.closed;
        else if (list && ParseEntry(line, e) &&
                 (list != &d.closed || d.closed.size() < MAX_RECENT_FILES))
            list->push_back(e);
    }
    return true;
}

bool WriteDesktopFile(const std::string& path, const Desktop& d, std::string& error) {
    return WriteFileSafely(path, DesktopText(d), false, error);
}

void AddRecentFile(Desktop& d, const DesktopEntry& e) {
    std::erase_if(d.closed, [&](const DesktopEntry& old) { return old.path == e.path; });
    d.closed.insert(d.closed.begin(), e);
    if (d.closed.size() > MAX_RECENT_FILES) d.closed.resize(MAX_RECENT_FILES);
}

}  // namespace tarn::ide
