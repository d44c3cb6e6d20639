// The service launcher, shipped as "service.app". A copy of it with an image attached
// (`tpc -gs -o name.exe prog.pas`) is a program that runs as a systemd service, and the
// same executable installs, deletes and reconfigures its own unit:
//
//   name.exe -install ServiceName [user [password]]    name.exe -delete ServiceName
//   name.exe -change ServiceName parameter [value]     name.exe -help
//
// Run with no arguments (or any other first argument), it runs the program. The program
// gets a stop event (the standard function stopserviceevent) that SIGTERM, systemd's stop
// control, signals; the launcher then gives the program 20 seconds to return. Start,
// running, stop pending and stopped are reported to systemd over $NOTIFY_SOCKET. The stop
// control is handled on a thread of its own, which meets the program's thread only through
// two events: stop (set by the control thread) and done (set when the program returned).
// Everything the launcher itself says goes to standard error.
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <strings.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "launchers/service_notify.h"
#include "launchers/service_units.h"
#include "launchers/signals.h"
#include "runtime/tarnrt.h"

namespace tarn::service {
namespace {

constexpr size_t kMaxPath = 260;
constexpr const char* kSelf = "/proc/self/exe";
constexpr int kStopWaitMs = 20000;

// ---- command line -----------------------------------------------------------------------

constexpr const char* kSyntax =
    "SYNTAX:\n"
    " -install ServiceName [user [password]]\n"
    " -delete ServiceName\n"
    " -change [ServiceName parameters]\n"
    " -help\n"
    " ?\n"
    "WHERE\n"
    " '-install' installs a service into the Service Control Manager Database\n"
    " '-delete' deletes a service from the Service Control Manager Database\n"
    " '-change' changes a service's configuration\n"
    " '-help' displays this help screen\n"
    " '?' displays this help screen\n"
    " 'ServiceName' is the name of the service\n"
    " 'user' is the service's user account\n"
    " 'password' is the service's password\n";

constexpr const char* kChangeSyntax =
    "CHANGE SYNTAX:\n"
    " -change ServiceName start (demand | auto)\n"
    " -change ServiceName error (ignore | normal | severe | critical)\n"
    " -change ServiceName group [NewGroup]\n"
    " -change ServiceName depend [DependencyList]\n"
    " -change ServiceName display [NewDisplayName]\n"
    "WHERE\n"
    " 'start' specifies whether the service starts on depend or automatically\n"
    " 'error' specifies the serverity of the error if the service fails to start\n"
    " 'group' specifies the load ordering group the service is a member of\n"
    " 'dependencies' specifies the services and load ordering groups that must start before this service\n"
    " 'display' specifies the service's display name\n"
    "NOTES\n"
    "If 'NewGroup' is omitted the service does not belong to any load ordering group\n"
    "If 'DependencyList' is omitted the service does not depend on any service or load ordering group\n"
    "If used 'DependencyList' is a comma seperated list of services and groups (groups are prefixed with a '+')\n"
    "Do NOT include spaces in the 'DependencyList'\n";

enum class Command { Run, Install, Delete, Change, Help };

// A switch with either prefix, compared without regard to case.
bool IsSwitch(const char* arg, const char* name) {
    return (arg[0] == '-' || arg[0] == '/') && strcasecmp(arg + 1, name) == 0;
}

Command CommandOf(int argc, char** argv) {
    if (argc < 2) return Command::Run;
    const char* a = argv[1];
    if (IsSwitch(a, "install")) return Command::Install;
    if (IsSwitch(a, "delete")) return Command::Delete;
    if (IsSwitch(a, "change")) return Command::Change;
    if (IsSwitch(a, "help") || IsSwitch(a, "h") || IsSwitch(a, "?") || std::string(a) == "?")
        return Command::Help;
    return Command::Run;
}

int ShowSyntax(const char* text) {
    std::fputs(text, stderr);
    return 0;
}

// The full path of the launcher copy's own file; empty when it does not fit PATH_MAX.
std::string OwnPath() {
    char buf[PATH_MAX];
    ssize_t n = readlink(kSelf, buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

// Command-line actions end with exit code 0 when they did what was asked and 1 when they
// failed (a script that installs a service must be able to tell).
int RunCommand(Command command, int argc, char** argv) {
    std::vector<std::string> words(argv + 2, argv + argc);
    switch (command) {
    case Command::Install:
        if (words.empty() || words.size() > 3) return ShowSyntax(kSyntax);
        return InstallService(words[0], OwnPath(), words.size() > 1 ? argv[3] : nullptr,
                              words.size() > 2 ? argv[4] : nullptr);
    case Command::Delete:
        if (words.size() != 1) return ShowSyntax(kSyntax);
        return DeleteService(words[0]);
    case Command::Change: {
        if (words.size() < 2) return ShowSyntax(kChangeSyntax);
        int r = ChangeService(words[0], std::vector<std::string>(words.begin() + 1, words.end()));
        return r == kShowChangeSyntax ? ShowSyntax(kChangeSyntax) : r;
    }
    case Command::Help:
    case Command::Run: break;
    }
    return ShowSyntax(kSyntax);
}

// ---- run as a service -------------------------------------------------------------------

// Events are eventfd descriptors, the kind the engine's `wait` watches; set once, they stay
// signalled.
int CreateEvent() { return eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

void SetEvent(int event) {
    const uint64_t one = 1;
    while (write(event, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

// True when event is signalled within ms milliseconds.
bool WaitForEvent(int event, int ms) {
    pollfd p{event, POLLIN, 0};
    for (;;) {
        int n = poll(&p, 1, ms);  // an interruption restarts the full wait: at most a little longer
        if (n >= 0) return n > 0;
        if (errno != EINTR) return false;
    }
}

// SIGTERM only wakes the control thread: a pipe write is all a signal handler may do.
int g_controlPipe[2] = {-1, -1};

void OnStopSignal(int) {
    int saved = errno;
    const char c = 's';
    (void)!write(g_controlPipe[1], &c, 1);
    errno = saved;
}

// SA_RESTART keeps the program's own reads and writes going when the stop signal lands on
// its thread.
bool InstallStopSignal() {
    if (pipe2(g_controlPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction sa{};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return sigaction(SIGTERM, &sa, nullptr) == 0;
}

struct ServiceEvents {
    int stop = -1;
    int done = -1;
    std::atomic<bool> stoppedReported{false};
};

// The control handler: every stop control reports stop pending, sets the stop event and
// waits up to 20 seconds for the program; it reports stopped when the program returned,
// or running again when it did not (systemd then ends the process after its own stop
// timeout). Ends when the program has returned.
void ControlThread(ServiceEvents& events) {
    for (;;) {
        pollfd p[2] = {{g_controlPipe[0], POLLIN, 0}, {events.done, POLLIN, 0}};
        if (poll(p, 2, -1) < 0) continue;  // EINTR
        if (p[1].revents & POLLIN) return;
        if (!(p[0].revents & POLLIN)) continue;
        char drain[16];
        while (read(g_controlPipe[0], drain, sizeof drain) > 0) {
        }
        ReportState(ServiceState::StopPending);
        SetEvent(events.stop);
        if (WaitForEvent(events.done, kStopWaitMs)) {
            ReportState(ServiceState::Stopped);
            events.stoppedReported = true;
            return;
        }
        ReportState(ServiceState::Running);
    }
}

// The program's argument vector: its own full path first, then the launcher's arguments.
int RunProgram(int argc, char** argv, const std::string& self, int stopEvent) {
    std::vector<char*> args;
    args.push_back(const_cast<char*>(self.c_str()));
    for (int i = 1; i < argc; i++) args.push_back(argv[i]);
    args.push_back(nullptr);
    int count = static_cast<int>(args.size() - 1);
    const uint32_t event = static_cast<uint32_t>(stopEvent);
    if (CheckImageForResource(nullptr)) return RunConsoleFromResource(count, args.data(), self.c_str(), 0, 0, event);
    uint32_t offset = CalcSizeOfImageFile(self.c_str());
    if (offset == 0) return 0;
    return RunConsoleFromFile(count, args.data(), self.c_str(), offset, 1, 0, 0, event);
}

int RunService(int argc, char** argv) {
    OpenStatusReports();
    ReportState(ServiceState::StartPending);
    ServiceEvents events;
    events.stop = CreateEvent();
    events.done = CreateEvent();
    if (events.stop < 0 || events.done < 0 || !InstallStopSignal()) {
        std::perror("service.app: can not create the service events");
        ReportState(ServiceState::Stopped);
        return 1;
    }
    std::thread control(ControlThread, std::ref(events));
    ReportState(ServiceState::Running);
    std::string self = OwnPath();
    if (self.empty() || self.size() > kMaxPath) self = kSelf;  // the same file, by another name
    int exitCode = RunProgram(argc, argv, self, events.stop);
    // The control thread reports stopped when a stop is under way, and ends either way.
    SetEvent(events.done);
    control.join();
    if (!events.stoppedReported) ReportState(ServiceState::Stopped);
    return exitCode;
}

}  // namespace
}  // namespace tarn::service

int main(int argc, char** argv) {
    using namespace tarn::service;
    Command command = CommandOf(argc, argv);
    if (command != Command::Run) return RunCommand(command, argc, argv);
    tarn::launcher::InstallSignalHandlers();
    return RunService(argc, argv);
}
