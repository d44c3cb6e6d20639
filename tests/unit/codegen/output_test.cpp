// The image writer: header fields, record framing and splitting, fix-ups, data-swap runs,
// source names, the line table, plain files and launcher copies, and every failure.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <numeric>

#include "compiler/writer/image.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "harness.h"

namespace tarn::tpc::test {
namespace {

using vm::HeaderWord;

class OutputTest : public CompilerTest {
protected:
    std::string Path(const char* name) { return (dir / name).string(); }

    // Opens `name`, lets `fill` produce the sections, writes, and reads the file back.
    std::vector<uint8_t> Write(const char* name, void (*fill)() = nullptr, const char* header = "") {
        OpenOutput(Path(name).c_str(), header);
        if (fill) fill();
        WriteImage();
        return ReadFileBytes(dir / name);
    }

    static void AppendCodeBytes(uint32_t n, uint8_t first = 0) {
        std::vector<uint8_t> bytes(n);
        std::iota(bytes.begin(), bytes.end(), first);
        AppendCode(bytes.data(), n);
    }
};

TEST_F(OutputTest, WithoutHeaderTextTheFileStartsWithTheMagic) {
    auto bytes = Write("a.tvm", [] { AppendCodeBytes(1); });
    ASSERT_GE(bytes.size(), 5u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 5),
              (std::vector<uint8_t>{'T', 'x', 0x1A, 1, 0}));
}

TEST_F(OutputTest, HeaderTextBecomesAScriptLineAndMakesTheFileExecutable) {
    auto bytes = Write("s.tvm", [] { AppendCodeBytes(1); }, "/usr/local/bin/tvm");
    std::string start(bytes.begin(), bytes.begin() + 22);
    EXPECT_EQ(start, "#!/usr/local/bin/tvm\nT");
    ParsedImage img = ParseImage(bytes);
    ASSERT_TRUE(img.ok) << img.error;
    EXPECT_EQ(img.scriptLine, "/usr/local/bin/tvm");
    struct stat st;
    ASSERT_EQ(stat(Path("s.tvm").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
}

TEST_F(OutputTest, ScriptLineEndsAtTheFirstLineFeedOfTheText) {
    auto bytes = Write("nl.tvm", [] { AppendCodeBytes(1); }, "tvm\nrest");
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "#!tvm\nTx");
    ParsedImage img = ParseImage(bytes);
    ASSERT_TRUE(img.ok) << img.error;
    EXPECT_EQ(img.Header(HeaderWord::code_size), 1u);
}

TEST_F(OutputTest, HeaderFieldsCarryTheOutputState) {
    time_t before = time(nullptr);
    auto bytes = Write("h.tvm", [] {
        AppendCodeBytes(10);
        const uint8_t data[6] = {1, 2, 3, 4, 5, 6};
        AppendFixedData(data, 6);
        SetGlobalsSize(96);
        SetEntryPoint(4);
        SetOption(opt::S, 8, 0);   // kilobytes
    });
    ParsedImage img = ParseImage(bytes);
    ASSERT_TRUE(img.ok) << img.error;
    EXPECT_EQ(img.magic, vm::kImageMagic);
    EXPECT_EQ(img.wordBits, 32);
    EXPECT_EQ(img.byteOrder, 0);
    EXPECT_EQ(img.Header(HeaderWord::format_version), 5u);
    EXPECT_EQ(img.Header(HeaderWord::image_flags), 2u);  // portable, byte opcodes
    EXPECT_EQ(img.Header(HeaderWord::code_size), 10u);
    EXPECT_EQ(img.Header(HeaderWord::data_base), 96u);
    EXPECT_EQ(img.Header(HeaderWord::data_size), 6u);
    EXPECT_EQ(img.Header(HeaderWord::stack_size), 8192u);
    EXPECT_EQ(img.Header(HeaderWord::entry_offset), 4u);
    struct tm local;
    localtime_r(&before, &local);
    EXPECT_EQ(img.Header(HeaderWord::time_year), (uint32_t)local.tm_year);
    EXPECT_LE(img.Header(HeaderWord::time_month), 11u);
    EXPECT_GE(img.Header(HeaderWord::time_day), 1u);
    EXPECT_LE(img.Header(HeaderWord::time_second), 60u);
    EXPECT_EQ(img.trailing, 0u);
}

TEST_F(OutputTest, DefaultStackSizeAndWordOpcodeFlag) {
    SetFlag(opt::zw, true);
    ParsedImage img = ParseImage(Write("z.tvm", [] { AppendCodeBytes(4); }));
    ASSERT_TRUE(img.ok) << img.error;
    EXPECT_EQ(img.Header(HeaderWord::image_flags), 3u);
    EXPECT_EQ(img.Header(HeaderWord::stack_size), 65536u);
}

TEST_F(OutputTest, SectionsAreSplitIntoRecordsOfAtMost1028Bytes) {
    struct Case {
        uint32_t code, data;
        std::vector<size_t> codeRecords, dataRecords;
    } cases[] = {
        {1, 0, {1}, {}},
        {1028, 1028, {1028}, {1028}},
        {1029, 1029, {1028, 1}, {1028, 1}},
        {3000, 2056, {1028, 1028, 944}, {1028, 1028}},
    };
    for (const Case& c : cases) {
        InitOutputState();
        OpenOutput(Path("r.tvm").c_str(), "");
        AppendCodeBytes(c.code, 3);
        std::vector<uint8_t> data(c.data);
        std::iota(data.begin(), data.end(), 9);
        if (c.data) AppendFixedData(data.data(), c.data);
        WriteImage();
        ParsedImage img = ParseImage(ReadFileBytes(dir / "r.tvm"));
        ASSERT_TRUE(img.ok) << img.error;
        std::vector<size_t> codeSizes, dataSizes;
        for (auto* r : img.RecordsOf(vm::REC_CODE)) codeSizes.push_back(r->data.size());
        for (auto* r : img.RecordsOf(vm::REC_DATA)) dataSizes.push_back(r->data.size());
        EXPECT_EQ(codeSizes, c.codeRecords) << c.code << " bytes of code";
        EXPECT_EQ(dataSizes, c.dataRecords) << c.data << " bytes of data";
        std::vector<uint8_t> code(c.code);
        std::iota(code.begin(), code.end(), 3);
        EXPECT_EQ(img.Concatenated(vm::REC_CODE), code);
        EXPECT_EQ(img.Concatenated(vm::REC_DATA), data);
        EXPECT_TRUE(img.RecordsOf(vm::REC_CODE_FIXUP).empty());
    }
}

TEST_F(OutputTest, EveryRecordsBytesSumToZero) {
    ParsedImage img = ParseImage(Write("sum.tvm", [] {
        AddSourceName("main.pas");
        AppendCodeBytes(2500, 77);
        const uint8_t data[3] = {0xFF, 0xFE, 0xFD};
        AppendFixedData(data, 3);
        AddDataSwapRun(0, 1);
    }));
    ASSERT_TRUE(img.ok) << img.error;
    ASSERT_GE(img.records.size(), 7u);
    for (const auto& r : img.records) EXPECT_EQ(r.byteSum, 0u) << "record id " << (int)r.id;
}

TEST_F(OutputTest, RecordsComeInTheirOrderAndEndWithTheEndRecord) {
    ParsedImage img = ParseImage(Write("order.tvm", [] {
        AddSourceName("a.pas");
        AppendCodeBytes(5);
        const uint8_t data[4] = {1, 2, 3, 4};
        AppendFixedData(data, 4);
        AddDataSwapRun(0, 1);
    }));
    ASSERT_TRUE(img.ok) << img.error;
    std::vector<uint8_t> ids;
    for (const auto& r : img.records) ids.push_back(r.id);
    EXPECT_EQ(ids, (std::vector<uint8_t>{vm::REC_SOURCE_NAME, vm::REC_CODE, vm::REC_DATA,
                                         vm::REC_DATA_SWAP, vm::REC_END}));
    EXPECT_EQ(img.records.back().data, std::vector<uint8_t>(4, 0));
}

TEST_F(OutputTest, FixupsAreAddedIntoTheCodeWords) {
    ParsedImage img = ParseImage(Write("fix.tvm", [] {
        AppendCodeBytes(198);
        const uint8_t operand[4] = {5, 0, 0, 0};       // at 198..201: across the first block
        AppendCode(operand, 4);
        const uint8_t wrapping[4] = {0xFF, 0xFF, 0xFF, 0xFF};  // at 202..205
        AppendCode(wrapping, 4);
        AddFixup(198, 0x100);
        AddFixup(198, 0x20000);    // two fix-ups on one word add up
        AddFixup(202, 3);          // 0xFFFFFFFF + 3 wraps to 2
    }));
    ASSERT_TRUE(img.ok) << img.error;
    std::vector<uint8_t> code = img.Concatenated(vm::REC_CODE);
    ASSERT_EQ(code.size(), 206u);
    EXPECT_EQ(vm::LoadLE32(&code[198]), 0x20105u);
    EXPECT_EQ(vm::LoadLE32(&code[202]), 2u);
    EXPECT_EQ(code[197], 197);  // neighbours untouched
}

TEST_F(OutputTest, FixupOutsideTheCodeIsAnInternalError) {
    OpenOutput(Path("bad.tvm").c_str(), "");
    AppendCodeBytes(10);
    AddFixup(8, 1);  // the word at 8..11 passes the end of the code
    EXPECT_THROW(WriteImage(), FatalStop);
    EXPECT_TRUE(Issued(msg::InternalCompilerError));
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.tvm"));
}

TEST_F(OutputTest, DataSwapRunsBecomeOneRecordEach) {
    ParsedImage img = ParseImage(Write("swap.tvm", [] {
        AppendCodeBytes(1);
        std::vector<uint8_t> table(40, 0);
        AppendFixedData(table.data(), 40);
        AddDataSwapRun(0, 4);
        AddDataSwapRun(16, 6);
    }));
    ASSERT_TRUE(img.ok) << img.error;
    auto runs = img.RecordsOf(vm::REC_DATA_SWAP);
    ASSERT_EQ(runs.size(), 2u);
    ASSERT_EQ(runs[0]->data.size(), 8u);
    EXPECT_EQ(vm::LoadLE32(&runs[0]->data[0]), 0u);
    EXPECT_EQ(vm::LoadLE32(&runs[0]->data[4]), 4u);
    EXPECT_EQ(vm::LoadLE32(&runs[1]->data[0]), 16u);
    EXPECT_EQ(vm::LoadLE32(&runs[1]->data[4]), 6u);
}

TEST_F(OutputTest, SourceNamesAreRecordedInOpeningOrder) {
    ParsedImage img = ParseImage(Write("names.tvm", [] {
        AddSourceName("dir/main.pas");
        AddSourceName("inc/one.inc");
        AddSourceName("x");
        AppendCodeBytes(1);
    }));
    ASSERT_TRUE(img.ok) << img.error;
    std::vector<std::string> names;
    for (auto* r : img.RecordsOf(vm::REC_SOURCE_NAME)) names.emplace_back(r->data.begin(), r->data.end());
    EXPECT_EQ(names, (std::vector<std::string>{"dir/main.pas", "inc/one.inc", "x"}));
}

TEST_F(OutputTest, WithoutLineNumbersTheFileEndsWithTheEndRecordAndAZeroWord) {
    SetFlag(opt::ln, false);
    auto bytes = Write("noln.tvm", [] {
        AppendCodeBytes(3);
        MarkLine(1, 1);  // ignored: there is no table
    });
    ASSERT_GE(bytes.size(), 14u);
    const uint8_t end[] = {vm::REC_END, 4, 0, 0, 0, 0, 0, 0, 0, 0x78, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 14, bytes.end()), std::vector<uint8_t>(end, end + 14));
}

TEST_F(OutputTest, LineTableKeepsTheFirstOffsetOfEveryLine) {
    struct Mark { uint32_t line, offset; };
    struct Case {
        const char* name;
        std::vector<Mark> marks;
        std::vector<uint32_t> table;
    } cases[] = {
        {"none", {}, {}},
        {"seen then coded", {{1, 0}, {1, 10}}, {10}},
        {"first offset stays", {{1, 10}, {1, 20}}, {10}},
        {"skipped lines get 0", {{1, 4}, {4, 9}}, {4, 0, 0, 9}},
        {"earlier line ignored", {{3, 8}, {2, 5}, {1, 1}}, {0, 0, 8}},
        {"late code for a skipped line ignored", {{1, 4}, {3, 9}, {2, 7}}, {4, 0, 9}},
        {"zero after code keeps code", {{2, 6}, {2, 0}}, {0, 6}},
    };
    for (const Case& c : cases) {
        InitOutputState();
        OpenOutput(Path("ln.tvm").c_str(), "");
        AppendCodeBytes(1);
        for (const Mark& m : c.marks) MarkLine(m.line, m.offset);
        WriteImage();
        ParsedImage img = ParseImage(ReadFileBytes(dir / "ln.tvm"));
        ASSERT_TRUE(img.ok) << img.error;
        EXPECT_EQ(img.lineTable, c.table) << c.name;
        EXPECT_EQ(img.trailing, 0u) << c.name;
    }
}

TEST_F(OutputTest, AStaleImageIsRemovedOnlyWhenTheCompilationEnds) {
    WriteFileBytes(dir / "old.tvm", {1, 2, 3});
    OpenOutput(Path("old.tvm").c_str(), "");
    EXPECT_TRUE(std::filesystem::exists(dir / "old.tvm"));   // an include may still turn out to be it
    ReportMessage(msg::TypeMismatch, nullptr);
    WriteImage();
    EXPECT_FALSE(std::filesystem::exists(dir / "old.tvm"));
}

TEST_F(OutputTest, TheNewImageIsANewFileSoOtherLinksKeepTheirContents) {
    WriteFileBytes(dir / "other", {7, 7});
    std::filesystem::create_hard_link(dir / "other", dir / "linked.tvm");
    Write("linked.tvm", [] { AppendCodeBytes(1); });
    EXPECT_EQ(ReadFileBytes(dir / "other"), (std::vector<uint8_t>{7, 7}));
    EXPECT_TRUE(ParseImage(ReadFileBytes(dir / "linked.tvm")).ok);
}

TEST_F(OutputTest, NonRegularFilesAreLeftAlone) {
    std::filesystem::create_directory(dir / "d.tvm");
    OpenOutput(Path("d.tvm").c_str(), "");
    ReportMessage(msg::TypeMismatch, nullptr);
    WriteImage();
    EXPECT_TRUE(std::filesystem::is_directory(dir / "d.tvm"));
    EXPECT_FALSE(Issued(msg::FileAccessFailed));
}

TEST_F(OutputTest, StaleImageThatCannotBeDeletedIsFatal) {
    // A regular file on /proc can be read but never deleted, even by root.
    ASSERT_TRUE(std::filesystem::is_regular_file("/proc/version"));
    OpenOutput("/proc/version", "");
    ReportMessage(msg::TypeMismatch, nullptr);
    EXPECT_THROW(WriteImage(), FatalStop);
    EXPECT_EQ(MessageText(msg::FileAccessFailed), "Access to file '/proc/version' failed.");
}

// The output named by a source file, by any name: the source opened first (the main
// program) or later (an include file). Either is refused, and neither is written to or
// removed, whatever happens afterwards.
TEST_F(OutputTest, AnOutputThatIsASourceFileIsRefusedAndKept) {
    WriteFileBytes(dir / "main.pas", {'p', 'a', 's'});
    std::filesystem::create_hard_link(dir / "main.pas", dir / "hard.tvm");
    std::filesystem::create_symlink(dir / "main.pas", dir / "soft.exe");
    const std::string dotted = (dir / "." / "main.pas").string();
    for (const std::string& output : {Path("main.pas"), dotted, Path("hard.tvm"), Path("soft.exe")}) {
        for (bool sourceFirst : {true, false}) {
            InitMessages();
            InitOutputState();
            SetGenerateCode(true);
            if (sourceFirst) {
                AddSourceName(Path("main.pas").c_str());
                EXPECT_THROW(OpenOutput(output.c_str(), ""), FatalStop) << output;
            } else {
                OpenOutput(output.c_str(), "");
                EXPECT_THROW(AddSourceName(Path("main.pas").c_str()), FatalStop) << output;
            }
            EXPECT_EQ(MessageText(msg::OutputIsSource),
                      "Output file '" + output + "' is a source file of this compilation.");
            EXPECT_EQ(ErrorCount(), 1);
            AppendCodeBytes(1);
            WriteImage();
            EXPECT_EQ(ReadFileBytes(dir / "main.pas"), (std::vector<uint8_t>{'p', 'a', 's'})) << output;
        }
    }
}

TEST_F(OutputTest, AnUnrelatedExistingOutputIsNotRefused) {
    WriteFileBytes(dir / "main.pas", {'p'});
    WriteFileBytes(dir / "main.tvm", {1});
    AddSourceName(Path("main.pas").c_str());
    OpenOutput(Path("main.tvm").c_str(), "");
    AddSourceName(Path("missing.inc").c_str());   // a name that cannot be looked at is no match
    EXPECT_FALSE(Issued(msg::OutputIsSource));
}

TEST_F(OutputTest, NothingIsWrittenAfterAnError) {
    OpenOutput(Path("err.tvm").c_str(), "");
    AppendCodeBytes(4);
    ReportMessage(msg::TypeMismatch, nullptr);
    WriteImage();
    EXPECT_FALSE(std::filesystem::exists(dir / "err.tvm"));
}

TEST_F(OutputTest, CodeAndFixedDataStopAtTheSizeLimit) {
    AppendCodeBytes(2);
    uint8_t byte = 0;
    AppendCode(&byte, 0xFFFFFFFEu);  // 2 + (2^32 - 2) would reach 2^32
    EXPECT_EQ(MessageText(msg::LimitCodeSize), "Implementation limit exceeded (size of code).");
    EXPECT_EQ(GetCodeSize(), 2u);
    AppendFixedData(&byte, 1);
    AppendFixedData(&byte, 0xFFFFFFFFu);
    EXPECT_EQ(MessageText(msg::LimitFixedDataSize),
              "Implementation limit exceeded (size of fixed data).");
    EXPECT_EQ(GetFixedDataSize(), 1u);
    EXPECT_EQ(ErrorCount(), 2);  // ordinary errors: the compilation goes on
}

TEST_F(OutputTest, OutputThatCannotBeCreatedIsFatal) {
    std::string name = Path("no/such/dir/p.tvm");
    OpenOutput(name.c_str(), "");
    AppendCodeBytes(1);
    EXPECT_THROW(WriteImage(), FatalStop);
    EXPECT_EQ(MessageText(msg::CanNotOpenFile), "Can not open file '" + name + "'.");
}

TEST_F(OutputTest, IncompleteWriteIsFatalAndTheDeviceSurvives) {
    // /dev/full accepts the open and fails the write; it must not be removed afterwards.
    ASSERT_TRUE(std::filesystem::exists("/dev/full"));
    OpenOutput("/dev/full", "");
    AppendCodeBytes(100);
    EXPECT_THROW(WriteImage(), FatalStop);
    EXPECT_EQ(MessageText(msg::WritingFile), "Writing file.");
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

TEST_F(OutputTest, SecondWriteIsAnInternalErrorAndKeepsTheImage) {
    // The first write consumes the sections; a second one is a driver fault.
    OpenOutput(Path("once.tvm").c_str(), "");
    AppendCodeBytes(1);
    WriteImage();
    auto first = ReadFileBytes(dir / "once.tvm");
    EXPECT_THROW(WriteImage(), FatalStop);
    EXPECT_EQ(ReadFileBytes(dir / "once.tvm"), first);
}

// --- executables --------------------------------------------------------------------

class ExecutableTest : public OutputTest {
protected:
    void SetUp() override {
        OutputTest::SetUp();
        std::filesystem::create_directory(dir / "lib");
        WriteFileBytes(dir / "lib" / "console.app", console);
        WriteFileBytes(dir / "lib" / "service.app", service);
        SetLauncherDirectory((dir / "lib").c_str());
    }
    const std::vector<uint8_t> console = {0x7F, 'E', 'L', 'F', 'c', 'o', 'n'};
    const std::vector<uint8_t> service = {0x7F, 'E', 'L', 'F', 's', 'e', 'r', 'v'};
};

TEST_F(ExecutableTest, ExeInAnyCaseIsALauncherCopyWithTheImageAppended) {
    for (const char* name : {"p.exe", "P.EXE", "q.Exe"}) {
        auto bytes = Write(name, [] { AppendCodeBytes(30); });
        ASSERT_GT(bytes.size(), console.size()) << name;
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + (long)console.size()), console);
        ParsedImage img = ParseImage(bytes, console.size());
        ASSERT_TRUE(img.ok) << name << ": " << img.error;
        EXPECT_EQ(img.Header(HeaderWord::code_size), 30u);
        struct stat st;
        ASSERT_EQ(stat(Path(name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0755u) << name;
        InitOutputState();
    }
}

TEST_F(ExecutableTest, OtherExtensionsGiveAPlainImage) {
    for (const char* name : {"p.tvm", "p.exe.tvm", "p", "exe.d/p.bin"}) {
        if (std::string(name).find('/') != std::string::npos) std::filesystem::create_directory(dir / "exe.d");
        auto bytes = Write(name, [] { AppendCodeBytes(3); });
        ASSERT_GE(bytes.size(), 2u) << name;
        EXPECT_EQ(bytes[0], 'T') << name;
        InitOutputState();
    }
}

TEST_F(ExecutableTest, ServiceOptionCopiesTheServiceLauncher) {
    SetFlag(opt::gs, true);
    auto bytes = Write("svc.exe", [] { AppendCodeBytes(3); });
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + (long)service.size()), service);
    EXPECT_TRUE(ParseImage(bytes, service.size()).ok);
}

TEST_F(ExecutableTest, ExistingExecutableIsOverwritten) {
    WriteFileBytes(dir / "o.exe", std::vector<uint8_t>(5000, 0xAB));
    auto bytes = Write("o.exe", [] { AppendCodeBytes(3); });
    ParsedImage img = ParseImage(bytes, console.size());
    ASSERT_TRUE(img.ok) << img.error;
    EXPECT_EQ(img.trailing, 0u);
}

TEST_F(ExecutableTest, LauncherIsFoundAlongPathWhenNotBesideTheCompiler) {
    SetLauncherDirectory((dir / "nowhere").c_str());
    std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", ("/nonexistent:" + (dir / "lib").string()).c_str(), 1);
    auto bytes = Write("path.exe", [] { AppendCodeBytes(3); });
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_GE(bytes.size(), console.size());
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + (long)console.size()), console);
}

TEST_F(ExecutableTest, LauncherInTheCurrentDirectoryComesBeforePath) {
    // Beside the compiler: none. In the current directory: the service launcher's bytes
    // under the console launcher's name. Along PATH: the real console launcher.
    SetLauncherDirectory((dir / "nowhere").c_str());
    std::filesystem::create_directory(dir / "cwd");
    WriteFileBytes(dir / "cwd" / "console.app", service);
    std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (dir / "lib").c_str(), 1);
    auto oldDir = std::filesystem::current_path();
    std::filesystem::current_path(dir / "cwd");
    auto bytes = Write("here.exe", [] { AppendCodeBytes(3); });
    std::filesystem::current_path(oldDir);
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_GE(bytes.size(), service.size());
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + (long)service.size()), service);
    EXPECT_TRUE(ParseImage(bytes, service.size()).ok);
}

TEST_F(ExecutableTest, MissingLauncherIsFatalAndLeavesNoOutput) {
    std::filesystem::remove(dir / "lib" / "service.app");
    SetFlag(opt::gs, true);
    std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);
    OpenOutput(Path("m.exe").c_str(), "");
    AppendCodeBytes(3);
    EXPECT_THROW(WriteImage(), FatalStop);
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(MessageText(msg::CanNotOpenFile), "Can not open file 'service.app'.");
    EXPECT_FALSE(std::filesystem::exists(dir / "m.exe"));
}

TEST_F(ExecutableTest, CopyThatCannotBeCreatedIsFatal) {
    std::string name = Path("missing/c.exe");
    OpenOutput(name.c_str(), "");
    AppendCodeBytes(3);
    EXPECT_THROW(WriteImage(), FatalStop);
    EXPECT_EQ(MessageText(msg::CanNotOpenFile), "Can not open file '" + name + "'.");
}

}  // namespace
}  // namespace tarn::tpc::test
