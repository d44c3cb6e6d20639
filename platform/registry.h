// The automation registry: which server library serves which programmatic identifier
// (ProgID). A registry file holds one "ProgID = path" per line; blank lines and lines
// starting with '#' or ';' are comments. A path that starts with '/' is absolute, one
// without any '/' goes through the dynamic loader's search (LD_LIBRARY_PATH, the system
// directories), and any other is taken relative to the directory of the registry file.
//
// The files consulted, first match wins: $TARN_AUTOMATION_REGISTRY alone when it is set;
// otherwise ~/.config/tarn/automation.conf, then /etc/tarn/automation.conf, then the kit's
// own registry beside the engine (share/tarn/automation.conf), which lists the servers
// shipped with the kit. ProgIDs are matched without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarn::automation {

struct RegistryEntry {
    std::string progId;
    std::string path;  // resolved as described above
    std::string file;  // the registry file and line it came from, for messages
    unsigned line = 0;
};

// A line that could not be used, with the reason: "file:line: reason".
struct RegistryProblem {
    std::string text;
};

struct Registry {
    std::vector<RegistryEntry> entries;  // in precedence order
    std::vector<RegistryProblem> problems;

    // The first entry for progId (any case); null when there is none.
    const RegistryEntry* Find(std::string_view progId) const;
};

// Longest line and ProgID a registry accepts.
inline constexpr size_t kMaxRegistryLine = 4096;
inline constexpr size_t kMaxProgId = 259;

// Whether id has the form of a ProgID: 1 to 259 letters, digits and . _ -
bool IsValidProgId(std::string_view id);

// Parses the text of one registry file named fileName, appending to registry. Lines that
// cannot be used are skipped and described in registry.problems.
void ParseRegistry(std::string_view text, const std::string& fileName, Registry& registry);

// Where the registry files are, in precedence order. override is the value of
// TARN_AUTOMATION_REGISTRY (null when not set), home that of HOME (null or empty: no user
// file), kitFile the kit's own registry (empty: none).
std::vector<std::string> RegistryFiles(const char* override, const char* home, const std::string& kitFile);

// Reads and parses the files in order. A missing file is skipped silently, except the one
// named by the override, which the user asked for: it is a problem when it cannot be read.
Registry LoadRegistry(const std::vector<std::string>& files, bool firstIsRequired);

}  // namespace tarn::automation
