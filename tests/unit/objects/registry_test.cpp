// The registry parser: which lines count, what a bad line says, where paths lead, and
// which files are read in which order.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/registry.h"

namespace tarn::automation {
namespace {

Registry Parse(std::string_view text, const std::string& file = "/etc/tarn/automation.conf") {
    Registry r;
    ParseRegistry(text, file, r);
    return r;
}

TEST(Registry, GoodLinesWithBlanksCommentsAndSpacing) {
    Registry r = Parse("# comment\n\n; another\n  Tarn.Dictionary =  /usr/lib/tarn/libx.so  \r\n"
                       "Vendor.Thing-2_b=liby.so\n");
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_TRUE(r.problems.empty());
    EXPECT_EQ(r.entries[0].progId, "Tarn.Dictionary");
    EXPECT_EQ(r.entries[0].path, "/usr/lib/tarn/libx.so");
    EXPECT_EQ(r.entries[0].line, 4u);
    EXPECT_EQ(r.entries[1].path, "liby.so");  // no '/': the loader's search
}

TEST(Registry, RelativePathsAreTakenFromTheFilesDirectory) {
    Registry r = Parse("A.B = ../../lib/tarn/libs.so\nC.D = sub/libt.so\n", "/opt/kit/share/tarn/automation.conf");
    EXPECT_EQ(r.entries[0].path, "/opt/kit/share/tarn/../../lib/tarn/libs.so");
    EXPECT_EQ(r.entries[1].path, "/opt/kit/share/tarn/sub/libt.so");
    Registry here = Parse("A.B = sub/libt.so\n", "automation.conf");
    EXPECT_EQ(here.entries[0].path, "./sub/libt.so");
}

TEST(Registry, BadLinesAreSkippedWithTheirReason) {
    struct Case {
        const char* line;
        const char* problem;
    } cases[] = {
        {"no equals sign here", "f.conf:1: expected 'ProgID = path'"},
        {" = libx.so", "f.conf:1: no ProgID before '='"},
        {"Tarn.X =   ", "f.conf:1: no library path after '='"},
        {"Tarn X = libx.so", "f.conf:1: ProgID may hold only letters, digits and . _ -"},
        {"T\xc3\xa4rn = libx.so", "f.conf:1: ProgID may hold only letters, digits and . _ -"},
    };
    for (const Case& c : cases) {
        Registry r = Parse(std::string(c.line) + "\nGood.One = libg.so\n", "f.conf");
        ASSERT_EQ(r.problems.size(), 1u) << c.line;
        EXPECT_EQ(r.problems[0].text, c.problem);
        ASSERT_EQ(r.entries.size(), 1u);
        EXPECT_EQ(r.entries[0].progId, "Good.One");
    }
}

TEST(Registry, ZeroBytesAreRefused) {
    Registry r = Parse(std::string_view("Tarn.X = li\0bx.so\n", 18), "f");
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].text, "f:1: line holds a zero byte");
}

TEST(Registry, LongLinesAndProgIdsAreRefused) {
    Registry r = Parse(std::string(kMaxProgId + 1, 'A') + " = libx.so\nX = " + std::string(5000, 'p') + "\n", "f");
    ASSERT_EQ(r.problems.size(), 2u);
    EXPECT_EQ(r.problems[0].text, "f:1: ProgID longer than 259 characters");
    EXPECT_EQ(r.problems[1].text, "f:2: line longer than 4096 characters");
    EXPECT_TRUE(r.entries.empty());
}

TEST(Registry, DuplicatesInOneFileKeepTheFirstAndLookupIgnoresCase) {
    Registry r = Parse("Tarn.Dictionary = a.so\nTARN.DICTIONARY = b.so\n", "f");
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].text, "f:2: 'TARN.DICTIONARY' is already registered on line 1");
    ASSERT_NE(r.Find("tarn.dictionary"), nullptr);
    EXPECT_EQ(r.Find("tarn.dictionary")->path, "a.so");
    EXPECT_EQ(r.Find("Tarn.Dictionar"), nullptr);
}

TEST(Registry, FilesInPrecedenceOrder) {
    EXPECT_EQ(RegistryFiles("/x/only.conf", "/home/u", "/kit/share/tarn/automation.conf"),
              std::vector<std::string>{"/x/only.conf"});
    EXPECT_EQ(RegistryFiles(nullptr, "/home/u", "/kit/a.conf"),
              (std::vector<std::string>{"/home/u/.config/tarn/automation.conf", "/etc/tarn/automation.conf", "/kit/a.conf"}));
    EXPECT_EQ(RegistryFiles(nullptr, "", ""), std::vector<std::string>{"/etc/tarn/automation.conf"});
}

TEST(Registry, EarlierFilesWinAndOnlyTheOverrideMustExist) {
    std::string dir = testing::TempDir();
    std::string user = dir + "/user.conf", kit = dir + "/kit.conf";
    std::ofstream(user) << "Tarn.A = user-a.so\n";
    std::ofstream(kit) << "Tarn.A = kit-a.so\nTarn.B = kit-b.so\n";
    Registry r = LoadRegistry({user, dir + "/absent.conf", kit}, false);
    EXPECT_TRUE(r.problems.empty());
    EXPECT_EQ(r.Find("Tarn.A")->path, "user-a.so");
    EXPECT_EQ(r.Find("Tarn.B")->path, "kit-b.so");

    Registry missing = LoadRegistry({dir + "/absent.conf"}, true);
    ASSERT_EQ(missing.problems.size(), 1u);
    EXPECT_EQ(missing.problems[0].text, dir + "/absent.conf: cannot read the registry file (No such file or directory)");
}

TEST(Registry, ProgIdForm) {
    EXPECT_TRUE(IsValidProgId("Tarn.Dictionary"));
    EXPECT_FALSE(IsValidProgId(""));
    EXPECT_FALSE(IsValidProgId("has space"));
    EXPECT_FALSE(IsValidProgId(std::string(260, 'a')));
}

}  // namespace
}  // namespace tarn::automation
