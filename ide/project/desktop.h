// The desktop file beside a project (".idt"): the editor windows that were open when the
// project was closed, with their caret and first visible line, and the recently closed
// files.
#pragma once

#include <string>
#include <vector>

namespace tarn::ide {

constexpr size_t MAX_RECENT_FILES = 9;

struct DesktopEntry {
    std::string path;
    unsigned line = 0, col = 0, top = 0;  // 0 = unknown
    friend bool operator==(const DesktopEntry&, const DesktopEntry&) = default;
};

struct Desktop {
    std::vector<DesktopEntry> open;
    std::vector<DesktopEntry> closed;  // newest first, at most MAX_RECENT_FILES
};

std::string DesktopPath(const std::string& projectPath);
std::string DesktopText(const Desktop& d);
// Lines that do not parse are skipped; a missing file gives an empty desktop and false.
bool ReadDesktopFile(const std::string& path, Desktop& d, std::string& error);
bool WriteDesktopFile(const std::string& path, const Desktop& d, std::string& error);
// Puts a closed file at the front of the recent list (once), keeping at most nine.
void AddRecentFile(Desktop& d, const DesktopEntry& e);

}  // namespace tarn::ide
