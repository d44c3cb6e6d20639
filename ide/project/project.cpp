// The project model: setting table, project file reading and writing, default project.
#include "ide/project/project.h"

#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "ide/files/safe_write.h"

namespace tarn::ide {

namespace {

constexpr const char* FILE_HEADER = "TPJ Version";
constexpr const char* FILE_TITLE = "Tarn Pascal Project File";

const char* const SECTION_NAMES[] = {"",           "codegen", "runtime", "language",
                                     "extensions", "warn",    "file",    "environment",
                                     "misc",       "ide",     "files"};

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

bool IsKeyChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// A quoted value: the text runs to the next double quote that is not doubled.
bool ParseQuoted(std::string_view s, std::string& out) {
    if (s.empty() || s.front() != '"') return false;
    out.clear();
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i] != '"') {
            out += s[i];
        } else if (i + 1 < s.size() && s[i + 1] == '"') {
            out += '"';
            ++i;
        } else {
            return out.size() <= MAX_PATH_LENGTH;
        }
    }
    return false;  // no closing quote
}

std::string Quoted(const std::string& s) {
    std::string q = "\"";
    for (char c : s) {
        q += c;
        if (c == '"') q += '"';
    }
    return q + "\"";
}

bool ParseNumber(std::string_view s, int32_t& out) {
    std::string text(s);
    const char* p = text.c_str();
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(p, &end, 10);
    if (end == p || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
    out = int32_t(v);
    return true;
}

// The checks of integer values read from a file: a replacement value, or false when the
// line counts for nothing.
bool CheckNumber(std::string_view key, int32_t& v) {
    if (key == "a") {
        if (v != 0 && v != 1 && v != 2 && v != 4 && v != 8) v = 4;
    } else if (key == "S") {
        if (v < 1 || v > 1024) v = 64;
    } else if (key == "me" || key == "mw") {
        return v >= 0 && v <= 100;
    } else if (key == "ts") {
        if (v < 1 || v > 16) v = 4;
    } else {
        return false;
    }
    return true;
}

// One "key = value" line of a settings section; a wrong line changes nothing.
void ParseSettingLine(Project& p, std::string_view line) {
    size_t k = 0;
    while (k < line.size() && IsKeyChar(line[k])) ++k;
    if (k == 0) return;
    std::string_view key = line.substr(0, k);
    std::string_view rest = TrimLeft(line.substr(k));
    if (rest.empty() || rest.front() != '=') return;
    rest = TrimLeft(rest.substr(1));
    ProjectSetting* row = FindSetting(p, key);
    if (!row || row->section != p.currentSection) return;
    switch (row->type) {
    case SettingType::TEXT: {
        std::string text;
        if (ParseQuoted(rest, text)) row->text = text;
        break;
    }
    case SettingType::FLAG:
        if (!rest.empty() && (rest.front() == 'Y' || rest.front() == 'y'))
            row->flag = true;
        else if (!rest.empty() && (rest.front() == 'N' || rest.front() == 'n'))
            row->flag = false;
        break;
    case SettingType::INT: {
        int32_t v;
        if (ParseNumber(rest, v) && CheckNumber(key, v)) row->number = v;
        break;
    }
    }
}

std::string FileName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

std::string AbsolutePath(const std::string& path) {
    if (IsAbsolute(path)) return path;
    char* cwd = ::getcwd(nullptr, 0);
    std::string abs = cwd ? std::string(cwd) + "/" + path : path;
    std::free(cwd);
    return abs;
}

}  // namespace

const char* SectionName(ProjectSection s) { return SECTION_NAMES[int(s)]; }

Project DefaultProject() {
    Project p;
#define SETTING(key, section, type, option, message, def, saved, description) \
    {                                                                         \
        ProjectSetting row{#key,                                              \
                           ProjectSection::section,                           \
                           SettingType::type,                                 \
                           option,                                            \
                           message,                                           \
                           saved != 0,                                        \
                           description,                                       \
                           def != 0,                                          \
                           std::string(),                                     \
                           def};                                              \
        p.settings.push_back(row);                                            \
    }
#include "ide/project/settings.def"
#undef SETTING
    return p;
}

ProjectSetting* FindSetting(Project& p, std::string_view key) {
    for (ProjectSetting& row : p.settings)
        if (key == row.key) return &row;
    return nullptr;
}

const ProjectSetting* FindSetting(const Project& p, std::string_view key) {
    return FindSetting(const_cast<Project&>(p), key);
}

bool CopySetting(const Project& p, std::string_view key, ProjectSetting& out) {
    const ProjectSetting* row = FindSetting(p, key);
    if (!row) return false;
    out = *row;
    return true;
}

bool StoreSetting(Project& p, const ProjectSetting& row) {
    ProjectSetting* mine = FindSetting(p, row.key);
    if (!mine || mine->section != p.currentSection) return false;
    mine->flag = row.flag;
    mine->text = row.text;
    mine->number = row.number;
    return true;
}

bool FlagSetting(const Project& p, std::string_view key) { return FindSetting(p, key)->flag; }
int32_t NumberSetting(const Project& p, std::string_view key) {
    return FindSetting(p, key)->number;
}
const std::string& TextSetting(const Project& p, std::string_view key) {
    return FindSetting(p, key)->text;
}
void SetFlagSetting(Project& p, std::string_view key, bool on) { FindSetting(p, key)->flag = on; }
void SetNumberSetting(Project& p, std::string_view key, int32_t v) {
    FindSetting(p, key)->number = v;
}
void SetTextSetting(Project& p, std::string_view key, std::string_view v) {
    FindSetting(p, key)->text = v;
}

// ---- the file ----------------------------------------------------------------------------

std::string ProjectFileText(const Project& p) {
    std::string out = std::string(FILE_HEADER) + " " + std::to_string(PROJECT_VERSION) + " - " +
                      FILE_TITLE + "\n";
    ProjectSection section = ProjectSection::NONE;
    for (const ProjectSetting& row : p.settings) {
        if (!row.saved) continue;
        if (row.section != section) {
            section = row.section;
            out += std::string("\n[") + SectionName(section) + "]\n";
        }
        out += std::string(row.key) + "=";
        switch (row.type) {
        case SettingType::FLAG: out += row.flag ? "Y" : "N"; break;
        case SettingType::TEXT: out += Quoted(row.text); break;
        case SettingType::INT: out += std::to_string(row.number); break;
        default: out += "<ERROR>"; break;
        }
        out += std::string(" - ") + row.description + "\n";
    }
    if (!p.programs.empty()) out += "\n[files]\nfile=" + Quoted(p.programs.front());
    return out;
}

bool ParseProjectText(Project& target, std::string_view text, const std::string& path,
                      std::string& error) {
    if (path.size() > MAX_PATH_LENGTH) {
        error = "Path too long";
        return false;
    }
    Project p = target;  // a failed read leaves the loaded project as it was
    p.currentSection = ProjectSection::NONE;
    int lineNo = 0;
    bool first = true;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view raw = text.substr(0, std::min(end, MAX_PROJECT_LINE));
        // A line longer than the line buffer goes on as the next line, as it is read.
        size_t used =
            raw.size() < MAX_PROJECT_LINE ? std::min(end, text.size()) + 1 : MAX_PROJECT_LINE;
        text.remove_prefix(std::min(used, text.size()));
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        ++lineNo;
        auto fail = [&](const std::string& why) {
            error = path + ", line " + std::to_string(lineNo) + ": " + why;
            return false;
        };
        if (first) {
            first = false;
            if (raw.substr(0, std::strlen(FILE_HEADER)) != FILE_HEADER)
                return fail("not a project file (it does not begin with \"TPJ Version\")");
            int32_t version = 0;
            std::string_view num = TrimLeft(raw.substr(std::strlen(FILE_HEADER)));
            if (ParseNumber(num, version) && version > PROJECT_VERSION)
                return fail("project file version " + std::to_string(version) +
                            " is newer than this program reads");
            continue;
        }
        std::string_view line = TrimLeft(raw);
        if (line.empty() || std::strchr("'*-/;", line.front())) continue;
        if (line.front() == '[') {
            size_t close = line.find(']');
            if (close == std::string_view::npos) return fail("missing \"]\"");
            std::string_view name = line.substr(1, close - 1);
            if (name.empty()) return fail("empty section name");
            ProjectSection found = ProjectSection::NONE;
            for (int s = 1; s <= int(ProjectSection::FILES); ++s)
                if (name == SECTION_NAMES[s]) found = ProjectSection(s);
            if (found == ProjectSection::NONE)
                return fail("unknown section [" + std::string(name) + "]");
            p.currentSection = found;
            if (found == ProjectSection::FILES) p.programs.clear();
            continue;
        }
        if (p.currentSection == ProjectSection::FILES) {
            std::string file;
            std::string_view rest =
                line.substr(0, 4) == "file" ? TrimLeft(line.substr(4)) : std::string_view{};
            if (rest.empty() || rest.front() != '=' || !ParseQuoted(TrimLeft(rest.substr(1)), file))
                break;
            p.programs.assign(1, file);
            continue;
        }
        ParseSettingLine(p, line);
    }
    if (first) {
        error = path + ": the file is empty";
        return false;
    }
    p.path = path;
    p.currentSection = ProjectSection::NONE;
    std::string stem = FileName(path);
    if (TextSetting(p, "run").empty()) SetTextSetting(p, "run", ReplaceExtension(stem, ".tvm"));
    if (p.programs.empty()) p.programs.push_back(ReplaceExtension(stem, ".pas"));
    target = std::move(p);
    return true;
}

bool ReadProjectFile(Project& p, const std::string& path, std::string& error) {
    std::string text;
    if (path.size() > MAX_PATH_LENGTH) {
        error = "Path too long";
        return false;
    }
    if (!ReadWholeFile(path, text, error)) return false;
    return ParseProjectText(p, text, AbsolutePath(path), error);
}

bool WriteProjectFile(const Project& p, std::string& error) {
    if (p.path.empty()) {
        error = "the project has no file name";
        return false;
    }
    return WriteFileSafely(p.path, ProjectFileText(p), false, error);
}

// ---- paths -------------------------------------------------------------------------------

std::string ReplaceExtension(const std::string& path, std::string_view ext) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    std::string base = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                           ? path.substr(0, dot)
                           : path;
    return base + std::string(ext);
}

std::string ProjectDirectory(const Project& p) {
    size_t slash = p.path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : p.path.substr(0, slash);
}

std::string ResolveProjectPath(const Project& p, const std::string& path) {
    if (path.empty() || IsAbsolute(path)) return path;
    return ProjectDirectory(p) + "/" + path;
}

std::string ProgramFile(const Project& p) {
    return p.programs.empty() ? std::string() : ResolveProjectPath(p, p.programs.front());
}

std::string ExecutableFile(const Project& p) {
    return ResolveProjectPath(p, TextSetting(p, "run"));
}

namespace {

std::string RelativeToProject(const Project& p, const std::string& path) {
    std::string abs = AbsolutePath(path);
    std::string dir = ProjectDirectory(p) + "/";
    if (abs.size() > dir.size() && abs.compare(0, dir.size(), dir) == 0)
        return abs.substr(dir.size());
    return abs;
}

}  // namespace

bool SetProgramFile(Project& p, const std::string& path, std::string& error) {
    std::string rel = RelativeToProject(p, path);
    if (rel.size() > MAX_PATH_LENGTH) {
        error = "Path too long";
        return false;
    }
    p.programs.assign(1, rel);
    return true;
}

bool SetExecutableFile(Project& p, const std::string& path, std::string& error) {
    std::string rel = RelativeToProject(p, path);
    if (rel.size() > MAX_PATH_LENGTH) {
        error = "Path too long";
        return false;
    }
    SetTextSetting(p, "run", rel);
    return true;
}

bool NewProject(Project& p, const std::string& templatePath, const std::string& newPath,
                std::string& error) {
    std::string abs = AbsolutePath(newPath);
    if (abs.size() > MAX_PATH_LENGTH) {
        error = "Path too long";
        return false;
    }
    Project fresh = DefaultProject();
    if (!ReadProjectFile(fresh, templatePath, error)) return false;
    for (const char* key : {"edit", "run", "args", "header"}) SetTextSetting(fresh, key, "");
    fresh.path = abs;
    std::string name = FileName(abs);
    fresh.programs.assign(1, ReplaceExtension(name, ".pas"));
    SetTextSetting(fresh, "run", ReplaceExtension(name, ".tvm"));
    if (!WriteProjectFile(fresh, error)) return false;
    p = std::move(fresh);
    return true;
}

bool OpenDefaultProject(Project& p, const std::string& userFolder, const std::string& installDir,
                        std::string& note, std::string& error) {
    std::string userProject = userFolder + "/default.tpj";
    std::string path = userProject;
    std::string why;
    if (!FileExists(userProject)) {
        bool copied = MakeDirectories(userFolder, why);
        for (const char* name : {"default.tpj", "default.pas", "default.idt"}) {
            if (!copied) break;
            std::string from = installDir + "/" + name;
            // default.idt is optional beside the program; the project and its program are not.
            if (std::strcmp(name, "default.idt") == 0 && !FileExists(from)) continue;
            copied = CopyFile(from, userFolder + "/" + name, why);
        }
        if (!copied) {
            note = "Default project not found. Reverting to the installed version.";
            path = installDir + "/default.tpj";
        }
    }
    Project fresh = DefaultProject();
    if (!ReadProjectFile(fresh, path, why)) {
        error = "Default project file is invalid\n" + why;
        return false;
    }
    p = std::move(fresh);
    return true;
}

}  // namespace tarn::ide
