// The exported entry points as a launcher, the IDE and a user of tvm meet them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "runtime/tarnrt.h"
#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Op;

const std::string kTvm = TVM_PATH;

TestImage ExitImage(uint32_t code) {
    TestImage img;
    img.sources = {"main.pas", "inc/defs.inc"};
    EmitExit(img, code);
    return img;
}

// Exits with 42, reached only if every kind of converted value came through: a case table
// (listed for swapping) selects the path, a real is truncated to 40, and a fix-up with a
// wrapping addend turns ADDI's 0x100 into 2.
TestImage ConversionImage(bool big, uint32_t flags = 0) {
    TestImage img;
    img.big = big;
    img.flags = flags | vm::kFlagPortable;
    img.Op(Op::PUSHI, 4);
    img.Op(Op::CALLSTD, 63);
    img.Op(Op::PUSHI, 4);
    img.Op(Op::PUSHI, 1);
    img.Op(Op::JCASE, 0);
    uint32_t wrong = static_cast<uint32_t>(img.code.size());
    img.Op(Op::PUSHI, 99);
    img.Op(Op::STOREW);
    img.Op(Op::CALLSTD, 94);
    uint32_t right = static_cast<uint32_t>(img.code.size());
    img.OpReal(Op::PUSHR, 40.75);
    img.Op(Op::TRUNC);
    uint32_t addend = static_cast<uint32_t>(img.code.size()) + (img.WordOps() ? 4 : 1);
    img.Op(Op::ADDI, 0x100);
    img.Op(Op::STOREW);
    img.Op(Op::CALLSTD, 94);
    img.fixups = {{addend, 0xFFFFFF02u}};  // 0x100 - 0xFE
    img.DataWord(wrong);
    img.DataWord(right);
    img.swaps = {{0, 2}};
    img.lines = {0, right};
    return img;
}

std::string WriteImage(const std::string& name, const TestImage& img) {
    return WriteFile(TempPath(name), img.Bytes());
}

// A copy of a small ELF program with the image appended.
std::string AppendedExecutable(const std::string& name, const TestImage& img) {
    auto exe = ReadBytes("/bin/true");
    auto image = img.Bytes();
    exe.insert(exe.end(), image.begin(), image.end());
    std::string path = WriteFile(TempPath(name), exe);
    chmod(path.c_str(), 0755);
    return path;
}

std::string SectionExecutable(const std::string& name, const TestImage& img) {
    std::string exe = WriteFile(TempPath(name), ReadBytes("/bin/true"));
    std::string data = WriteImage(name + ".tvm", img);
    std::string cmd = "objcopy --add-section .tarn_image=" + data + " " + exe;
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return exe;
}

std::vector<std::string> SourceNames(void* h) {
    std::vector<std::string> names;
    char buf[300];
    while (GetSourceName(h, buf, sizeof buf)) names.push_back(buf);
    return names;
}

// ---- OpenExecutable, GetSourceName, CloseExecutable -------------------------------------------

TEST(GetSourceName, ReturnsTheRecordedNamesInOrder) {
    std::string path = WriteImage("names.tvm", ExitImage(0));
    void* h = OpenExecutable(path.c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SourceNames(h), (std::vector<std::string>{"main.pas", "inc/defs.inc"}));
    EXPECT_EQ(CloseExecutable(h), 1);
}

TEST(GetSourceName, BufferExactlyAsLongAsTheNameIsLeftUntouched) {
    std::string path = WriteImage("names.tvm", ExitImage(0));
    void* h = OpenExecutable(path.c_str());
    ASSERT_NE(h, nullptr);
    char buf[9];
    std::memset(buf, '*', sizeof buf);
    EXPECT_EQ(GetSourceName(h, buf, 8), 0);  // "main.pas" has 8 characters
    EXPECT_EQ(std::string(buf, sizeof buf), "*********");
    CloseExecutable(h);
    h = OpenExecutable(path.c_str());
    EXPECT_EQ(GetSourceName(h, buf, 9), 1);
    EXPECT_STREQ(buf, "main.pas");
    CloseExecutable(h);
}

TEST(GetSourceName, NullHandleAndImageWithoutNames) {
    char buf[16] = "untouched";
    EXPECT_EQ(GetSourceName(nullptr, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "untouched");
    TestImage img = ExitImage(0);
    img.sources.clear();
    void* h = OpenExecutable(WriteImage("nonames.tvm", img).c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetSourceName(h, buf, sizeof buf), 0);
    EXPECT_EQ(GetSourceName(h, buf, sizeof buf), 0);  // stays at the end
    EXPECT_STREQ(buf, "untouched");
    CloseExecutable(h);
    EXPECT_EQ(CloseExecutable(nullptr), 1);
}

TEST(OpenExecutable, FindsAnImageAppendedToAnElfProgram) {
    std::string exe = AppendedExecutable("appended-prog", ExitImage(0));
    void* h = OpenExecutable(exe.c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SourceNames(h).size(), 2u);
    CloseExecutable(h);
}

TEST(OpenExecutable, FindsAnImageInTheTarnImageSection) {
    std::string exe = SectionExecutable("section-prog", ExitImage(0));
    EXPECT_EQ(CheckImageForResource(exe.c_str()), 1);
    void* h = OpenExecutable(exe.c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SourceNames(h), (std::vector<std::string>{"main.pas", "inc/defs.inc"}));
    CloseExecutable(h);
}

TEST(OpenExecutable, ExeOrDllThatIsNotElfHasNoImageOffset) {
    auto bytes = ExitImage(0).Bytes();
    for (const char* name : {"plain.dll", "plain.EXE"}) {
        ChildResult r = RunInChild([&] {
            std::string path = WriteFile(TempPath(name), bytes);
            return OpenExecutable(path.c_str()) == nullptr ? 0 : 5;
        });
        EXPECT_EQ(r.Code(), 0) << name;
        EXPECT_EQ(r.out, "") << name;
    }
}

TEST(OpenExecutable, RefusedHeaderGivesNullWithItsMessage) {
    TestImage img = ExitImage(0);
    img.version = 6;
    std::string path = WriteImage("v6.tvm", img);
    ChildResult r = RunInChild([&] { return OpenExecutable(path.c_str()) == nullptr ? 0 : 5; });
    EXPECT_EQ(r.Code(), 0);
    EXPECT_EQ(r.out, "[TARNRUN] ERROR: Version mismatch.\n");
}

TEST(OpenExecutable, TruncatedHeaderDoesNotEndTheCallersProcess) {
    auto header = ExitImage(0).Header();
    std::string path = WriteFile(TempPath("cut.tvm"), {header.begin(), header.begin() + 20});
    ChildResult r = RunInChild([&] { return OpenExecutable(path.c_str()) == nullptr ? 7 : 5; });
    EXPECT_EQ(r.Code(), 7);
    EXPECT_EQ(r.out, "[TARNAPP] ERROR: Read failure.\n");
}

TEST(OpenExecutable, MissingFileOrNullNameGivesNull) {
    EXPECT_EQ(OpenExecutable(TempPath("missing.tvm").c_str()), nullptr);
    EXPECT_EQ(OpenExecutable(nullptr), nullptr);
}

// ---- GetMem and FreeMem ---------------------------------------------------------------------

TEST(GetMem, AllocatesAndFreeMemClearsThePointer) {
    void* p = nullptr;
    GetMem(&p, 1000);
    ASSERT_NE(p, nullptr);
    std::memset(p, 1, 1000);
    FreeMem(&p);
    EXPECT_EQ(p, nullptr);
    FreeMem(&p);  // freeing null again is harmless
}

// ---- Run functions ---------------------------------------------------------------------------

TEST(RunConsoleFromFile, NullNameIsRefused) {
    ChildResult r = RunInChild([] { return RunConsoleFromFile(0, nullptr, nullptr, 0, 1, 0, 0, 0); });
    EXPECT_EQ(r.Code(), 1);
    EXPECT_EQ(r.out, "[TARNRUN] ERROR: filename not specified.\n");
}

TEST(RunConsoleFromFile, RunsAnImageAppendedToALauncherCopy) {
    std::string exe = AppendedExecutable("run-appended", ExitImage(42));
    ChildResult r = RunInChild([&] {
        char* argv[] = {const_cast<char*>(exe.c_str()), nullptr};
        return RunConsoleFromFile(1, argv, exe.c_str(), CalcSizeOfImageFile(exe.c_str()), 1, 0, 0, 0);
    });
    EXPECT_EQ(r.Code(), 42) << r.out;
}

TEST(RunConsoleFromResource, RunsTheImageInTheSection) {
    std::string exe = SectionExecutable("run-section", ExitImage(42));
    ChildResult r = RunInChild([&] {
        char* argv[] = {const_cast<char*>(exe.c_str()), nullptr};
        return RunConsoleFromResource(1, argv, exe.c_str(), 0, 0, 0);
    });
    EXPECT_EQ(r.Code(), 42) << r.out;
}

TEST(RunConsoleFromResource, DamagedRecordInTheSectionEndsWithItsMessage) {
    TestImage img = ExitImage(42);
    img.codeSize = 3;  // the code record overflows it
    std::string exe = SectionExecutable("run-damaged-section", img);
    ChildResult r = RunInChild([&] { return RunConsoleFromResource(0, nullptr, exe.c_str(), 0, 0, 0); });
    EXPECT_EQ(r.Code(), 1);
    EXPECT_EQ(r.out, "Error: Code segment overflow!\n");
    EXPECT_EQ(r.err, "");  // in particular no leak report for the section's bytes
}

TEST(RunConsoleFromResource, ExecutableWithoutTheSectionIsRefused) {
    std::string exe = WriteFile(TempPath("no-section"), ReadBytes("/bin/true"));
    ChildResult r = RunInChild([&] { return RunConsoleFromResource(0, nullptr, exe.c_str(), 0, 0, 0); });
    EXPECT_EQ(r.Code(), 1);
    EXPECT_EQ(r.out, "[TARNRUN] ERROR: Can not open application resource.\n");
}

// ---- tvm ------------------------------------------------------------------------------------------

TEST(Tvm, RunsAnImageAndReturnsItsExitCode) {
    ChildResult r = RunCommand({kTvm, WriteImage("exit42.tvm", ExitImage(42))});
    EXPECT_EQ(r.Code(), 42) << r.out << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(Tvm, WithoutAnImageShowsUsage) {
    for (auto args : {std::vector<std::string>{kTvm}, {kTvm, "-a"}}) {
        ChildResult r = RunCommand(args);
        EXPECT_EQ(r.Code(), 1);
        EXPECT_EQ(r.err, "usage: tvm [-a] image.tvm [arguments...]\n");
        EXPECT_EQ(r.out, "");
    }
}

TEST(Tvm, MissingImageCanNotBeOpened) {
    ChildResult r = RunCommand({kTvm, "no-such-image.tvm"});
    EXPECT_EQ(r.Code(), 1);
    EXPECT_EQ(r.out, "[TARNRUN] ERROR: Can not open 'no-such-image.tvm'.\n");
}

TEST(Tvm, ProgramSeesTheArgumentsAfterTheImage) {
    TestImage img;
    img.Op(Op::PUSHI, 4);
    img.Op(Op::CALLSTD, 63);
    img.Op(Op::PUSHI, 4);
    img.Op(Op::CALLSTD, 99);  // paramcount
    img.Op(Op::STOREW);
    img.Op(Op::CALLSTD, 94);
    std::string path = WriteImage("paramcount.tvm", img);
    EXPECT_EQ(RunCommand({kTvm, path, "a", "b c", "d"}).Code(), 3);
    EXPECT_EQ(RunCommand({kTvm, path}).Code(), 0);
    EXPECT_EQ(RunCommand({kTvm, "-a", path, "x", "y"}).Code(), 2);
}

TEST(Tvm, ScriptLineImageRuns) {
    TestImage img = ExitImage(7);
    img.script = "/usr/bin/env tvm";
    EXPECT_EQ(RunCommand({kTvm, WriteImage("script.tvm", img)}).Code(), 7);
}

TEST(Tvm, ConvertedImagesRunInEitherOrderAndOpcodeWidth) {
    for (bool big : {false, true}) {
        for (uint32_t flags : {0u, vm::kFlagWordOpcodes}) {
            ChildResult r = RunCommand({kTvm, WriteImage("convert.tvm", ConversionImage(big, flags))});
            EXPECT_EQ(r.Code(), 42) << "big " << big << " flags " << flags << "\n" << r.out << r.err;
        }
    }
}

TEST(Tvm, HeaderAndRecordFailuresReachTheUser) {
    TestImage v3 = ExitImage(0);
    v3.version = 3;
    ChildResult r = RunCommand({kTvm, WriteImage("v3.tvm", v3)});
    EXPECT_EQ(r.Code(), 1);
    EXPECT_EQ(r.out, "[TARNRUN] ERROR: Version mismatch.\n");

    TestImage shortCode = ExitImage(0);
    shortCode.codeSize = 100;
    r = RunCommand({kTvm, WriteImage("short.tvm", shortCode)});
    EXPECT_EQ(r.Code(), 1);
    EXPECT_EQ(r.out, "Error: Size of code records not equal to code segment size!\n");
}

TEST(Tvm, StrayAddressIsInvalidMemoryAccess) {
    TestImage img;
    img.Op(Op::PUSHI, 0x20000000);  // far above VM memory, never handed out
    img.Op(Op::LOADW);
    img.Op(Op::CALLSTD, 94);
    ChildResult r = RunCommand({kTvm, WriteImage("stray.tvm", img)});
    EXPECT_EQ(r.Code(), 1) << r.out << r.err;
    EXPECT_NE(r.out.find("Invalid memory access"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace tarn::rt::test
