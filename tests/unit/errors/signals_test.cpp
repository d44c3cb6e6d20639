// The launchers' signal handler (launchers/signals.h): each fault signal becomes its
// run-time error, the break signals only ask the interpreter to stop, and a fault that
// happens while a fault is being reported still ends the process with exit code 1.
#include <sys/mman.h>

#include <csignal>

#include "launchers/signals.h"
#include "support.h"

namespace tarn::rt::test {
namespace {

class SignalTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        g_errors.toMessageBox = false;
        out = TempPath("signal");
    }
    void TearDown() override {
        std::remove(out.c_str());
        RunFixture::TearDown();
    }
    std::string out;
};

TEST_F(SignalTest, EachFaultSignalIsItsRunTimeError) {
    const struct { int sig; const char* message; } cases[] = {
        {SIGILL, "Invalid instruction"},
        {SIGSEGV, "Invalid memory access"},
        {SIGFPE, "Invalid arithmetic"},
        {SIGABRT, "Abort signal"},
    };
    for (const auto& c : cases) {
        EXPECT_EXIT_WITH_STDOUT(out, (launcher::InstallSignalHandlers(), std::raise(c.sig)), 1);
        EXPECT_EQ(ReadFile(out), std::string("\nERROR: ") + c.message + "\n") << c.sig;
    }
}

// A real fault (not a sent signal) in the middle of handling the same signal: without
// re-entry the kernel would kill the process with that signal instead.
void FaultAgain() {
    static volatile int* page = nullptr;
    if (page == nullptr)
        page = static_cast<volatile int*>(mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    *page = 1;
}

TEST_F(SignalTest, AFaultWhileReportingAFaultStillExitsWithOne) {
    EXPECT_EXIT_WITH_STDOUT(out,
                            (launcher::InstallSignalHandlers(), AddReleaseHook(FaultAgain), std::raise(SIGSEGV)),
                            1);
    EXPECT_EQ(ReadFile(out), "\nERROR: Invalid memory access\n");  // one report, not two
}

}  // namespace
}  // namespace tarn::rt::test
