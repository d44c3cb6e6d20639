// The console launcher, shipped as "console.app". A copy of it with an image attached (an
// appended image, or a ".tarn_image" section) is a program's stand-alone executable: the
// launcher finds the image in its own file and hands it, with every command-line argument,
// to the run-time engine. It has no options of its own.
//
// Signals: one handler serves SIGABRT, SIGFPE, SIGILL, SIGINT, SIGSEGV and SIGTERM.
// SIGINT and SIGTERM ask the interpreter to stop at its next instruction (a "User abort"
// report, exit code from the program); the others become run-time errors at the current
// instruction, which report and end the process with exit code 1. The engine installs its
// own SIGSEGV handler while a program runs, for faults inside the VM window, and passes
// every other fault on to the handler it replaced, which is this one; so there is one
// handler chain and every fault ends in exactly one report.
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <limits.h>
#include <unistd.h>

#include "runtime/tarnrt.h"

namespace {

constexpr size_t kMaxPath = 260;
constexpr const char* kSelf = "/proc/self/exe";

struct SignalMapping {
    int signal;
    const char* message;  // nullptr: user break
};

constexpr SignalMapping kSignals[] = {
    {SIGINT, nullptr},
    {SIGTERM, nullptr},
    {SIGILL, "Invalid instruction"},
    {SIGSEGV, "Invalid memory access"},
    {SIGFPE, "Invalid arithmetic"},
    {SIGABRT, "Abort signal"},
};

void OnSignal(int sig) {
    for (const SignalMapping& m : kSignals) {
        if (m.signal != sig) continue;
        if (m.message == nullptr) {
            SetUserBreak();
            return;
        }
        RunTimeError(m.message);
    }
    RunTimeError("Invalid signal received");
}

// Faults may come from an exhausted host stack, so the handler runs on a stack of its own.
void InstallSignalHandlers() {
    static char altStack[256 * 1024];  // room for the sanitizers' own frames
    stack_t ss{};
    ss.ss_sp = altStack;
    ss.ss_size = sizeof altStack;
    sigaltstack(&ss, nullptr);

    struct sigaction sa{};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    // No SA_RESTART: a break during a blocking read or sleep ends the wait, so the
    // interpreter sees the break at its next instruction instead of after the input.
    sa.sa_flags = SA_ONSTACK;
    for (const SignalMapping& m : kSignals) sigaction(m.signal, &sa, nullptr);
}

// The full path of the launcher's own file; /proc/self/exe itself when the path does not
// fit the 260-character name limit (the file is the same, only the log file is lost).
const char* OwnPath(char (&buf)[PATH_MAX]) {
    ssize_t n = readlink(kSelf, buf, sizeof buf - 1);
    if (n <= 0 || static_cast<size_t>(n) > kMaxPath) return kSelf;
    buf[n] = 0;
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    InstallSignalHandlers();
    char buf[PATH_MAX];
    const char* self = OwnPath(buf);
    if (CheckImageForResource(nullptr)) return RunConsoleFromResource(argc, argv, self, 0, 0, 0);
    uint32_t offset = CalcSizeOfImageFile(self);
    if (offset == 0) return 1;
    return RunConsoleFromFile(argc, argv, self, offset, 1, 0, 0, 0);
}
