// The project model: the setting table (settings.def), the ".tpj" project file that is
// written and read from it, the program and executable names, and the default project.
// Free of Qt; the option pages and the frame window sit on top of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::ide {

constexpr size_t MAX_PATH_LENGTH = 260;
constexpr size_t MAX_PROJECT_LINE = 340;
constexpr int PROJECT_VERSION = 2;

enum class ProjectSection : int {
    NONE = 0,
    CODEGEN,
    RUNTIME,
    LANGUAGE,
    EXTENSIONS,
    WARN,
    FILE,
    ENVIRONMENT,
    MISC,
    IDE,
    FILES
};
const char* SectionName(ProjectSection s);

enum class SettingType : int { FLAG = 1, TEXT = 2, INT = 3 };

// One row of the setting table with its current value.
struct ProjectSetting {
    const char* key;
    ProjectSection section;
    SettingType type;
    int option;  // compiler option id, 0 = none
    int message;  // W rows: the warning's message number
    bool saved;  // written to the file
    const char* description;
    bool flag = false;
    std::string text;
    int32_t number = 0;
};

struct Project {
    std::string path;  // the project file; empty while none is loaded
    ProjectSection currentSection = ProjectSection::NONE;
    std::vector<ProjectSetting> settings;  // table order
    std::vector<std::string> programs;  // section "files": at most one entry
};

// A project holding the table's defaults and no path.
Project DefaultProject();

ProjectSetting* FindSetting(Project& p, std::string_view key);
const ProjectSetting* FindSetting(const Project& p, std::string_view key);
// Copies a row out; false for an unknown key.
bool CopySetting(const Project& p, std::string_view key, ProjectSetting& out);
// Stores a row's value back; only when the row's section is p.currentSection.
bool StoreSetting(Project& p, const ProjectSetting& row);

// Values by key (the key must exist in the table).
bool FlagSetting(const Project& p, std::string_view key);
int32_t NumberSetting(const Project& p, std::string_view key);
const std::string& TextSetting(const Project& p, std::string_view key);
void SetFlagSetting(Project& p, std::string_view key, bool on);
void SetNumberSetting(Project& p, std::string_view key, int32_t value);
void SetTextSetting(Project& p, std::string_view key, std::string_view value);

// The file's text.
std::string ProjectFileText(const Project& p);
// Reads a project's text into p (path is the file it came from). On failure p is left as
// it was and `error` says why.
bool ParseProjectText(Project& p, std::string_view text, const std::string& path,
                      std::string& error);
bool ReadProjectFile(Project& p, const std::string& path, std::string& error);
// Writes p to p.path (through a temporary file renamed into place).
bool WriteProjectFile(const Project& p, std::string& error);

// The directory of the project file ("." when it has none).
std::string ProjectDirectory(const Project& p);
// A path of the project made absolute against the project's directory.
std::string ResolveProjectPath(const Project& p, const std::string& path);
// The program source, resolved; empty when there is none.
std::string ProgramFile(const Project& p);
std::string ExecutableFile(const Project& p);
// Store a file name, relative to the project's directory when it lies inside it.
bool SetProgramFile(Project& p, const std::string& path, std::string& error);
bool SetExecutableFile(Project& p, const std::string& path, std::string& error);

// A path with its extension (after the last "." of the last component) replaced.
std::string ReplaceExtension(const std::string& path, std::string_view ext);

// A new project at newPath made from a template project file: edit, run, args and header
// cleared, the program newPath with ".pas", the executable with ".tvm"; written at once.
bool NewProject(Project& p, const std::string& templatePath, const std::string& newPath,
                std::string& error);

// The default project in the per-user folder, copied there from installDir (default.tpj,
// default.pas, default.idt) when missing. `note` receives "Default project not found.
// Reverting to the installed version." when the copy failed and the installed one is used.
bool OpenDefaultProject(Project& p, const std::string& userFolder, const std::string& installDir,
                        std::string& note, std::string& error);

}  // namespace tarn::ide
