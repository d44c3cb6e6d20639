// The program's environment: platform, version, dirsep, getenv, sleep, delay, intr,
// supported, system/exec, stopserviceevent and wait.
#include <sys/eventfd.h>

#include <chrono>

#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Std;

class Env : public StdlibTest {
protected:
    uint32_t Result(Std n) {
        Call(n);
        uint32_t v = PopWord();
        ExpectEmptyStack();
        return v;
    }
    uint32_t System(const std::string& command) {
        PushStr(command);
        Call(Std::System);
        uint32_t v = PopWord();
        ExpectEmptyStack();
        return v;
    }
    uint32_t Supported(uint32_t feature) {
        PushWord(feature);
        return Result(Std::Supported);
    }
    double Seconds(Std n, int32_t argument) {
        auto start = std::chrono::steady_clock::now();
        PushInt(argument);
        Call(n);
        ExpectEmptyStack();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
};

TEST_F(Env, PlatformAnswers) {
    EXPECT_EQ(Result(Std::Platform), 4u);
    EXPECT_EQ(Result(Std::UnixPlatform), 1u);
    EXPECT_EQ(Result(Std::Version), 0x50200u);
}

TEST_F(Env, DirSepIsOneSlash) {
    Call(Std::DirSep);
    EXPECT_EQ(VmWord(r.sp), 1u);
    EXPECT_EQ(VmWord(r.sp + 4), 0x2Fu);  // '/' padded with zero bytes
    EXPECT_EQ(PopStr(), "/");
    ExpectEmptyStack();
}

TEST_F(Env, GetEnv) {
    setenv("TARN_STDLIB_TEST_VAR", "some value", 1);
    unsetenv("TARN_STDLIB_TEST_UNSET");
    PushStr("TARN_STDLIB_TEST_VAR");
    Call(Std::GetEnv);
    EXPECT_EQ(PopStr(), "some value");
    PushStr("TARN_STDLIB_TEST_UNSET");
    Call(Std::GetEnv);
    EXPECT_EQ(PopStr(), "");
    ExpectEmptyStack();
}

TEST_F(Env, SleepAndDelayWait) {
    EXPECT_GE(Seconds(Std::Delay, 50), 0.045);
    EXPECT_LT(Seconds(Std::Delay, -5), 0.04);
    EXPECT_LT(Seconds(Std::Sleep, 0), 0.04);
    EXPECT_GE(Seconds(Std::Sleep, 1), 0.95);
}

TEST_F(Env, IntrIsNotSupported) {
    EXPECT_RUNTIME_ERROR(Call(Std::Intr), "PROG_INTR not supported on this platform");
}

StdOutcome PretendExternalCall(Regs&, int&) { return StdOutcome::Continue; }

TEST_F(Env, SupportedAnswersWhatTheEngineHas) {
    InstallStandardRoutines();
    // Console control and delay are always here; intr and MySQL never; unknown numbers no.
    for (uint32_t f : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 9u}) EXPECT_EQ(Supported(f), 1u) << f;
    for (uint32_t f : {10u, 17u, 19u, 100u, 0xFFFFFFFFu}) EXPECT_EQ(Supported(f), 0u) << f;
    // A feature is supported exactly while the routines behind it exist.
    const uint32_t external = vm::Number(Std::ExternalCall);
    ASSERT_TRUE(IsStdImplemented(external));
    EXPECT_EQ(Supported(8), 1u);
    RegisterStd(external, nullptr);
    EXPECT_EQ(Supported(8), 0u);
    RegisterStd(external, PretendExternalCall);
    EXPECT_EQ(Supported(8), 1u);
    InstallStandardRoutines();  // the engine's own routine again
    uint32_t odbc = Supported(16);
    EXPECT_TRUE(odbc == 0 || odbc == 1);
}

TEST_F(Env, SystemRunsTheShellAndStoresTheResult) {
    constexpr uint32_t kErrorCode = 64;
    PushWord(kErrorCode);
    Call(Std::RegisterErrorCode);
    EXPECT_EQ(System("exit 3"), 3u);
    EXPECT_EQ(VmWord(kErrorCode), 3u);
    EXPECT_EQ(System("true"), 0u);
    EXPECT_EQ(VmWord(kErrorCode), 0u);
    EXPECT_EQ(System("kill -9 $$"), 128u + 9u);
    EXPECT_EQ(System(""), 1u);  // the shell is there
    std::string file = TempPath("system");
    EXPECT_EQ(System("printf 'a b' > " + file), 0u);
    EXPECT_EQ(ReadFile(file), "a b");
    std::remove(file.c_str());
}

TEST_F(Env, StopServiceEvent) {
    g_engine.stopEvent = 17;
    EXPECT_EQ(Result(Std::StopServiceEvent), 17u);
    g_engine.stopEvent = 0;
}

class Wait : public Env {
protected:
    // wait(timeout, handles...): timeout deepest, the handles so that the first lies just
    // below the count, the count on top.
    uint32_t Run(uint32_t timeout, std::vector<uint32_t> handles) {
        PushWord(timeout);
        for (auto it = handles.rbegin(); it != handles.rend(); ++it) PushWord(*it);
        PushWord(static_cast<uint32_t>(handles.size()));
        return Result(Std::Wait);
    }
    void SetUp() override {
        Env::SetUp();
        a = eventfd(0, EFD_CLOEXEC);
        b = eventfd(0, EFD_CLOEXEC);
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
    }
    void TearDown() override {
        close(a);
        close(b);
        Env::TearDown();
    }
    static void Signal(int fd) {
        uint64_t one = 1;
        ASSERT_EQ(write(fd, &one, sizeof one), 8);
    }
    int a = -1, b = -1;
};

TEST_F(Wait, TimeoutGivesZero) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(50, {uint32_t(a), uint32_t(b)}), 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(45));
}

TEST_F(Wait, SignalledEventIsReturnedAndStaysSignalled) {
    Signal(b);
    EXPECT_EQ(Run(1000, {uint32_t(a), uint32_t(b)}), uint32_t(b));
    EXPECT_EQ(Run(0, {uint32_t(b)}), uint32_t(b));
    Signal(a);
    EXPECT_EQ(Run(0xFFFFFFFF, {uint32_t(a), uint32_t(b)}), uint32_t(a));
}

TEST_F(Wait, HandlesThatAreNotEventsNeverSignal) {
    // 0 is standard input and 1 standard output: neither is an event.
    EXPECT_EQ(Run(20, {0u, 1u, 0xFFFFFFFFu}), 0u);
    EXPECT_EQ(Run(10, {}), 0u);
}

// The routine table is complete: every number has its routine except 95, which the
// numbering leaves unassigned (no compiled program calls it; a hand-written CALLSTD 95 is
// "Undefined standard opcode", see tests/programs/engine/err_callstd_95).
TEST_F(Env, EveryRoutineNumberButTheUnassigned95IsInstalled) {
    InstallStandardRoutines();
    for (uint32_t n = 0; n < vm::kStdCount; n++) EXPECT_EQ(IsStdImplemented(n), n != 95) << n;
}

}  // namespace
}  // namespace tarn::rt::test
