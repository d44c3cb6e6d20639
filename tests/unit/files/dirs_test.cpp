// Directories, file dates, times and modes, fexpand and fsplit.
#include <set>

#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Std;

class Dirs : public FilesTest {
protected:
    static constexpr uint32_t kDir = 80;  // a directory variable
    std::string Cwd() {
        char buf[4096];
        return getcwd(buf, sizeof buf) ? buf : "";
    }
    std::string ReadDir() {
        PushWord(VmWord(kDir)); Call(Std::ReadDir);
        return PopStr();
    }
    void Stamp(Std n, const std::string& name, uint32_t a, uint32_t b, uint32_t c) {
        PushStr(name); PushWord(a); PushWord(b); PushWord(c); Call(n);
    }
};

TEST_F(Dirs, ListRewindAndClose) {
    WriteFile("a.txt", "");
    PushStr("sub"); PushWord(279); Call(Std::MkDir);
    ASSERT_EQ(Pending(), 0u);
    PushStr("."); PushWord(kDir); Call(Std::OpenDir);
    ASSERT_EQ(Pending(), 0u);
    std::set<std::string> names;
    for (std::string n = ReadDir(); !n.empty(); n = ReadDir()) names.insert(n);
    EXPECT_EQ(names, (std::set<std::string>{".", "..", "a.txt", "sub"}));
    EXPECT_EQ(Pending(), 0u);
    PushWord(VmWord(kDir)); Call(Std::RewindDir);
    EXPECT_FALSE(ReadDir().empty()) << "listing again after rewinddir";
    PushWord(kDir); Call(Std::CloseDir);
    EXPECT_EQ(Pending(), 0u);
    EXPECT_EQ(VmWord(kDir), kUndefinedWord);
    EXPECT_EQ(ReadDir(), "");
    EXPECT_EQ(Pending(), 26u);
    PushWord(kDir); Call(Std::CloseDir);
    EXPECT_EQ(Pending(), 26u);
    PushWord(VmWord(kDir)); Call(Std::RewindDir);
    EXPECT_EQ(Pending(), 26u);
    PushStr("missing"); PushWord(kDir); Call(Std::OpenDir);
    EXPECT_EQ(Pending(), 24u);
    ExpectEmptyStack();
}

TEST_F(Dirs, ChDirMkDirRmDir) {
    PushStr("d"); PushWord(279); Call(Std::MkDir);
    EXPECT_EQ(Pending(), 0u);
    PushStr("d"); PushWord(279); Call(Std::MkDir);
    EXPECT_EQ(Pending(), 29u) << "already there";
    PushStr("d"); Call(Std::ChDir);
    EXPECT_EQ(Pending(), 0u);
    EXPECT_EQ(Cwd(), dir_ + "/d");
    PushStr(".."); Call(Std::ChDir);
    PushStr("nowhere"); Call(Std::ChDir);
    EXPECT_EQ(Pending(), 20u);
    PushStr("d"); Call(Std::RmDir);
    EXPECT_EQ(Pending(), 0u);
    EXPECT_FALSE(Exists("d"));
    PushStr("d"); Call(Std::RmDir);
    EXPECT_EQ(Pending(), 30u);
    ExpectEmptyStack();
}

TEST_F(Dirs, ModesMapToThePosixBits) {
    WriteFile("m.txt", "");
    ASSERT_EQ(chmod("m.txt", 0640), 0);
    PushWord(kVar); PushStr("m.txt"); Call(Std::GetFileMode);
    EXPECT_EQ(PopWord(), 1u + 2u + 16u) << "usr_r + usr_w + grp_r";
    EXPECT_EQ(PopWord(), kVar) << "the variable's address stays for the assignment";
    PushStr("sub"); PushWord(1 + 2 + 4 + 64 + 1024); Call(Std::MkDir);  // rwx--x--x
    struct stat st {};
    ASSERT_EQ(stat("sub", &st), 0);
    EXPECT_EQ(st.st_mode & 0777 & ~0711u, 0u);
    PushStr("sub"); Call(Std::GetFileMode);
    uint32_t mode = PopWord();
    EXPECT_TRUE(mode & 4096) << "dir_bit";
    PushStr("missing"); Call(Std::GetFileMode);
    EXPECT_EQ(PopWord(), 0u);
    EXPECT_EQ(Pending(), 32u);
    EXPECT_EQ(PosixMode(LanguageMode(S_IFDIR | 0755)), S_IFDIR | 0755u);
    ExpectEmptyStack();
}

TEST_F(Dirs, DatesAndTimesOfFiles) {
    WriteFile("t.txt", "");
    constexpr uint32_t kY = 300, kM = 304, kD = 308;
    Stamp(Std::SetFileDate, "t.txt", 2020, 2, 29);
    EXPECT_EQ(Pending(), 0u);
    Stamp(Std::SetFileTime, "t.txt", 13, 45, 10);
    EXPECT_EQ(Pending(), 0u);
    Stamp(Std::GetFileDate, "t.txt", kY, kM, kD);
    EXPECT_EQ(Pending(), 0u);
    EXPECT_EQ(VmWord(kY), 2020u);
    EXPECT_EQ(VmWord(kM), 2u);
    EXPECT_EQ(VmWord(kD), 29u);
    Stamp(Std::GetFileTime, "t.txt", kY, kM, kD);
    EXPECT_EQ(VmWord(kY), 13u);
    EXPECT_EQ(VmWord(kM), 45u);
    EXPECT_EQ(VmWord(kD), 10u);
    Stamp(Std::SetFileDate, "t.txt", 2021, 2, 30);
    EXPECT_EQ(Pending(), 34u) << "30 February";
    Stamp(Std::SetFileTime, "t.txt", 24, 0, 0);
    EXPECT_EQ(Pending(), 35u);
    Stamp(Std::GetFileDate, "t.txt", kY, kM, kD);
    EXPECT_EQ(VmWord(kY), 2020u) << "refused values change nothing";
    Stamp(Std::GetFileDate, "missing", kY, kM, kD);
    EXPECT_EQ(Pending(), 31u);
    Stamp(Std::GetFileTime, "missing", kY, kM, kD);
    EXPECT_EQ(Pending(), 33u);
    Stamp(Std::SetFileDate, "missing", 2020, 1, 1);
    EXPECT_EQ(Pending(), 34u);
    Stamp(Std::SetFileDate, "t.txt", 0, 0, 0);  // today
    std::time_t now = std::time(nullptr);
    std::tm today {};
    localtime_r(&now, &today);
    Stamp(Std::GetFileDate, "t.txt", kY, kM, kD);
    EXPECT_EQ(VmWord(kY), static_cast<uint32_t>(today.tm_year + 1900));
    ExpectEmptyStack();
}

TEST_F(Dirs, FExpandResolvesAgainstTheCurrentDirectory) {
    const struct {
        std::string name;
        std::string full;
    } kCases[] = {
        {"", Cwd()},
        {"a/./b/../c.txt", Cwd() + "/a/c.txt"},
        {"/x/../y", "/y"},
        {"/", "/"},
        {"../..", ExpandFileName("..").substr(0, ExpandFileName("..").rfind('/'))},
    };
    for (const auto& c : kCases) {
        PushStr(c.name); Call(Std::FExpand);
        EXPECT_EQ(PopStr(), c.full.empty() ? "/" : c.full) << c.name;
    }
    PushStr(std::string(300, 'x')); Call(Std::FExpand);
    EXPECT_EQ(PopStr(), "");
    EXPECT_EQ(Pending(), 21u);
    ExpectEmptyStack();
}

TEST_F(Dirs, FSplitIntoDirectoryNameAndExtension) {
    constexpr uint32_t kDirVar = 300, kName = 600, kExt = 1000;
    auto Split = [&](const std::string& path, uint32_t nameMax) {
        PushStr(path);
        PushWord(255); PushWord(kDirVar);
        PushWord(nameMax); PushWord(kName);
        PushWord(300); PushWord(kExt);  // a string of 300: 4-byte prefix
        PushWord(255);
        Call(Std::FSplit);
    };
    auto Short = [&](uint32_t a) { return std::string(reinterpret_cast<char*>(Mem() + a + 1), Mem()[a]); };
    auto Long = [&](uint32_t a) { return std::string(reinterpret_cast<char*>(Mem() + a + 4), VmWord(a)); };
    Split("/usr/lib/x.tar.gz", 80);
    EXPECT_EQ(Pending(), 0u);
    EXPECT_EQ(Short(kDirVar), "/usr/lib/");
    EXPECT_EQ(Short(kName), "x.tar");
    EXPECT_EQ(Long(kExt), ".gz");
    Split("name", 80);
    EXPECT_EQ(Short(kDirVar), "");
    EXPECT_EQ(Short(kName), "name");
    EXPECT_EQ(Long(kExt), "");
    Split("a.d/file", 80);
    EXPECT_EQ(Short(kDirVar), "a.d/");
    EXPECT_EQ(Short(kName), "file");
    EXPECT_EQ(Long(kExt), "");
    Split("dir/longname.txt", 4);
    EXPECT_EQ(Pending(), 22u) << "the name does not fit its variable";
    EXPECT_EQ(Short(kDirVar), "a.d/") << "nothing stored";
    // omitted result variables
    PushStr("p/q.r"); for (int i = 0; i < 6; ++i) PushWord(0); PushWord(255); Call(Std::FSplit);
    EXPECT_EQ(Pending(), 0u);
    ExpectEmptyStack();
}

}  // namespace
}  // namespace tarn::rt::test
