// Install, delete and change a service's unit file; see service_units.h.
#include "launchers/service_units.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tarn::service {

namespace {

constexpr const char* kDefaultUnitDirectory = "/etc/systemd/system";
constexpr const char* kAutoStartTarget = "multi-user.target";
constexpr size_t kMaxPath = 260;
constexpr size_t kMaxUnitName = 255;         // systemd's limit, suffix included
constexpr size_t kMaxGroupName = 260;        // "shorter than 261 characters"
constexpr size_t kMaxDependencyList = 1024;  // "shorter than 1025 characters"
constexpr size_t kMaxDisplayName = 255;      // "shorter than 256 characters"
constexpr int kFailed = 1;

// ---- messages ---------------------------------------------------------------------------

void Say(const char* text) { std::fputs(text, stderr); }

// A line that says why the message before it happened: "ERROR: <detail>".
[[gnu::format(printf, 1, 2)]] void Detail(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::fputs("ERROR: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
}

// ---- names ------------------------------------------------------------------------------

bool EndsWith(const std::string& s, const char* suffix) {
    size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

bool SameWord(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// A name that can stand in a unit file name and in unit lists: letters, digits and
// "-_.:" only, so no path separator, no blank and nothing a shell or systemd would
// interpret; not starting with '.' or '-', and no "..".
bool IsPlainName(const std::string& name) {
    if (name.empty() || name[0] == '.' || name[0] == '-') return false;
    if (name.find("..") != std::string::npos) return false;
    for (unsigned char c : name)
        if (!std::isalnum(c) && c != '-' && c != '_' && c != '.' && c != ':') return false;
    return true;
}

const char* kNameRule = "use letters, digits and '-', '_', '.', ':' only, not starting with '.' or '-'";

// The unit file of a service: Name.service (a name that already ends in ".service" is
// taken as it is, the way systemctl accepts it).
std::string UnitFileName(const std::string& name) {
    return EndsWith(name, ".service") ? name : name + ".service";
}

bool CheckServiceName(const std::string& name) {
    if (!IsPlainName(name)) {
        Detail("Invalid service name '%s': %s", name.c_str(), kNameRule);
        return false;
    }
    if (UnitFileName(name).size() > kMaxUnitName) {
        Detail("Service name too long: '%s'", name.c_str());
        return false;
    }
    return true;
}

// A dependency names a service unless it already carries a unit type; "+group" names the
// group's target.
std::string DependencyUnit(const std::string& entry) {
    if (entry[0] == '+') return EndsWith(entry, ".target") ? entry.substr(1) : entry.substr(1) + ".target";
    static constexpr const char* kUnitTypes[] = {".service", ".target", ".socket", ".mount",
                                                 ".path", ".timer", ".device", ".slice", ".swap"};
    for (const char* type : kUnitTypes)
        if (EndsWith(entry, type)) return entry;
    return entry + ".service";
}

std::string GroupUnit(const std::string& group) {
    return EndsWith(group, ".target") ? group : group + ".target";
}

std::vector<std::string> SplitList(const std::string& list) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        size_t comma = list.find(',', start);
        items.push_back(list.substr(start, comma - start));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

bool HasControlCharacter(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

// ---- the unit file ----------------------------------------------------------------------

enum class ErrorControl { Ignore, Normal, Severe, Critical };

constexpr struct {
    ErrorControl control;
    const char* word;
    const char* restart;
} kErrorControls[] = {
    {ErrorControl::Ignore, "ignore", "no"},
    {ErrorControl::Normal, "normal", "no"},
    {ErrorControl::Severe, "severe", "on-failure"},
    {ErrorControl::Critical, "critical", "on-failure"},
};

const char* ErrorControlWord(ErrorControl e) {
    for (const auto& row : kErrorControls)
        if (row.control == e) return row.word;
    return "normal";
}

const char* RestartPolicy(ErrorControl e) {
    for (const auto& row : kErrorControls)
        if (row.control == e) return row.restart;
    return "no";
}

bool ParseErrorControl(const std::string& word, ErrorControl& e) {
    for (const auto& row : kErrorControls) {
        if (SameWord(word, row.word)) {
            e = row.control;
            return true;
        }
    }
    return false;
}

struct Section {
    std::string name;                // "Unit", "Service", ...
    std::vector<std::string> lines;  // the lines this launcher does not manage, as they were
};

struct UnitConfig {
    std::string displayName;
    std::string execStart;  // as it stands in the unit
    std::string user;
    bool autoStart = false;
    ErrorControl errorControl = ErrorControl::Normal;
    bool writtenByLauncher = false;  // the unit carries X-Tarn-ErrorControl
    std::string group;               // empty: no load ordering group
    std::string dependencies;        // the list as given: names and +groups between commas
    std::vector<std::string> preamble;
    std::vector<Section> sections;
};

// The keys this launcher writes; everything else in a unit is kept as it is.
constexpr struct {
    const char* section;
    const char* key;
} kManagedKeys[] = {
    {"Unit", "Description"}, {"Unit", "After"},   {"Unit", "Requires"},
    {"Unit", "PartOf"},      {"Unit", "X-Tarn-Group"}, {"Unit", "X-Tarn-Dependencies"},
    {"Service", "Type"},     {"Service", "ExecStart"}, {"Service", "User"},
    {"Service", "Restart"},  {"Service", "X-Tarn-ErrorControl"},
    {"Install", "WantedBy"},
};

bool IsManaged(const std::string& section, const std::string& key) {
    for (const auto& m : kManagedKeys)
        if (section == m.section && key == m.key) return true;
    return false;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// '%' starts a specifier in unit files; a literal one is written twice.
std::string EscapePercent(const std::string& s) {
    std::string out;
    for (char c : s) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

std::string UnescapePercent(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        out += s[i];
        if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == '%') i++;
    }
    return out;
}

void ReadSetting(UnitConfig& c, const std::string& section, const std::string& key, const std::string& value) {
    if (section == "Unit" && key == "Description") c.displayName = UnescapePercent(value);
    else if (section == "Unit" && key == "X-Tarn-Group") c.group = value;
    else if (section == "Unit" && key == "X-Tarn-Dependencies") c.dependencies = value;
    else if (section == "Service" && key == "ExecStart") c.execStart = value;
    else if (section == "Service" && key == "User") c.user = value;
    else if (section == "Service" && key == "X-Tarn-ErrorControl")
        c.writtenByLauncher = ParseErrorControl(value, c.errorControl);
    else if (section == "Install" && key == "WantedBy")
        c.autoStart = c.autoStart || value.find(kAutoStartTarget) != std::string::npos;
}

Section& SectionNamed(UnitConfig& c, const std::string& name) {
    for (Section& s : c.sections)
        if (s.name == name) return s;
    c.sections.push_back({name, {}});
    return c.sections.back();
}

UnitConfig ParseUnit(const std::string& text) {
    UnitConfig c;
    Section* current = nullptr;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        std::string trimmed = Trim(line);
        if (trimmed.empty()) continue;  // blank lines are written between sections only
        if (trimmed.front() == '[' && trimmed.back() == ']') {
            current = &SectionNamed(c, trimmed.substr(1, trimmed.size() - 2));
            continue;
        }
        size_t eq = trimmed.find('=');
        if (current && eq != std::string::npos && trimmed[0] != '#' && trimmed[0] != ';') {
            std::string key = Trim(trimmed.substr(0, eq)), value = Trim(trimmed.substr(eq + 1));
            if (IsManaged(current->name, key)) {
                ReadSetting(c, current->name, key, value);
                continue;
            }
        }
        (current ? current->lines : c.preamble).push_back(line);
    }
    return c;
}

std::string JoinUnits(const std::vector<std::string>& units) {
    std::string out;
    for (const std::string& u : units) out += (out.empty() ? "" : " ") + u;
    return out;
}

// The managed lines of one section, in the order they are written.
std::vector<std::string> ManagedLines(const UnitConfig& c, const std::string& section) {
    std::vector<std::string> lines;
    if (section == "Unit") {
        std::vector<std::string> required, after;
        if (!c.group.empty()) after.push_back(GroupUnit(c.group));
        if (!c.dependencies.empty())
            for (const std::string& d : SplitList(c.dependencies)) required.push_back(DependencyUnit(d));
        for (const std::string& u : required)
            if (std::find(after.begin(), after.end(), u) == after.end()) after.push_back(u);
        lines.push_back("Description=" + EscapePercent(c.displayName));
        if (!after.empty()) lines.push_back("After=" + JoinUnits(after));
        if (!required.empty()) lines.push_back("Requires=" + JoinUnits(required));
        if (!c.group.empty()) lines.push_back("PartOf=" + GroupUnit(c.group));
        if (!c.group.empty()) lines.push_back("X-Tarn-Group=" + c.group);
        if (!c.dependencies.empty()) lines.push_back("X-Tarn-Dependencies=" + c.dependencies);
    } else if (section == "Service") {
        lines.push_back("Type=notify");
        lines.push_back("ExecStart=" + c.execStart);
        if (!c.user.empty()) lines.push_back("User=" + c.user);
        lines.push_back(std::string("Restart=") + RestartPolicy(c.errorControl));
        lines.push_back(std::string("X-Tarn-ErrorControl=") + ErrorControlWord(c.errorControl));
    } else if (section == "Install") {
        if (c.autoStart) lines.push_back(std::string("WantedBy=") + kAutoStartTarget);
    }
    return lines;
}

std::string RenderUnit(UnitConfig c) {
    for (const char* name : {"Unit", "Service", "Install"}) SectionNamed(c, name);
    std::string text;
    for (const std::string& line : c.preamble) text += line + "\n";
    for (const char* name : {"Unit", "Service", "Install"}) {
        const Section& s = SectionNamed(c, name);
        std::vector<std::string> managed = ManagedLines(c, s.name);
        if (managed.empty() && s.lines.empty()) continue;
        text += (text.empty() || text == "\n" ? "" : "\n") + ("[" + s.name + "]\n");
        for (const std::string& line : managed) text += line + "\n";
        for (const std::string& line : s.lines) text += line + "\n";
    }
    for (const Section& s : c.sections) {
        if (s.name == "Unit" || s.name == "Service" || s.name == "Install") continue;
        text += "\n[" + s.name + "]\n";
        for (const std::string& line : s.lines) text += line + "\n";
    }
    return text;
}

// ---- the unit directory -----------------------------------------------------------------

std::string UnitDirectory() {
    const char* dir = std::getenv("TARN_SERVICE_DIR");
    std::string d = dir != nullptr && *dir ? dir : kDefaultUnitDirectory;
    while (d.size() > 1 && d.back() == '/') d.pop_back();
    return d;
}

// The unit directory must exist and take new files ("the service manager's database").
bool OpenUnitDirectory(std::string& dir) {
    dir = UnitDirectory();
    struct stat st;
    int err = 0;
    if (stat(dir.c_str(), &st) != 0) err = errno;
    else if (!S_ISDIR(st.st_mode)) err = ENOTDIR;
    else if (access(dir.c_str(), W_OK | X_OK) != 0) err = errno;
    if (err == 0) return true;
    Say("ERROR: Can not open SC Manager\n");
    Detail("%s: %s", dir.c_str(), std::strerror(err));
    return false;
}

std::string UnitPath(const std::string& dir, const std::string& name) { return dir + "/" + UnitFileName(name); }

std::string EnableLinkDirectory(const std::string& dir) { return dir + "/" + kAutoStartTarget + ".wants"; }

std::string EnableLinkPath(const std::string& dir, const std::string& name) {
    return EnableLinkDirectory(dir) + "/" + UnitFileName(name);
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes text to a temporary file beside path, then puts it in place: replacing an existing
// unit, or only when none exists (EEXIST otherwise). Returns 0 or the errno of the failure;
// on failure the temporary file is gone and path is as it was.
int WriteUnitFile(const std::string& path, const std::string& text, bool replace) {
    size_t slash = path.rfind('/');
    std::string temp = path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    int err = 0;
    if (fchmod(fd, 0644) != 0 || !WriteAll(fd, text) || fsync(fd) != 0) err = errno ? errno : EIO;
    if (close(fd) != 0 && err == 0) err = errno;
    if (err == 0) {
        if (replace) {
            if (rename(temp.c_str(), path.c_str()) != 0) err = errno;
        } else if (link(temp.c_str(), path.c_str()) != 0) {
            err = errno;  // link() never replaces: EEXIST when the unit appeared meanwhile
        }
    }
    if (err != 0 || !replace) unlink(temp.c_str());
    return err;
}

// Reads a unit file that must be a regular file of its own (not a link to elsewhere).
// Returns 0 or the errno of the failure.
int ReadUnitFile(const std::string& path, std::string& text) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return ENOENT;
    FILE* f = std::fopen(path.c_str(), "re");
    if (f == nullptr) return errno;
    char buffer[4096];
    size_t n;
    text.clear();
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    int err = std::ferror(f) ? EIO : 0;
    std::fclose(f);
    return err;
}

// Reports a failed read of the configuration in the system's terms.
void ReportQueryFailure(int err) {
    Say("ERROR: Can not query service configuration\n");
    if (err == EACCES || err == EPERM) Say("ERROR: Access denied\n");
    else if (err == EBADF) Say("ERROR: Invalid handle\n");
    else std::fprintf(stderr, "ERROR: %u\n", static_cast<unsigned>(err));
}

// Opens and reads a unit this launcher wrote, for delete and change ("open the service").
// A unit that cannot be read is reported as a failed query of its configuration when
// queryFailures is set, else as a service that cannot be opened.
bool OpenService(const std::string& dir, const std::string& name, std::string& text, bool queryFailures) {
    std::string path = UnitPath(dir, name);
    int err = ReadUnitFile(path, text);
    if (err != 0 && queryFailures && err != ENOENT && err != ENOTDIR) {
        ReportQueryFailure(err);
        return false;
    }
    if (err != 0) {
        Say("ERROR: Can not open service\n");
        Detail("%s: %s", path.c_str(), err == ENOENT ? "no such unit file" : std::strerror(err));
        return false;
    }
    if (!ParseUnit(text).writtenByLauncher) {
        Say("ERROR: Can not open service\n");
        Detail("%s was not installed by service.app; it is left alone", path.c_str());
        return false;
    }
    return true;
}

// The path a unit runs: the program file's full path, in double quotes when it fits the
// 260-character limit with them. Inside the quotes systemd reads '\' and '"' as escapes and
// '%' and '$' as specifiers and variables, so those are doubled or escaped.
std::string QuotedPath(const std::string& path) {
    return path.size() + 2 <= kMaxPath ? "\"" + path + "\"" : path;
}

std::string ExecStartValue(const std::string& path) {
    if (path.size() + 2 > kMaxPath) return path;
    std::string out = "\"";
    for (char c : path) {
        if (c == '\\' || c == '"') out += '\\';
        if (c == '%' || c == '$') out += c;
        out += c;
    }
    return out + "\"";
}

bool IsPlainUser(const std::string& user) {
    if (user.empty() || user[0] == '-' || user.size() > 32) return false;
    for (unsigned char c : user)
        if (!std::isalnum(c) && c != '_' && c != '-' && c != '.') return false;
    return true;
}

// ---- change -----------------------------------------------------------------------------

// Checks the parameter and its value and applies them to c. Returns 0, kFailed after a
// message, or kShowChangeSyntax.
int ApplyParameter(UnitConfig& c, const std::vector<std::string>& words) {
    const std::string& parameter = words[0];
    const bool hasValue = words.size() >= 2;
    if (words.size() > 2) return kShowChangeSyntax;
    const std::string value = hasValue ? words[1] : std::string();
    if (SameWord(parameter, "start")) {
        if (!hasValue) return kShowChangeSyntax;
        if (SameWord(value, "demand")) c.autoStart = false;
        else if (SameWord(value, "auto")) c.autoStart = true;
        else return kShowChangeSyntax;
        return 0;
    }
    if (SameWord(parameter, "error")) {
        if (!hasValue || !ParseErrorControl(value, c.errorControl)) return kShowChangeSyntax;
        return 0;
    }
    if (SameWord(parameter, "group")) {
        if (value.size() > kMaxGroupName) {
            Say("ERROR: Load ordering group name too long\n");
            return kFailed;
        }
        if (hasValue && !IsPlainName(value)) {
            Detail("Invalid load ordering group name '%s': %s", value.c_str(), kNameRule);
            return kFailed;
        }
        c.group = value;
        return 0;
    }
    if (SameWord(parameter, "depend")) {
        if (value.size() > kMaxDependencyList) {
            Say("ERROR: Load dependenct list too long\n");
            return kFailed;
        }
        if (hasValue) {
            for (const std::string& entry : SplitList(value)) {
                if (!IsPlainName(entry[0] == '+' ? entry.substr(1) : entry)) {
                    Detail("Invalid name '%s' in the dependency list: %s (groups with a leading '+')",
                           entry.c_str(), kNameRule);
                    return kFailed;
                }
            }
        }
        c.dependencies = value;
        return 0;
    }
    if (SameWord(parameter, "display")) {
        if (!hasValue) return kShowChangeSyntax;
        if (value.size() > kMaxDisplayName) {
            Say("ERROR: Display name too long\n");
            return kFailed;
        }
        if (HasControlCharacter(value)) {
            Detail("Invalid display name: it must not hold control characters or line ends");
            return kFailed;
        }
        c.displayName = value;
        return 0;
    }
    return kShowChangeSyntax;
}

// Makes the enable link match the start type: present for auto start, absent for demand.
int SetEnableLink(const std::string& dir, const std::string& name, bool autoStart) {
    std::string link = EnableLinkPath(dir, name);
    struct stat st;
    bool present = lstat(link.c_str(), &st) == 0;
    if (!autoStart) return present && S_ISLNK(st.st_mode) && unlink(link.c_str()) != 0 ? errno : 0;
    if (present) return S_ISLNK(st.st_mode) ? 0 : EEXIST;
    if (mkdir(EnableLinkDirectory(dir).c_str(), 0755) != 0 && errno != EEXIST) return errno;
    char real[PATH_MAX];
    std::string target = realpath(UnitPath(dir, name).c_str(), real) ? real : UnitPath(dir, name);
    return symlink(target.c_str(), link.c_str()) != 0 ? errno : 0;
}

// The unit directory is locked with flock on the directory itself while a change runs.
class DirectoryLock {
public:
    explicit DirectoryLock(const std::string& dir) : fd_(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        locked_ = fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~DirectoryLock() {
        if (fd_ >= 0) close(fd_);  // closing releases the lock
    }
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;
    bool locked() const { return locked_; }

private:
    int fd_;
    bool locked_ = false;
};

int ApplyChange(const std::string& dir, const std::string& name, const std::vector<std::string>& words) {
    DirectoryLock lock(dir);
    if (!lock.locked()) {
        Say("ERROR: Can not lock service database\n");
        return kFailed;
    }
    std::string path = UnitPath(dir, name), text;
    if (int err = ReadUnitFile(path, text); err != 0) {
        Say("ERROR: Can not retrieve current service configuration\n");
        Detail("%s: %s", path.c_str(), std::strerror(err));
        return kFailed;
    }
    UnitConfig c = ParseUnit(text);
    const bool wasAuto = c.autoStart;
    if (int r = ApplyParameter(c, words); r != 0) return r;  // checked before; cannot fail now
    int err = c.autoStart && !wasAuto ? SetEnableLink(dir, name, true) : 0;
    if (err == 0) err = WriteUnitFile(path, RenderUnit(c), true);
    if (err == 0 && !c.autoStart && wasAuto) err = SetEnableLink(dir, name, false);
    if (err != 0) {
        if (c.autoStart && !wasAuto) SetEnableLink(dir, name, false);
        Say("ERROR: Can not change service configuration\n");
        Detail("%s: %s", path.c_str(), std::strerror(err));
        return kFailed;
    }
    return 0;
}

}  // namespace

// ---- the commands -----------------------------------------------------------------------

int InstallService(const std::string& name, const std::string& programPath, const char* user,
                   const char* password) {
    if (!CheckServiceName(name)) return kFailed;
    if (user != nullptr && !IsPlainUser(user)) {
        Detail("Invalid user name '%s'", user);
        return kFailed;
    }
    std::fprintf(stderr, "Installing service %s from %s\n", name.c_str(), QuotedPath(programPath).c_str());
    std::string dir;
    if (!OpenUnitDirectory(dir)) return kFailed;
    if (password != nullptr)
        Say("NOTE: The password is ignored: systemd starts the service as the user without one\n");
    std::string path = UnitPath(dir, name);
    if (programPath.empty() || programPath.size() > kMaxPath || HasControlCharacter(programPath)) {
        Say("ERROR: Can not create service\n");
        Detail("The program's path is longer than %zu characters or holds control characters", kMaxPath);
        return kFailed;
    }
    UnitConfig c;
    c.preamble.push_back("# Installed by service.app, the Tarn Pascal service launcher.");
    c.displayName = name;
    c.execStart = ExecStartValue(programPath);
    c.user = user != nullptr ? user : "";
    int err = WriteUnitFile(path, RenderUnit(c), false);
    if (err != 0) {
        Say("ERROR: Can not create service\n");
        if (err == EEXIST) Detail("%s already exists; delete it first or use -change", path.c_str());
        else Detail("%s: %s", path.c_str(), std::strerror(err));
        return kFailed;
    }
    return 0;
}

int DeleteService(const std::string& name) {
    if (!CheckServiceName(name)) return kFailed;
    std::fprintf(stderr, "Deleting service %s\n", name.c_str());
    std::string dir, text;
    if (!OpenUnitDirectory(dir)) return kFailed;
    if (!OpenService(dir, name, text, false)) return kFailed;
    std::string path = UnitPath(dir, name);
    if (unlink(path.c_str()) != 0) {
        Say("ERROR: Can not delete service\n");
        Detail("%s: %s", path.c_str(), std::strerror(errno));
        return kFailed;
    }
    SetEnableLink(dir, name, false);
    return 0;
}

int ChangeService(const std::string& name, const std::vector<std::string>& words) {
    if (!CheckServiceName(name)) return kFailed;
    std::string dir, text;
    if (!OpenUnitDirectory(dir)) return kFailed;
    if (!OpenService(dir, name, text, true)) return kFailed;
    UnitConfig checked = ParseUnit(text);
    if (int r = ApplyParameter(checked, words); r != 0) return r;
    return ApplyChange(dir, name, words);
}

}  // namespace tarn::service
