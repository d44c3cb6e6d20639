// The program's environment: platform (101), sleep (102), getenv (119), system and exec
// (131), dirsep (143), delay (145), intr (146), unixplatform (168), supported (180),
// version (181), stopserviceevent (188) and wait (189); and the per-run reset of the
// standard library.
//
// Events are eventfd descriptors: a handle is the descriptor's number, signalled while the
// counter is nonzero. `wait` only looks at them (it never reads the counter), so an event
// stays signalled until its owner resets it, like the service's stop event.
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "runtime/database.h"
#include "runtime/errors.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "runtime/vmstrings.h"
#include "vm/stdroutines.h"

extern char** environ;

namespace tarn::rt {

void StartStdlibRun() {
    ResetRandomGenerator();
    ResetConsole();
}

namespace {

constexpr uint32_t kPlatformLinux = 4;
constexpr uint32_t kVersion = 0x50200;

StdOutcome Done() { return StdOutcome::Continue; }

StdOutcome Platform(Regs& r, int&) { Push(r, kPlatformLinux); return Done(); }
StdOutcome UnixPlatform(Regs& r, int&) { Push(r, 1); return Done(); }
StdOutcome Version(Regs& r, int&) { Push(r, kVersion); return Done(); }
StdOutcome DirSep(Regs& r, int&) { PushString(r, "/"); return Done(); }
StdOutcome StopServiceEvent(Regs& r, int&) { Push(r, g_engine.stopEvent); return Done(); }

StdOutcome GetEnv(Regs& r, int&) {
    const char* value = std::getenv(PopString(r).c_str());
    PushString(r, value ? value : "");
    return Done();
}

// Sleeps for ms milliseconds; a user break ends the wait early so that the program can
// stop at its next instruction.
void SleepMs(int64_t ms) {
    if (ms <= 0) return;
    timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR)
        if (g_userBreak) return;
}

StdOutcome Sleep(Regs& r, int&) {
    SleepMs(int64_t{static_cast<int32_t>(Pop(r))} * 1000);
    return Done();
}

StdOutcome Delay(Regs& r, int&) {
    SleepMs(static_cast<int32_t>(Pop(r)));
    return Done();
}

StdOutcome Intr(Regs&, int&) { RunTimeError("PROG_INTR not supported on this platform"); }

// ---- supported ------------------------------------------------------------------------

// The feature_ constants and what each needs. A feature is supported when the engine has
// the routines behind it (so the answer stays true as families are added), plus, for ODBC,
// a driver manager that can be loaded. Console control works through escape sequences and
// termios; intr (10) and MySQL (17) are never available here.
using vm::Std;

struct FeatureNeed {
    uint32_t feature;
    vm::Std routine;  // a routine the feature cannot work without
};

constexpr FeatureNeed kFeatureNeeds[] = {
    {0, Std::ClrScr},        {1, Std::GotoXY},      {2, Std::KeyPressed},
    {3, Std::ReadKey},       {4, Std::TextBackground}, {5, Std::TextColor},
    {6, Std::WhereX},        {7, Std::WhereY},      {8, Std::ExternalCall},
    {9, Std::Delay},         {11, Std::CloseDir},   {12, Std::OpenDir},
    {13, Std::ReadDir},      {14, Std::RewindDir},  {15, Std::CreateObject},
    {16, Std::OpenConnection}, {18, Std::Popen},
};

bool Supported(uint32_t feature) {
    for (const FeatureNeed& need : kFeatureNeeds) {
        if (need.feature != feature) continue;
        if (!IsStdImplemented(vm::Number(need.routine))) return false;
        return feature != 16 || DriverManagerAvailable();
    }
    return false;
}

StdOutcome SupportedRoutine(Regs& r, int&) {
    Push(r, Supported(Pop(r)) ? 1 : 0);
    return Done();
}

// ---- system and exec ------------------------------------------------------------------

// Runs command with /bin/sh -c and returns its exit status (128 + the signal number when a
// signal ended it, -1 when it could not be started). An empty command only asks whether
// the shell is there: 1 if so, else 0.
int32_t RunCommand(const std::string& command) {
    if (command.empty()) return access("/bin/sh", X_OK) == 0 ? 1 : 0;
    std::fflush(nullptr);  // what the program wrote comes before what the command writes
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    pid_t pid;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

StdOutcome System(Regs& r, int&) {
    uint32_t result = static_cast<uint32_t>(RunCommand(PopString(r)));
    if (g_engine.errorCodeVar) SetVmWord(g_engine.errorCodeVar, result);
    Push(r, result);
    return Done();
}

// ---- wait -------------------------------------------------------------------------------

bool IsEvent(uint32_t handle) {
    if (handle == 0 || handle > INT_MAX) return false;
    char link[64];
    std::string path = "/proc/self/fd/" + std::to_string(handle);
    ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
    if (n < 0) return false;
    return std::string(link, static_cast<size_t>(n)) == "anon_inode:[eventfd]";
}

// Stack: timeout in milliseconds (0xFFFFFFFF: no limit), then the handles so that the
// first lies just below the count, then the count on top. Pushes the first signalled
// handle, or 0 when the time runs out. Handles that are not events never signal.
StdOutcome Wait(Regs& r, int&) {
    uint32_t count = Pop(r);
    CheckStackPointer(uint64_t{r.sp} + uint64_t{count} * 4 + 4);
    std::vector<uint32_t> handles(count);
    std::vector<pollfd> fds(count);
    for (uint32_t i = 0; i < count; ++i) {
        handles[i] = Pop(r);
        fds[i] = {IsEvent(handles[i]) ? static_cast<int>(handles[i]) : -1, POLLIN, 0};
    }
    uint32_t timeout = Pop(r);
    int ms = timeout == 0xFFFFFFFFu ? -1 : static_cast<int>(std::min<uint32_t>(timeout, INT_MAX));
    uint32_t signalled = 0;
    for (;;) {
        int n = poll(fds.data(), fds.size(), ms);
        if (n > 0) {
            for (uint32_t i = 0; i < count && !signalled; ++i)
                if (fds[i].revents & POLLIN) signalled = handles[i];
            break;
        }
        if (n == 0 || errno != EINTR || g_userBreak) break;
    }
    Push(r, signalled);
    return Done();
}

}  // namespace

void RegisterStdEnvRoutines() {
    using vm::Std;
    static constexpr struct { Std n; StdRoutine routine; } kRoutines[] = {
        {Std::Platform, Platform},
        {Std::Sleep, Sleep},
        {Std::GetEnv, GetEnv},
        {Std::System, System},
        {Std::DirSep, DirSep},
        {Std::Delay, Delay},
        {Std::Intr, Intr},
        {Std::UnixPlatform, UnixPlatform},
        {Std::Supported, SupportedRoutine},
        {Std::Version, Version},
        {Std::StopServiceEvent, StopServiceEvent},
        {Std::Wait, Wait},
    };
    for (const auto& r : kRoutines) RegisterStd(vm::Number(r.n), r.routine);
}

}  // namespace tarn::rt
