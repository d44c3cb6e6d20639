// Loading files into the EditEngine and saving them back: line ends, tabs, control
// characters, long lines, and failures.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ide/editor/text_file.h"

using namespace tarn::ide;
namespace fs = std::filesystem;

namespace {

class EditEngineFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tarn-textfile-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& n) const { return (dir_ / n).string(); }
    void Write(const std::string& n, const std::string& t) const {
        std::ofstream(Path(n), std::ios::binary) << t;
    }
    std::string Read(const std::string& n) const {
        std::ifstream in(Path(n), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir_;
};

}  // namespace

TEST_F(EditEngineFile, SavedBackIdenticallyWhateverTheLineEnds) {
    const std::string samples[] = {
        "program p;\nbegin\nend.",  // no final line end
        "program p;\nbegin\nend.\n",  // with one
        "program p;\r\nbegin\r\nend.\r\n",  // CR LF
        "",
        "\n\n\n",
        "caf\xe9 \xc3\xa4\xc3\xb6 bytes kept\n",
    };
    for (const std::string& s : samples) {
        Write("s.pas", s);
        EditEngine e;
        LoadResult r = LoadTextFile(e, Path("s.pas"), true, 4);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_FALSE(e.Modified());
        EXPECT_FALSE(e.CanUndo());
        EXPECT_EQ(e.Caret(), (EditPos{1, 1}));
        std::string error;
        ASSERT_TRUE(SaveTextFile(e, Path("out.pas"), false, r.crlf, error)) << error;
        EXPECT_EQ(Read("out.pas"), s);
    }
    Write("s.pas", "a\nb\n");
    EditEngine e;
    LoadTextFile(e, Path("s.pas"), true, 4);
    EXPECT_EQ(e.LineCount(), 3);  // the final line end gives an empty last line
}

TEST_F(EditEngineFile, TabsControlCharactersAndLongLines) {
    Write("t.pas", "\tx\ta\n\x01y\x1bz\n" + std::string(1500, 'q') + "\n");
    EditEngine e;
    LoadResult r = LoadTextFile(e, Path("t.pas"), false, 4);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.tabsConverted);
    EXPECT_TRUE(r.controlsReplaced);
    EXPECT_TRUE(r.linesSplit);
    EXPECT_TRUE(e.Modified());
    EXPECT_EQ(e.LineText(1), "    x   a");
    EXPECT_EQ(e.LineText(2), " y z");
    EXPECT_EQ(e.LineLength(3), 1200);
    EXPECT_EQ(e.LineLength(4), 300);

    // With the tab character in use, tabs stay and nothing is modified.
    EditEngine f;
    r = LoadTextFile(f, Path("t.pas"), true, 4);
    EXPECT_FALSE(r.tabsConverted);
    EXPECT_EQ(f.LineText(1), "\tx\ta");
}

TEST_F(EditEngineFile, FailuresSayWhyAndKeepTheOldFile) {
    EditEngine e;
    LoadResult r = LoadTextFile(e, Path("missing.pas"), true, 4);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("No such file"), std::string::npos);

    Write("keep.pas", "old text\n");
    LoadTextFile(e, Path("keep.pas"), true, 4);
    e.InsertText("new ");
    fs::create_directories(Path("keep.pas.dir"));
    std::string error;
    EXPECT_FALSE(SaveTextFile(e, Path("keep.pas.dir"), false, false, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(SaveTextFile(e, Path("no/such/dir/keep.pas"), false, false, error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_EQ(Read("keep.pas"), "old text\n");
    ASSERT_TRUE(SaveTextFile(e, Path("keep.pas"), true, false, error));
    EXPECT_EQ(Read("keep.pas"), "new old text\n");
    EXPECT_EQ(Read("keep.bak"), "old text\n");
}
