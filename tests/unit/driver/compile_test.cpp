// Compile's guarded steps, its summary and its honesty about missing parts.
#include <csignal>
#include <string>
#include <vector>

#include "driver_fixture.h"

namespace tarn::tpc::test {
namespace {

std::vector<std::string> gCalls;
uint32_t gLines = 0;

void Record(const char* what) { gCalls.push_back(what); }

CompileSteps AllSteps() {
    CompileSteps s;
    s.openSource = [](const char* name) { Record((std::string("open ") + name).c_str()); };
    s.openOutput = [](const char* name, const char*) { Record((std::string("output ") + name).c_str()); };
    s.openOuterScope = [] { Record("scope"); };
    s.parseProgram = [] { Record("parse"); };
    s.closeOuterScope = [] { Record("close scope"); };
    s.closeSources = [] { Record("close sources"); };
    s.writeImage = [] { Record("write"); };
    return s;
}

class CompileTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        SetCompiling(false);
        gCalls.clear();
        gLines = 0;
        SetSourceName("prog.pas");
        SetDefaultOutputName();
    }
};

TEST_F(CompileTest, RunsEveryStepInOrderAndPrintsTheSummary) {
    Steps() = AllSteps();
    const std::string out = Output([] { Compile(); });
    const std::vector<std::string> expected = {"open prog.pas", "output prog.tvm", "scope", "parse",
                                               "close scope", "close sources", "write"};
    EXPECT_EQ(gCalls, expected);
    // No lines compiled: only the counts.
    EXPECT_EQ(out, "0 error(s) and 0 warning(s) were issued.\n");
    EXPECT_TRUE(Compiling());
}

TEST_F(CompileTest, FatalAbandonsOnlyTheStepItOccursIn) {
    Steps() = AllSteps();
    Steps().parseProgram = [] {
        Record("parse");
        ReportMessage(msg::UnexpectedEof, nullptr);
        Record("after fatal");
    };
    const std::string out = Output([] { Compile(); });
    const std::vector<std::string> expected = {"open prog.pas", "output prog.tvm", "scope", "parse",
                                               "close sources", "write"};
    EXPECT_EQ(gCalls, expected);
    EXPECT_EQ(out, "Error #23: Unexpected end-of-file.\n1 error(s) and 0 warning(s) were issued.\n");
    EXPECT_EQ(ErrorCount(), 1);
}

std::string gHeader;

TEST_F(CompileTest, HeaderOfOptionHReachesTheOutput) {
    struct Case {
        const char* option;   // null: no -h given
        const char* header;
    };
    const Case cases[] = {{nullptr, ""}, {"/usr/bin/env tvm", "/usr/bin/env tvm"}};
    for (const Case& c : cases) {
        InitOptions();
        InitMessages();
        if (c.option) SetOption(opt::h, c.option);
        Steps() = AllSteps();
        gHeader = "(not opened)";
        Steps().openOutput = [](const char*, const char* header) { gHeader = header ? header : "(null)"; };
        NameOutput();
        Output([] { Compile(); });
        EXPECT_EQ(gHeader, c.header) << (c.option ? c.option : "no -h");
    }
}

TEST_F(CompileTest, InformMessagesFiveAndSixOnRequest) {
    Steps() = AllSteps();
    SetOption(opt::InformMessages, msg::Compiling, 1);
    SetOption(opt::InformMessages, msg::CompileDone, 1);
    EXPECT_EQ(Output([] { Compile(); }),
              "Compiling 'prog.pas.'\nCompile done.\n0 error(s) and 0 warning(s) were issued.\n");
}

TEST_F(CompileTest, LinesCompiledAreReported) {
    Steps() = AllSteps();
    gLines = 1000000;
    Source().linesCompiled = [] { return gLines; };
    Steps().parseProgram = [] {
        // Burn a little processor time so that the speed line has something to measure.
        volatile double x = 0;
        for (int i = 0; i < 3000000; ++i) x = x + i;
    };
    const std::string out = Output([] { Compile(); });
    EXPECT_EQ(out.rfind("0 error(s) and 0 warning(s) were issued.\n1000000 lines compiled in ", 0), 0u) << out;
    EXPECT_NE(out.find(" seconds.\n"), std::string::npos);
    EXPECT_NE(out.find("Compilation speed   "), std::string::npos) << out;
    EXPECT_NE(out.find(" lines/min.\n"), std::string::npos);
}

TEST_F(CompileTest, MissingPartsAreNamedAndCountAsAnError) {
    const std::string out = Output([] { Compile(); });
    EXPECT_EQ(out, "tpc: reading source files is not available in this build.\n"
                   "1 error(s) and 0 warning(s) were issued.\n");
    EXPECT_EQ(ErrorCount(), 1);
    EXPECT_FALSE(GenerateCode());
}

TEST_F(CompileTest, MissingWriterIsReportedWhenTheProgramWasClean) {
    Steps() = AllSteps();
    Steps().writeImage = nullptr;
    const std::string out = Output([] { Compile(); });
    EXPECT_EQ(out, "tpc: image writing is not available in this build.\n"
                   "1 error(s) and 0 warning(s) were issued.\n");
    const std::vector<std::string> expected = {"open prog.pas", "output prog.tvm", "scope", "parse",
                                               "close scope", "close sources"};
    EXPECT_EQ(gCalls, expected);
}

TEST_F(CompileTest, FaultSignalReturnsToTheStep) {
    Steps() = AllSteps();
    Steps().parseProgram = [] {
        Record("parse");
        std::raise(SIGILL);
        Record("after fault");
    };
    struct sigaction old {};
    struct sigaction action {};
    action.sa_handler = SignalTrap;
    sigemptyset(&action.sa_mask);
    sigaction(SIGILL, &action, &old);
    const std::string out = Output([] { Compile(); });
    sigaction(SIGILL, &old, nullptr);
    const std::vector<std::string> expected = {"open prog.pas", "output prog.tvm", "scope", "parse",
                                               "close sources", "write"};
    EXPECT_EQ(gCalls, expected);
    EXPECT_EQ(out, "Error #22: Compiler failure - Invalid instruction.\n1 error(s) and 0 warning(s) were issued.\n");
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
    Steps() = AllSteps();
    SetFlag(opt::zdm, true);
    Steps().parseProgram = [] {
        auto* p = static_cast<unsigned char*>(TrackedAlloc(4));
        p[4] = 0;
    };
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
