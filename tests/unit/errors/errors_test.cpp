// Run-time error reports: the report text and prefix, each destination switched on and
// off, the log-file name rules, the numbered errors, trapping, ioresult, the error list
// and CHKERR, math errors and release hooks.
#include <cerrno>
#include <cfenv>
#include <cmath>

#include "runtime/lists.h"
#include "runtime/stdroutines.h"
#include "support.h"
#include "vm/stdroutines.h"

namespace tarn::rt::test {
namespace {

// ---- Numbered errors ------------------------------------------------------------------

TEST(ErrorTable, EveryNumberHasItsMessage) {
    static const char* const kExpected[] = {
        "No errors", "File erase failure", "File rename failure", "File is undefined", "File is open",
        "File is not open", "File mode is undefined", "File name too long", "File name not defined",
        "File position failure", "File seek failure", "Not output file", "Unexpected end-of-file",
        "Write failure", "Width too large", "Not input file", "Read failure", "Can not close file",
        "Can not open file", "File buffer is empty", "ChDir failure", "FileExpand failure",
        "FileSplit failure", "FileSize failure", "OpenDir failure", "ReadDir failure",
        "Access made to undefined directory variable", "CloseDir failure", "RewindDir failure",
        "MkDir failure", "RmDir failure", "FileGetDate failure", "FileGetMode failure",
        "FileGetTime failure", "FileSetDate failure", "FileSetTime failure", "FileRawRead failure",
        "FileRawWrite failure", "File internal failure", "Database failure", "Object create failure",
        "Object property get or function method call failure", "Object function method call failure",
        "Object procedure method call failure", "Object property put failure", "Generic object failure",
        "Memory allocation failure", "Object has raised exception"};
    static_assert(std::size(kExpected) == 48);
    for (uint32_t n = 0; n < std::size(kExpected); ++n) EXPECT_STREQ(ErrorMessage(n), kExpected[n]) << n;
}

TEST(ErrorTable, NumbersOutsideTheTableAreUndefined) {
    for (uint32_t n : {48u, 49u, 100u, 0x7FFFFFFFu, 0xFFFFFFFFu}) EXPECT_STREQ(ErrorMessage(n), "Undefined error") << n;
}

TEST(ErrorTable, NamedNumbersMatchTheTable) {
    EXPECT_STREQ(ErrorMessage(static_cast<uint32_t>(ErrorNo::CanNotOpenFile)), "Can not open file");
    EXPECT_EQ(static_cast<uint32_t>(ErrorNo::CanNotOpenFile), 18u);
    EXPECT_EQ(static_cast<uint32_t>(ErrorNo::DatabaseFailure), 39u);
}

// ---- Report text ----------------------------------------------------------------------

struct PrefixCase {
    std::vector<uint32_t> lines;
    uint32_t offset;
    bool showAddresses;
    const char* expected;
};

TEST(ReportPrefix, LineAndAddressParts) {
    const PrefixCase cases[] = {
        {{}, 0x3C, false, "ERROR:"},
        {{}, 0x3C, true, "ERROR: address 3Ch:"},
        {{0, 0, 0, 0, 0, 0, 0x30, 0x50}, 0x3C, true, "ERROR: line 7, address 3Ch:"},
        {{0, 0, 0, 0, 0, 0, 0x30, 0x50}, 0x3C, false, "ERROR: line 7,"},
        {{0, 0x10, 0, 0x20}, 0x20, false, "ERROR: line 4,"},      // the line's first offset
        {{0, 0x10, 0, 0x20}, 0x1F, false, "ERROR: line 2,"},      // lines without code skipped
        {{0, 0x10, 0, 0x20}, 0x08, false, "ERROR:"},              // before the first line
        {{0x00, 0x40}, 0x04, false, "ERROR:"},                    // entry 0 is never used
        {{0, 0x10}, 0xABCDEF12, true, "ERROR: line 2, address ABCDEF12h:"},
    };
    for (const auto& c : cases) {
        g_engine.lineTable = c.lines;
        EXPECT_EQ(ReportPrefix(c.offset, true, c.showAddresses), c.expected) << c.offset;
    }
    g_engine.lineTable.clear();
}

TEST(ReportPrefix, NoOffsetMeansNoLineAndNoAddress) {
    g_engine.lineTable = {0, 0x10};
    EXPECT_EQ(ReportPrefix(0x20, false, true), "ERROR:");
    g_engine.lineTable.clear();
}

// ---- Destinations ---------------------------------------------------------------------

class ReportTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        logFile = TempPath("prog.log");
        std::remove(logFile.c_str());
        g_engine.logName = logFile;
        g_engine.lineTable = {0, 0, 0, 0, 0, 0, 0x30};
        g_engine.showAddresses = true;
    }
    void TearDown() override {
        std::remove(logFile.c_str());
        RunFixture::TearDown();
    }
    std::string logFile;
};

TEST_F(ReportTest, EachDestinationOnlyWhenSwitchedOn) {
    const std::string line = "\nERROR: line 7, address 3Ch: Division by zero\n";
    const std::string box = "ERROR: line 7, address 3Ch: Division by zero\n";
    for (int mask = 0; mask < 8; ++mask) {
        g_errors.toConsole = mask & 1;
        g_errors.toLogFile = mask & 2;
        g_errors.toMessageBox = mask & 4;
        std::remove(logFile.c_str());
        std::remove(boxFile.c_str());
        testing::internal::CaptureStdout();
        Report("Division by zero", 0x3C);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out, (mask & 1) ? line : "") << mask;
        EXPECT_EQ(ReadFile(logFile), (mask & 2) ? line : "") << mask;
        EXPECT_EQ(ReadFile(boxFile), (mask & 4) ? box : "") << mask;
    }
}

TEST_F(ReportTest, WithoutLineTableOrAddressesTheCaptionIsError) {
    g_engine.lineTable.clear();
    g_engine.showAddresses = false;
    testing::internal::CaptureStdout();
    Report("Division by zero", 0x3C);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nERROR: Division by zero\n");
    EXPECT_EQ(ReadFile(boxFile), "ERROR: Division by zero\n");
}

TEST_F(ReportTest, LineWithoutAddressDropsTheCommaFromTheCaption) {
    g_engine.showAddresses = false;
    testing::internal::CaptureStdout();
    Report("Value out of range", 0x31);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nERROR: line 7, Value out of range\n");
    EXPECT_EQ(ReadFile(boxFile), "ERROR: line 7: Value out of range\n");
}

TEST_F(ReportTest, LogFileIsAppended) {
    g_errors.toLogFile = true;
    g_errors.toConsole = false;
    Report("first", 0x3C);
    Report("second", 0x3C);
    EXPECT_EQ(ReadFile(logFile), "\nERROR: line 7, address 3Ch: first\n\nERROR: line 7, address 3Ch: second\n");
}

TEST_F(ReportTest, UnwritableLogFileIsSkippedSilently) {
    g_engine.logName = "/nonexistent-tarn-dir/prog.log";
    g_errors.toLogFile = true;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Report("Division by zero", 0x3C);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nERROR: line 7, address 3Ch: Division by zero\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ReadFile(boxFile), "ERROR: line 7, address 3Ch: Division by zero\n");
}

TEST_F(ReportTest, NoLogFileNameMeansNoLog) {
    g_engine.logName.clear();
    g_errors.toLogFile = true;
    g_errors.toConsole = false;
    Report("Division by zero", 0x3C);  // must not create a file named ".log" or ""
    EXPECT_EQ(ReadFile(".log"), "");
}

TEST_F(ReportTest, ProgramOutputComesBeforeTheReport) {
    testing::internal::CaptureStdout();
    std::printf("partial line");  // still in the stdio buffer
    Report("Division by zero", 0x3C);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "partial line\nERROR: line 7, address 3Ch: Division by zero\n");
}

// ---- Log file names -------------------------------------------------------------------

TEST(LogFileName, ExtensionBecomesLog) {
    const std::pair<std::string, std::string> cases[] = {
        {"prog.tvm", "prog.log"},
        {"/tmp/dir/prog.exe", "/tmp/dir/prog.log"},
        {"prog", "prog.log"},
        {"dir.d/prog", "dir.d/prog.log"},
        {"a/b.c.tvm", "a/b.c.log"},
        {"x.log", ""},
        {"/var/x.log", ""},
        {std::string(256, 'a') + ".tvm", std::string(256, 'a') + ".log"},  // 260 characters
        {std::string(257, 'a') + ".tvm", ""},                              // would be 261
        {std::string(257, 'a'), ""},
    };
    for (const auto& [image, log] : cases) EXPECT_EQ(LogFileNameFor(image), log) << image;
}

// ---- Fatal errors ---------------------------------------------------------------------

using RunTimeErrorTest = ReportTest;

TEST_F(RunTimeErrorTest, ReportsAtTheCurrentInstructionReleasesAndExitsWithOne) {
    g_engine.cur = 0x3C;
    g_errors.toLogFile = true;
    AddReleaseHook([] { std::fputs("released\n", stderr); });
    std::string out = TempPath("out");
    EXPECT_EXIT_WITH_STDOUT(out, RunTimeError("Division by zero"), 1);
    EXPECT_EQ(ReadFile(out), "\nERROR: line 7, address 3Ch: Division by zero\n");
    EXPECT_EQ(ReadFile(logFile), "\nERROR: line 7, address 3Ch: Division by zero\n");
    EXPECT_EQ(ReadFile(boxFile), "ERROR: line 7, address 3Ch: Division by zero\n");
    EXPECT_EXIT(RunTimeError("x"), testing::ExitedWithCode(1), "released");
    std::remove(out.c_str());
}

TEST_F(RunTimeErrorTest, OutsideTheDispatchLoopThereIsNoLineOrAddress) {
    g_engine.running = false;
    g_engine.cur = 0x3C;
    std::string out = TempPath("out");
    EXPECT_EXIT_WITH_STDOUT(out, RunTimeError("Invalid memory access"), 1);
    EXPECT_EQ(ReadFile(out), "\nERROR: Invalid memory access\n");
    std::remove(out.c_str());
}

// ---- Pending error, trapping, ioresult ------------------------------------------------

using PendingTest = RunFixture;

TEST_F(PendingTest, FirstErrorWins) {
    RecordError(ErrorNo::CanNotOpenFile);
    RecordError(ErrorNo::ReadFailure);
    EXPECT_EQ(g_errors.pending, 18u);
}

TEST_F(PendingTest, IoResultReturnsAndClears) {
    int exitCode = 0;
    Regs r = StackRegs();
    RegisterErrorRoutines();
    RecordError(ErrorNo::CanNotOpenFile);
    CallStd(vm::Number(vm::Std::IOResult), r, exitCode);
    EXPECT_EQ(Pop(r), 18u);
    CallStd(vm::Number(vm::Std::IOResult), r, exitCode);
    EXPECT_EQ(Pop(r), 0u);
    EXPECT_EQ(r.sp, g_engine.stackTop);
}

TEST_F(PendingTest, NextOperationClearsThePendingError) {
    RecordError(ErrorNo::CanNotOpenFile);
    ClearErrors();
    EXPECT_EQ(g_errors.pending, 0u);
    EXPECT_EQ(TakeIoResult(), 0u);
}

TEST_F(PendingTest, TrappingOffLetsTheProgramContinue) {
    int exitCode = 0;
    Regs r = StackRegs();
    RegisterErrorRoutines();
    Push(r, 0);
    CallStd(vm::Number(vm::Std::TrapErrors), r, exitCode);
    EXPECT_FALSE(g_errors.trapping);
    RecordError(ErrorNo::CanNotOpenFile);
    CheckPendingError();  // returns
    EXPECT_EQ(TakeIoResult(), 18u);
    Push(r, 1);
    CallStd(vm::Number(vm::Std::TrapErrors), r, exitCode);
    EXPECT_TRUE(g_errors.trapping);
}

TEST_F(PendingTest, NothingPendingIsNoError) {
    CheckPendingError();
    SUCCEED();
}

TEST_F(PendingTest, TrappingOnRaisesTheNumbersMessage) {
    g_errors.toMessageBox = false;
    std::string out = TempPath("out");
    RecordError(ErrorNo::CanNotOpenFile);
    EXPECT_EXIT_WITH_STDOUT(out, CheckPendingError(), 1);
    EXPECT_EQ(ReadFile(out), "\nERROR: Can not open file\n");
    RecordError(99);  // 18 stays: first wins
    ClearErrors();
    RecordError(99);
    EXPECT_EXIT_WITH_STDOUT(out, CheckPendingError(), 1);
    EXPECT_EQ(ReadFile(out), "\nERROR: Undefined error\n");
    std::remove(out.c_str());
}

TEST_F(PendingTest, ResetRestoresTheRunStartState) {
    g_errors = ErrorState{false, false, true, false, 7, 16, 277};
    ResetErrorState();
    EXPECT_TRUE(g_errors.toConsole);
    EXPECT_TRUE(g_errors.toMessageBox);
    EXPECT_FALSE(g_errors.toLogFile);
    EXPECT_TRUE(g_errors.trapping);
    EXPECT_EQ(g_errors.pending, 0u);
    EXPECT_EQ(g_errors.listVar, 0u);
}

// ---- Report switches (routines 185-187, as the start-up code calls them) --------------

TEST_F(PendingTest, StartUpSwitchRoutines) {
    RegisterErrorRoutines();
    int exitCode = 0;
    Regs r = StackRegs();
    const struct { vm::Std routine; bool ErrorState::*flag; bool after; } cases[] = {
        {vm::Std::ReportToLogFile, &ErrorState::toLogFile, true},
        {vm::Std::ReportToMessageBox, &ErrorState::toMessageBox, false},
        {vm::Std::ReportToConsole, &ErrorState::toConsole, false},
    };
    for (const auto& c : cases) {
        Push(r, 1);  // PUSH1, CALLSTD n
        EXPECT_EQ(CallStd(vm::Number(c.routine), r, exitCode), StdOutcome::Continue);
        EXPECT_EQ(g_errors.*c.flag, c.after);
        Push(r, 0);
        CallStd(vm::Number(c.routine), r, exitCode);
        EXPECT_EQ(g_errors.*c.flag, !c.after);
        EXPECT_EQ(r.sp, g_engine.stackTop);
    }
}

// ---- Error list -----------------------------------------------------------------------

class ErrorListTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        RegisterErrorRoutines();
        SetVmWord(kErrorsVar, kUndefinedWord);  // a fresh global: undefined list
        int exitCode = 0;
        Regs r = StackRegs();
        Push(r, kErrorsVar);
        Push(r, kErrorEntrySize);
        CallStd(vm::Number(vm::Std::RegisterErrorList), r, exitCode);
        g_errors.toMessageBox = false;
    }
    uint32_t Header() const { return VmWord(kErrorsVar); }
    int32_t Number(uint32_t i) const { return static_cast<int32_t>(VmWord(ListElementAddress(Header(), i))); }
    std::string Str(uint32_t i, uint32_t field) const {
        uint32_t a = ListElementAddress(Header(), i) + field;
        return std::string(reinterpret_cast<const char*>(Mem() + a + 1), Mem()[a]);
    }
    static constexpr uint32_t kErrorsVar = 16;
};

TEST_F(ErrorListTest, EntryLayoutIsThePackedRecord) {
    EXPECT_EQ(kErrorEntryName, 4u);
    EXPECT_EQ(kErrorEntryDescription, 21u);
    EXPECT_EQ(kErrorEntrySize, 277u);
}

TEST_F(ErrorListTest, RecordedErrorsAreAppended) {
    RecordError(ErrorNo::DatabaseFailure, "SQLConnect", "Data source not found");
    RecordError(ErrorNo::CanNotOpenFile);
    EXPECT_EQ(g_errors.pending, 39u);
    ASSERT_NE(Header(), kUndefinedWord);
    ASSERT_EQ(ListLength(Header()), 2u);
    EXPECT_EQ(Number(1), 39);
    EXPECT_EQ(Str(1, kErrorEntryName), "SQLConnect");
    EXPECT_EQ(Str(1, kErrorEntryDescription), "Data source not found");
    EXPECT_EQ(Number(2), 18);
    EXPECT_EQ(Str(2, kErrorEntryName), "");
    EXPECT_EQ(Str(2, kErrorEntryDescription), "Can not open file");  // the number's message
}

TEST_F(ErrorListTest, NameAndDescriptionAreCut) {
    std::string longName(40, 'n'), longText(400, 'd');
    RecordError(39, longName.c_str(), longText.c_str());
    EXPECT_EQ(Str(1, kErrorEntryName), std::string(16, 'n'));
    EXPECT_EQ(Str(1, kErrorEntryDescription), std::string(255, 'd'));
}

TEST_F(ErrorListTest, ClearErrorsEmptiesTheList) {
    RecordError(39, "a", "first");
    ClearErrors();
    EXPECT_EQ(ListLength(Header()), 0u);
    RecordError(40, "b", "second");
    EXPECT_EQ(ListLength(Header()), 1u);
    EXPECT_EQ(Str(1, kErrorEntryDescription), "second");
}

TEST_F(ErrorListTest, IoResultKeepsTheDetailsUntilTheNextOperation) {
    RecordError(39, "a", "first");
    EXPECT_EQ(TakeIoResult(), 39u);
    EXPECT_EQ(ListLength(Header()), 1u);
    ClearErrors();
    EXPECT_EQ(ListLength(Header()), 0u);
}

TEST_F(ErrorListTest, ChkErrPrintsEveryEntryButTheLastAndRaisesTheLast) {
    RecordError(39, "SQLConnect", "Data source not found");
    RecordError(0, "", "No number, no name");
    RecordError(40, "", "Class not registered");
    std::string out = TempPath("out");
    EXPECT_EXIT_WITH_STDOUT(out, CheckPendingError(), 1);
    EXPECT_EQ(ReadFile(out),
              "\nERROR: 39 (SQLConnect) Data source not found\n"
              "\nERROR: No number, no name\n"
              "\nERROR: Class not registered\n");
    std::remove(out.c_str());
}

TEST_F(ErrorListTest, EmptyRegisteredListRaisesTheNumbersMessage) {
    RecordError(39, "x", "y");
    ClearErrors();
    g_errors.pending = 23;  // a number recorded while the list was being emptied elsewhere
    std::string out = TempPath("out");
    EXPECT_EXIT_WITH_STDOUT(out, CheckPendingError(), 1);
    EXPECT_EQ(ReadFile(out), "\nERROR: FileSize failure\n");
    std::remove(out.c_str());
}

TEST_F(ErrorListTest, TooSmallComponentCannotTakeAnEntry) {
    g_errors.listElemSize = 20;
    std::string out = TempPath("out");
    EXPECT_EXIT_WITH_STDOUT(out, RecordError(39, "a", "b"), 1);
    EXPECT_EQ(ReadFile(out), "\nERROR: Appending database error to DBErrors list failed\n");
    std::remove(out.c_str());
}

// ---- Math errors ----------------------------------------------------------------------

TEST(MathErrors, MessageFromErrnoAndFlags) {
    const struct { int err; int flags; const char* message; } cases[] = {
        {EDOM, 0, "Invalid domain (math)"},
        {ERANGE, 0, "Result out of range (math)"},
        {EINVAL, 0, "Exception (math)"},
        {0, FE_INVALID, "Invalid domain (math)"},
        {0, FE_DIVBYZERO, "Result out of range (math)"},
        {0, FE_OVERFLOW, "Result out of range (math)"},
        {ERANGE, FE_INVALID, "Result out of range (math)"},  // errno decides first
        {0, 0, nullptr},
    };
    for (const auto& c : cases) {
        const char* m = MathErrorMessage(c.err, c.flags);
        if (c.message == nullptr) EXPECT_EQ(m, nullptr);
        else EXPECT_STREQ(m, c.message);
    }
}

double Compute(double (*f)(double), double x) {
    MathGuard g = BeginMath();
    volatile double r = f(x);
    EndMath(g);
    return r;
}

TEST(MathErrors, StandardFunctionsRaiseTheMathMessages) {
    setenv("TARN_MESSAGE_BOX_FILE", "/dev/null", 1);
    g_engine.running = false;
    EXPECT_EXIT(Compute(std::sqrt, -1.0), testing::ExitedWithCode(1), "");
    EXPECT_DOUBLE_EQ(Compute(std::sqrt, 4.0), 2.0);
    EXPECT_DOUBLE_EQ(Compute(std::exp, 0.0), 1.0);
    std::string out = TempPath("math");
    const struct { double (*f)(double); double x; const char* text; } cases[] = {
        {std::sqrt, -1.0, "\nERROR: Invalid domain (math)\n"},
        {std::log, -1.0, "\nERROR: Invalid domain (math)\n"},
        {std::exp, 1000.0, "\nERROR: Result out of range (math)\n"},
        {std::log, 0.0, "\nERROR: Result out of range (math)\n"},
        {std::cosh, 1000.0, "\nERROR: Result out of range (math)\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EXIT_WITH_STDOUT(out, Compute(c.f, c.x), 1);
        EXPECT_EQ(ReadFile(out), c.text) << c.x;
    }
    std::remove(out.c_str());
}

TEST(MathErrors, TrapsAreRestoredAfterTheComputation) {
    feenableexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW);
    int before = fegetexcept();
    EXPECT_DOUBLE_EQ(Compute(std::sqrt, 9.0), 3.0);
    EXPECT_EQ(fegetexcept(), before);
    fedisableexcept(FE_ALL_EXCEPT);
}

}  // namespace
}  // namespace tarn::rt::test
