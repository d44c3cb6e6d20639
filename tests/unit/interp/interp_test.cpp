// The interpreter seen from inside the process: the user break (which a program case
// cannot send at a chosen moment), the exit codes of a run, repeated runs, and the
// CALLSTD table that other modules fill.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "runtime/engine.h"
#include "runtime/stdroutines.h"
#include "runtime/tarnrt.h"
#include "tools/asm.h"

namespace tarn::rt {
namespace {

// Assembles source into a temporary image and runs it in this process.
int RunAssembly(const std::string& source) {
    std::string errors;
    std::vector<uint8_t> image = tools::Assemble(source, "test.tasm", errors);
    EXPECT_EQ(errors, "");
    std::string path = testing::TempDir() + "interp_test_" + std::to_string(getpid()) + ".tvm";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
    char arg0[] = "test.tvm";
    char* argv[] = {arg0, nullptr};
    int code = RunConsoleFromFile(1, argv, path.c_str(), 0, 0, 0, 0, 0);
    std::remove(path.c_str());
    return code;
}

// Runs source while another thread calls SetUserBreak after a short delay; returns the
// exit code and what the run printed.
std::pair<int, std::string> RunWithBreak(const std::string& source) {
    std::thread breaker([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        SetUserBreak();
    });
    testing::internal::CaptureStdout();
    int code = RunAssembly(source);
    std::string out = testing::internal::GetCapturedStdout();
    breaker.join();
    return {code, out};
}

const char* kEndlessLoop = R"(
.entry main
.globals 16
main:   NOP
.line 3
loop:   PUSH1
        POP
        JMP loop
)";

const char* kEndlessLoopWithExitCode = R"(
.entry main
.globals 16
main:   PUSHI 4
        CALLSTD 63
        PUSHI 4
        PUSHI 7
        STOREW
.line 2
loop:   JMP loop
)";

TEST(UserBreak, EndsTheLoopWithExitCodeZeroAndReportsUserAbort) {
    auto [code, out] = RunWithBreak(kEndlessLoop);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out, "\nERROR: line 3, User abort\n");
}

TEST(UserBreak, ReturnsTheRegisteredExitCodeVariable) {
    auto [code, out] = RunWithBreak(kEndlessLoopWithExitCode);
    EXPECT_EQ(code, 7);
    EXPECT_EQ(out, "\nERROR: line 2, User abort\n");
}

TEST(UserBreak, SetBeforeTheRunStopsItAtTheFirstInstruction) {
    SetUserBreak();
    testing::internal::CaptureStdout();
    int code = RunAssembly(kEndlessLoopWithExitCode);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(code, 0);  // the exit-code variable is registered by instructions that never ran
    EXPECT_EQ(out, "\nERROR: User abort\n");
}

TEST(UserBreak, IsClearedSoTheNextRunIsNotStopped) {
    RunWithBreak(kEndlessLoop);
    EXPECT_EQ(RunAssembly(".entry main\nmain: PUSHI 4\nCALLSTD 63\nPUSHI 4\nPUSHI 3\nSTOREW\nCALLSTD 94\n"), 3);
}

TEST(Run, HaltReturnsTheExitCodeVariableAndRunsRepeat) {
    const char* program = R"(
.entry main
.globals 16
main:   PUSHI 8
        CALLSTD 63
        PUSHI 8
        PUSHI 42
        STOREW
        CALLSTD 94
)";
    EXPECT_EQ(RunAssembly(program), 42);
    EXPECT_EQ(RunAssembly(program), 42);
    EXPECT_EQ(RunAssembly(".entry main\nmain: CALLSTD 94\n"), 0);
}

// A registered routine is reached through CALLSTD with the VM stack, and its stop result
// ends the run with the exit code it gives.
StdOutcome TestAdd(Regs& regs, int&) {
    uint32_t b = Pop(regs), a = Pop(regs);
    Push(regs, a + b);
    return StdOutcome::Continue;
}
StdOutcome TestStop(Regs& regs, int& exitCode) {
    exitCode = static_cast<int>(Pop(regs));
    return StdOutcome::Stop;
}

TEST(CallStd, RegisteredRoutinesSeeTheStackAndMayStopTheRun) {
    // The run installs the engine's own routines first; routines registered after that
    // take their numbers over.
    InstallStandardRoutines();
    RegisterStd(95, TestAdd);
    RegisterStd(146, TestStop);
    EXPECT_EQ(RunAssembly(".entry main\nmain: PUSHI 40\nPUSHI 2\nCALLSTD 95\nCALLSTD 146\n"), 42);
    RegisterStd(95, nullptr);  // back to the table's default below
    RegisterStd(146, nullptr);
}

TEST(CallStd, NumbersAboveTheTableAreRejectedWithTheUndefinedMessage) {
    Regs regs{0, 0};
    int code = 0;
    EXPECT_EXIT(
        {
            std::setvbuf(stdout, nullptr, _IONBF, 0);
            CallStd(195, regs, code);
        },
        testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace tarn::rt
