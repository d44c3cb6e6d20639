// Compile's guarded steps, its summary and its honesty about missing parts.
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver_fixture.h"

namespace tarn::tpc::test {
namespace {

// Compiles real programs in a scratch directory, as tpc's driver does.
class CompileTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        SetCompiling(false);
        std::string pattern = (std::filesystem::temp_directory_path() / "tarn-compile-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        SetSourceName(Path("prog.pas").c_str());
        SetDefaultOutputName();
    }
    void TearDown() override {
        SetMessagePrinter(ConsolePrinter);
        DriverTest::TearDown();
        std::filesystem::remove_all(dir_);
    }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    void Source(const std::string& text) const { std::ofstream(Path("prog.pas")) << text; }
    bool ImageWritten() const { return std::filesystem::exists(Path("prog.tvm")); }
    std::string ImageStart(size_t n) const {
        std::ifstream in(Path("prog.tvm"), std::ios::binary);
        std::string bytes(n, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(n));
        return bytes.substr(0, static_cast<size_t>(in.gcount()));
    }
    std::filesystem::path dir_;
};

const char* const kHello = "program p(output);\nbegin\n  writeln('hi')\nend.\n";

// The end of the summary: counts, then the lines and the time they took.
bool EndsWithSummary(const std::string& out, const char* counts) {
    const size_t at = out.find(counts);
    return at != std::string::npos && out.find(" lines compiled in ", at) != std::string::npos;
}

TEST_F(CompileTest, CleanProgramGetsAnImageAndTheSummary) {
    Source(kHello);
    const std::string out = Output([] { Compile(); });
    EXPECT_TRUE(EndsWithSummary(out, "0 error(s) and 0 warning(s) were issued.\n4 lines")) << out;
    EXPECT_EQ(out.find("tpc:"), std::string::npos) << out;
    EXPECT_EQ(ImageStart(5), std::string("\x54\x78\x1A\x01\x00", 5));
    EXPECT_TRUE(Compiling());
    EXPECT_FALSE(OutputMissing());
}

TEST_F(CompileTest, FatalAbandonsTheParseAndNoImageIsWritten) {
    Source("program p(output);\nbegin\n  writeln('hi'");
    std::ofstream(Path("prog.tvm")) << "stale";
    const std::string out = Output([] { Compile(); });
    EXPECT_NE(out.find("Unexpected end-of-file."), std::string::npos) << out;
    EXPECT_TRUE(EndsWithSummary(out, "2 error(s) and 0 warning(s) were issued.\n")) << out;
    EXPECT_FALSE(ImageWritten());   // the stale image is removed too
}

TEST_F(CompileTest, HeaderOfOptionHStartsTheImage) {
    Source(kHello);
    SetOption(opt::h, "/usr/bin/env tvm");
    NameOutput();
    Output([] { Compile(); });
    EXPECT_EQ(ImageStart(18), "#!/usr/bin/env tvm");
}

TEST_F(CompileTest, InformMessagesFiveAndSixOnRequest) {
    Source(kHello);
    SetOption(opt::InformMessages, msg::Compiling, 1);
    SetOption(opt::InformMessages, msg::CompileDone, 1);
    const std::string out = Output([] { Compile(); });
    EXPECT_EQ(out.rfind("Compiling '" + Path("prog.pas") + ".'\nCompile done.\n0 error(s)", 0), 0u) << out;
}

TEST_F(CompileTest, ConstructWithoutCodeGenerationIsNamedAndWritesNoImage) {
    // A variant stored into a fixed array of characters has no code yet.
    Source("program p;\nvar o: object; a: packed array[1..4] of char;\nbegin\n  a := o.Name\nend.\n");
    const std::string out = Output([] { Compile(); });
    EXPECT_NE(out.find("tpc: code generation for "), std::string::npos) << out;
    EXPECT_NE(out.find(" is not available in this build; no image was written.\n"), std::string::npos);
    EXPECT_TRUE(EndsWithSummary(out, "0 error(s) and 0 warning(s) were issued.\n")) << out;
    EXPECT_TRUE(OutputMissing());
    EXPECT_FALSE(ImageWritten());
}

// A printer that acts at message 5 ("Compiling"), which the first step reports, and prints
// everything else as the console does.
void (*gAtCompiling)() = nullptr;
void ActingPrinter(MsgKind kind, int number, const char* file, uint32_t line, int32_t col,
                   const char* text, const Position* context) {
    if (number == msg::Compiling) return gAtCompiling();
    ConsolePrinter(kind, number, file, line, col, text, context);
}

TEST_F(CompileTest, FaultSignalAbandonsTheStepAndTheRestRuns) {
    Source(kHello);
    SetOption(opt::InformMessages, msg::Compiling, 1);
    gAtCompiling = [] { std::raise(SIGILL); };
    SetMessagePrinter(ActingPrinter);
    struct sigaction old {};
    struct sigaction action {};
    action.sa_handler = SignalTrap;
    sigemptyset(&action.sa_mask);
    sigaction(SIGILL, &action, &old);
    const std::string out = Output([] { Compile(); });
    sigaction(SIGILL, &old, nullptr);
    EXPECT_EQ(out.rfind("Error #22: Compiler failure - Invalid instruction.\n"
                        "1 error(s) and 0 warning(s) were issued.\n", 0), 0u) << out;
    EXPECT_FALSE(ImageWritten());
}

TEST_F(CompileTest, InterruptOnlySetsUserBreak) {
    ClearUserBreak();
    SignalTrap(SIGINT);
    EXPECT_TRUE(UserBreak());
    ClearUserBreak();
    SignalTrap(SIGTERM);
    EXPECT_TRUE(UserBreak());
    ClearUserBreak();
    EXPECT_FALSE(UserBreak());
}

TEST_F(CompileTest, DamagedGuardWordIsAnInternalError) {
    Source(kHello);
    SetFlag(opt::zdm, true);
    SetOption(opt::InformMessages, msg::Compiling, 1);
    gAtCompiling = [] {
        auto* p = static_cast<unsigned char*>(TrackedAlloc(4));
        p[4] = 0;
    };
    SetMessagePrinter(ActingPrinter);
    const std::string out = Output([] { Compile(); });
    EXPECT_NE(out.find("Error #33: Internal compiler error ('tracked block guard words intact"), std::string::npos)
        << out;
}

// --- Names -------------------------------------------------------------------------------

TEST_F(DriverTest, OutputNameFromTheSourceName) {
    struct Case {
        const char* source;
        const char* output;
    };
    const Case cases[] = {{"prog.pas", "prog.tvm"}, {"prog.p", "prog.tvm"}, {"dir.v2/prog", "dir.v2/prog.tvm"},
                          {"a/b.c/d.pas", "a/b.c/d.tvm"}, {"prog.", "prog.tvm"}};
    for (const Case& c : cases) {
        InitCompileState();
        ASSERT_TRUE(SetSourceName(c.source));
        ASSERT_TRUE(SetDefaultOutputName());
        EXPECT_STREQ(OutputName(), c.output) << c.source;
    }
}

TEST_F(DriverTest, NamesLongerThan260AreRefused) {
    const std::string ok(260, 'n');
    const std::string tooLong(261, 'n');
    EXPECT_TRUE(SetSourceName(ok.c_str()));
    EXPECT_FALSE(SetSourceName(tooLong.c_str()));
    EXPECT_EQ(SourceName(), ok);
    EXPECT_FALSE(SetOutputName(nullptr));
    EXPECT_FALSE(SetHeaderText(tooLong.c_str()));
    // 260 characters plus ".tvm" no longer fits.
    EXPECT_FALSE(SetDefaultOutputName());
}

}  // namespace
}  // namespace tarn::tpc::test
