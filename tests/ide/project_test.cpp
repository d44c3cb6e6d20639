// The project model: the .tpj file written and read back, the value checks on reading,
// damaged files, the desktop file, new and default projects, and safe writing.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ide/files/safe_write.h"
#include "ide/project/desktop.h"
#include "ide/project/project.h"

using namespace tarn::ide;
namespace fs = std::filesystem;

namespace {

class ProjectDir : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tarn-project-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name)) << text;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name));
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir_;
};

const char* HEADER = "TPJ Version 2 - Tarn Pascal Project File\n";

// A project text holding one section with the given lines.
std::string Section(const std::string& name, const std::string& lines) {
    return std::string(HEADER) + "[" + name + "]\n" + lines;
}

}  // namespace

using ProjectFile = ProjectDir;

TEST_F(ProjectFile, WrittenInTableOrderWithSectionsAndDescriptions) {
    Project p = DefaultProject();
    p.programs.push_back("hello.pas");
    std::string text = ProjectFileText(p);
    EXPECT_EQ(text.rfind(HEADER, 0), 0u);
    EXPECT_NE(text.find("\n[codegen]\na=4 - Alignment size\nA=Y - Enable asserts\n"),
              std::string::npos);
    EXPECT_NE(text.find("W15=N - Declaration hides previous declaration\n"), std::string::npos);
    EXPECT_NE(text.find("\n[file]\nrun=\"\" - Executable file\n"), std::string::npos);
    EXPECT_EQ(text.find("edit="), std::string::npos);  // kept in memory only
    EXPECT_NE(text.find("dq=Y - Double-quoted (\") literals\n"), std::string::npos);
    // The program list ends the file, without a line end.
    const std::string tail = "\n[files]\nfile=\"hello.pas\"";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    const char* order[] = {"[codegen]", "[runtime]",     "[language]", "[extensions]", "[warn]",
                           "[file]",    "[environment]", "[misc]",     "[ide]",        "[files]"};
    size_t at = 0;
    for (const char* s : order) {
        size_t found = text.find(s, at);
        ASSERT_NE(found, std::string::npos) << s;
        at = found;
    }
}

TEST_F(ProjectFile, EverySettingRoundTrips) {
    Project p = DefaultProject();
    p.path = Path("round.tpj");
    int n = 0;
    for (ProjectSetting& row : p.settings) {
        ++n;
        if (row.type == SettingType::FLAG) row.flag = !row.flag;
        if (row.type == SettingType::TEXT)
            row.text = std::string(row.key) + " \"quoted\" " + std::to_string(n);
    }
    SetNumberSetting(p, "a", 8);
    SetNumberSetting(p, "S", 1024);
    SetNumberSetting(p, "ts", 16);
    SetNumberSetting(p, "me", 0);
    SetNumberSetting(p, "mw", 100);
    p.programs.assign(1, "src/main prog.pas");
    std::string error;
    ASSERT_TRUE(WriteProjectFile(p, error)) << error;

    Project q = DefaultProject();
    ASSERT_TRUE(ReadProjectFile(q, p.path, error)) << error;
    for (size_t i = 0; i < p.settings.size(); ++i) {
        const ProjectSetting& a = p.settings[i];
        const ProjectSetting& b = q.settings[i];
        if (!a.saved) {  // "edit" keeps its default
            EXPECT_EQ(b.text, "") << a.key;
            continue;
        }
        EXPECT_EQ(a.flag, b.flag) << a.key;
        EXPECT_EQ(a.number, b.number) << a.key;
        EXPECT_EQ(a.text, b.text) << a.key;
    }
    EXPECT_EQ(q.programs, p.programs);
    EXPECT_EQ(q.path, p.path);
    EXPECT_EQ(ProgramFile(q), Path("src/main prog.pas"));
    // Written again, the file is the same.
    EXPECT_EQ(ProjectFileText(q), Read("round.tpj"));
}

TEST_F(ProjectFile, ValuesAreCheckedOnReading) {
    struct Case {
        const char* section;
        const char* line;
        const char* key;
        int32_t expect;  // flags: 1/0
    } cases[] = {
        {"codegen", "a=3", "a", 4},
        {"codegen", "a=8", "a", 8},
        {"codegen", "a = 2", "a", 2},
        {"codegen", "a=16", "a", 4},
        {"codegen", "S=0", "S", 64},
        {"codegen", "S=1024", "S", 1024},
        {"codegen", "S=1025", "S", 64},
        {"environment", "ts=20", "ts", 4},
        {"environment", "ts=0", "ts", 4},
        {"environment", "ts=8", "ts", 8},
        {"misc", "me=500", "me", 25},
        {"misc", "me=100", "me", 100},
        {"misc", "mw=-1", "mw", 100},
        {"misc", "me=abc", "me", 25},
        {"codegen", "me=5", "me", 25},  // key of another section
        {"runtime", "r=n", "r", 0},
        {"runtime", "r=maybe", "r", 1},
        {"runtime", "  so = N - comment", "so", 0},
        {"warn", "W15=Y", "W15", 1},
        {"warn", "nosuchkey=Y", "W15", 0},
        {"runtime", "; r=N", "r", 1},
        {"runtime", "* r=N", "r", 1},
    };
    for (const Case& c : cases) {
        Project p = DefaultProject();
        std::string error;
        ASSERT_TRUE(ParseProjectText(p, Section(c.section, std::string(c.line) + "\n"),
                                     Path("x.tpj"), error))
            << c.line << ": " << error;
        const ProjectSetting* row = FindSetting(p, c.key);
        int32_t got = row->type == SettingType::FLAG ? row->flag : row->number;
        EXPECT_EQ(got, c.expect) << c.section << ": " << c.line;
    }
    // Text values: at most 260 characters, closing quote required, doubled quotes kept.
    Project p = DefaultProject();
    std::string error;
    std::string text = Section("file", "args=\"" + std::string(261, 'x') +
                                           "\"\nheader=\"unclosed\n"
                                           "run=\"a\"\"b.tvm\"\n");
    ASSERT_TRUE(ParseProjectText(p, text, Path("x.tpj"), error));
    EXPECT_EQ(TextSetting(p, "args"), "");
    EXPECT_EQ(TextSetting(p, "header"), "");
    EXPECT_EQ(TextSetting(p, "run"), "a\"b.tvm");
}

TEST_F(ProjectFile, MissingNamesComeFromTheProjectPath) {
    Project p = DefaultProject();
    std::string error;
    ASSERT_TRUE(ParseProjectText(p, HEADER, Path("demo.tpj"), error)) << error;
    EXPECT_EQ(TextSetting(p, "run"), "demo.tvm");
    ASSERT_EQ(p.programs.size(), 1u);
    EXPECT_EQ(p.programs[0], "demo.pas");
    EXPECT_EQ(ProgramFile(p), Path("demo.pas"));
    EXPECT_EQ(ExecutableFile(p), Path("demo.tvm"));
    EXPECT_EQ(ProjectDirectory(p), dir_.string());
    // Files inside the project's directory are kept relative, others absolute.
    ASSERT_TRUE(SetProgramFile(p, Path("sub/x.pas"), error));
    EXPECT_EQ(p.programs[0], "sub/x.pas");
    ASSERT_TRUE(SetExecutableFile(p, "/elsewhere/x.tvm", error));
    EXPECT_EQ(TextSetting(p, "run"), "/elsewhere/x.tvm");
    EXPECT_FALSE(SetProgramFile(p, "/" + std::string(300, 'p'), error));
    EXPECT_EQ(error, "Path too long");
}

TEST_F(ProjectFile, FilesSectionKeepsTheLastEntryAndStopsAtOtherLines) {
    Project p = DefaultProject();
    std::string error;
    ASSERT_TRUE(ParseProjectText(p, Section("files", "file=\"one.pas\"\nfile=\"two.pas\"\n"),
                                 Path("f.tpj"), error));
    EXPECT_EQ(p.programs, std::vector<std::string>{"two.pas"});
    // Anything else ends the read; what follows is not read.
    ASSERT_TRUE(ParseProjectText(p, Section("files", "file=\"a.pas\"\nbogus\n[runtime]\nr=N\n"),
                                 Path("f.tpj"), error));
    EXPECT_EQ(p.programs, std::vector<std::string>{"a.pas"});
    EXPECT_TRUE(FlagSetting(p, "r"));
}

TEST_F(ProjectFile, DamagedFilesAreRefusedWithAMessageAndKeepTheProject) {
    Project p = DefaultProject();
    std::string error;
    ASSERT_TRUE(ParseProjectText(p, Section("runtime", "r=N\n"), Path("good.tpj"), error));
    struct Case {
        std::string text;
        const char* why;
    } cases[] = {
        {"", "empty"},
        {"TPJ Version 3 - Tarn Pascal Project File\n[runtime]\nr=Y\n", "newer"},
        {"Some other file\n", "does not begin"},
        {Section("nosuch", "r=Y\n"), "unknown section [nosuch]"},
        {Section("runtime", "[runtime\nr=Y\n"), "missing \"]\""},
        {Section("runtime", "[]\n"), "empty section name"},
    };
    for (const Case& c : cases) {
        error.clear();
        EXPECT_FALSE(ParseProjectText(p, c.text, Path("bad.tpj"), error)) << c.why;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
        EXPECT_EQ(p.path, Path("good.tpj"));
        EXPECT_FALSE(FlagSetting(p, "r"));
    }
    EXPECT_FALSE(ReadProjectFile(p, Path("missing.tpj"), error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_FALSE(ReadProjectFile(p, dir_.string(), error));  // a directory
    EXPECT_EQ(p.path, Path("good.tpj"));
}

TEST_F(ProjectFile, EveryTruncationOfAFileReadsOrFailsCleanly) {
    Project full = DefaultProject();
    full.programs.push_back("prog.pas");
    SetTextSetting(full, "args", "-x \"y\"");
    std::string text = ProjectFileText(full);
    int failed = 0;
    for (size_t n = 0; n <= text.size(); ++n) {
        Project p = DefaultProject();
        std::string error;
        if (!ParseProjectText(p, text.substr(0, n), Path("t.tpj"), error)) {
            ++failed;
            EXPECT_FALSE(error.empty());
        }
    }
    EXPECT_GT(failed, 0);  // at least the empty and the cut-in-a-section-name prefixes
    // Lines of binary noise are read as lines that count for nothing.
    std::string noise(HEADER);
    for (int i = 0; i < 2000; ++i) noise += char((i * 37) % 256 ? (i * 37) % 256 : 1);
    Project p = DefaultProject();
    std::string error;
    ParseProjectText(p, noise, Path("n.tpj"), error);
    EXPECT_TRUE(FlagSetting(p, "r"));
}

TEST_F(ProjectFile, StoreSettingOnlyInTheCurrentSection) {
    Project p = DefaultProject();
    ProjectSetting row;
    ASSERT_TRUE(CopySetting(p, "r", row));
    row.flag = false;
    p.currentSection = ProjectSection::CODEGEN;
    EXPECT_FALSE(StoreSetting(p, row));
    EXPECT_TRUE(FlagSetting(p, "r"));
    p.currentSection = ProjectSection::RUNTIME;
    EXPECT_TRUE(StoreSetting(p, row));
    EXPECT_FALSE(FlagSetting(p, "r"));
    EXPECT_FALSE(CopySetting(p, "zz", row));
}

TEST_F(ProjectFile, NewProjectFromTheTemplate) {
    Project tmpl = DefaultProject();
    tmpl.path = Path("default.tpj");
    SetFlagSetting(tmpl, "r", false);
    SetTextSetting(tmpl, "args", "old args");
    SetTextSetting(tmpl, "run", "old.tvm");
    std::string error;
    ASSERT_TRUE(WriteProjectFile(tmpl, error));
    Project p = DefaultProject();
    ASSERT_TRUE(NewProject(p, tmpl.path, Path("fresh.tpj"), error)) << error;
    EXPECT_FALSE(FlagSetting(p, "r"));  // the template's options
    EXPECT_EQ(TextSetting(p, "args"), "");
    EXPECT_EQ(TextSetting(p, "run"), "fresh.tvm");
    EXPECT_EQ(ProgramFile(p), Path("fresh.pas"));
    EXPECT_TRUE(FileExists(Path("fresh.tpj")));
    EXPECT_FALSE(NewProject(p, Path("nothing.tpj"), Path("other.tpj"), error));
    EXPECT_EQ(p.path, Path("fresh.tpj"));
}

TEST_F(ProjectFile, DefaultProjectIsCopiedOrFallsBack) {
    Write("install/default.tpj", "");  // the directory must exist first
    fs::create_directories(Path("install"));
    Project tmpl = DefaultProject();
    tmpl.path = Path("install/default.tpj");
    SetNumberSetting(tmpl, "ts", 8);
    std::string error, note;
    ASSERT_TRUE(WriteProjectFile(tmpl, error));
    Write("install/default.pas", "program default;\nbegin\nend.\n");

    Project p = DefaultProject();
    ASSERT_TRUE(
        OpenDefaultProject(p, Path("user/Tarnwerk/Pascal Projects"), Path("install"), note, error))
        << error;
    EXPECT_EQ(note, "");
    EXPECT_EQ(p.path, Path("user/Tarnwerk/Pascal Projects/default.tpj"));
    EXPECT_TRUE(FileExists(Path("user/Tarnwerk/Pascal Projects/default.pas")));
    EXPECT_EQ(NumberSetting(p, "ts"), 8);

    // A user folder that cannot be made: the installed project is used, with the note.
    Write("blocker", "a file where a folder should be");
    Project q = DefaultProject();
    ASSERT_TRUE(OpenDefaultProject(q, Path("blocker/sub"), Path("install"), note, error)) << error;
    EXPECT_EQ(note, "Default project not found. Reverting to the installed version.");
    EXPECT_EQ(q.path, Path("install/default.tpj"));

    Write("install/default.tpj", "garbage\n");
    Project r = DefaultProject();
    EXPECT_FALSE(OpenDefaultProject(r, Path("blocker/sub"), Path("install"), note, error));
    EXPECT_EQ(error.rfind("Default project file is invalid", 0), 0u) << error;
}

TEST_F(ProjectFile, DesktopFileRoundTripsAndKeepsNineRecentFiles) {
    Desktop d;
    d.open.push_back({"/src/a.pas", 10, 4, 3});
    d.open.push_back({"/src/b c.pas", 0, 0, 0});
    for (int i = 0; i < 12; ++i) AddRecentFile(d, {"/old/" + std::to_string(i) + ".pas", 1, 1, 1});
    AddRecentFile(d, {"/old/5.pas", 7, 7, 7});  // moves to the front, not twice
    ASSERT_EQ(d.closed.size(), 9u);
    EXPECT_EQ(d.closed[0].path, "/old/5.pas");
    EXPECT_EQ(d.closed[1].path, "/old/11.pas");
    std::string error;
    std::string path = DesktopPath(Path("proj.tpj"));
    EXPECT_EQ(path, Path("proj.idt"));
    ASSERT_TRUE(WriteDesktopFile(path, d, error));
    EXPECT_EQ(Read("proj.idt").substr(0, 30), "[open]\n\"/src/a.pas\",10,4,3\n\"/s");
    Desktop e;
    ASSERT_TRUE(ReadDesktopFile(path, e, error));
    EXPECT_EQ(e.open, d.open);
    EXPECT_EQ(e.closed, d.closed);

    Write("bad.idt",
          "[open]\n\"x.pas\",1,2\nnot a "
          "line\n\"y.pas\",1,2,3\n\"\",1,1,1\n[closed]\n\"z.pas\",a,b,c\n");
    ASSERT_TRUE(ReadDesktopFile(Path("bad.idt"), e, error));
    ASSERT_EQ(e.open.size(), 1u);
    EXPECT_EQ(e.open[0].path, "y.pas");
    EXPECT_TRUE(e.closed.empty());
    EXPECT_FALSE(ReadDesktopFile(Path("none.idt"), e, error));
}

TEST_F(ProjectFile, SafeWriteReplacesWholeFilesAndKeepsTheOldOneOnFailure) {
    std::string error;
    ASSERT_TRUE(WriteFileSafely(Path("f.pas"), "one", false, error));
    ::chmod(Path("f.pas").c_str(), 0640);
    ASSERT_TRUE(WriteFileSafely(Path("f.pas"), "two", true, error));
    EXPECT_EQ(Read("f.pas"), "two");
    EXPECT_EQ(Read("f.bak"), "one");
    EXPECT_EQ(fs::status(Path("f.pas")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // A target that is a directory, and one in a missing directory: refused with the
    // reason, nothing left behind.
    fs::create_directories(Path("adir"));
    EXPECT_FALSE(WriteFileSafely(Path("adir"), "x", false, error));
    EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
    EXPECT_FALSE(WriteFileSafely(Path("nodir/f.pas"), "x", false, error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    int files = 0;
    for (auto& e : fs::directory_iterator(dir_)) files += e.is_regular_file();
    EXPECT_EQ(files, 2);  // f.pas and f.bak only
}
