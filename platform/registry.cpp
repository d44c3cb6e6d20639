// The automation registry (see registry.h).
#include "platform/registry.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <strings.h>

namespace tarn::automation {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// ProgIDs are written like "Tarn.Dictionary" or "Vendor.Component.2".
bool IsProgIdCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
}

const char* CheckProgId(std::string_view id) {
    if (id.empty()) return "no ProgID before '='";
    if (id.size() > kMaxProgId) return "ProgID longer than 259 characters";
    for (char c : id) {
        if (!IsProgIdCharacter(c)) return "ProgID may hold only letters, digits and . _ -";
    }
    return nullptr;
}

std::string Directory(const std::string& file) {
    size_t slash = file.rfind('/');
    return slash == std::string::npos ? "." : file.substr(0, slash == 0 ? 1 : slash);
}

std::string ResolvePath(std::string_view path, const std::string& fileName) {
    if (path.front() == '/' || path.find('/') == std::string_view::npos) return std::string(path);
    std::string dir = Directory(fileName);
    return dir + (dir.back() == '/' ? "" : "/") + std::string(path);
}

}  // namespace

bool IsValidProgId(std::string_view id) { return CheckProgId(id) == nullptr; }

const RegistryEntry* Registry::Find(std::string_view progId) const {
    for (const RegistryEntry& e : entries) {
        if (e.progId.size() == progId.size() && strncasecmp(e.progId.data(), progId.data(), progId.size()) == 0)
            return &e;
    }
    return nullptr;
}

void ParseRegistry(std::string_view text, const std::string& fileName, Registry& registry) {
    size_t firstEntry = registry.entries.size();
    unsigned lineNumber = 0;
    auto problem = [&](const std::string& what) {
        registry.problems.push_back({fileName + ":" + std::to_string(lineNumber) + ": " + what});
    };
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (raw.size() > kMaxRegistryLine) {
            problem("line longer than 4096 characters");
            continue;
        }
        std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        if (line.find('\0') != std::string_view::npos) {
            problem("line holds a zero byte");
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            problem("expected 'ProgID = path'");
            continue;
        }
        std::string_view id = Trim(line.substr(0, eq));
        std::string_view path = Trim(line.substr(eq + 1));
        if (const char* bad = CheckProgId(id)) {
            problem(bad);
            continue;
        }
        if (path.empty()) {
            problem("no library path after '='");
            continue;
        }
        bool duplicate = false;
        for (size_t i = firstEntry; i < registry.entries.size(); ++i) {
            const RegistryEntry& e = registry.entries[i];
            if (e.progId.size() == id.size() && strncasecmp(e.progId.data(), id.data(), id.size()) == 0) {
                problem("'" + std::string(id) + "' is already registered on line " + std::to_string(e.line));
                duplicate = true;
                break;
            }
        }
        if (duplicate) continue;
        registry.entries.push_back({std::string(id), ResolvePath(path, fileName), fileName, lineNumber});
    }
}

std::vector<std::string> RegistryFiles(const char* override, const char* home, const std::string& kitFile) {
    if (override) return {override};
    std::vector<std::string> files;
    if (home && *home) files.push_back(std::string(home) + "/.config/tarn/automation.conf");
    files.push_back("/etc/tarn/automation.conf");
    if (!kitFile.empty()) files.push_back(kitFile);
    return files;
}

Registry LoadRegistry(const std::vector<std::string>& files, bool firstIsRequired) {
    Registry registry;
    for (size_t i = 0; i < files.size(); ++i) {
        std::ifstream in(files[i], std::ios::binary);
        if (!in) {
            if (i == 0 && firstIsRequired)
                registry.problems.push_back({files[i] + ": cannot read the registry file (" + std::strerror(errno) + ")"});
            continue;
        }
        std::ostringstream text;
        text << in.rdbuf();
        ParseRegistry(text.str(), files[i], registry);
    }
    return registry;
}

}  // namespace tarn::automation
