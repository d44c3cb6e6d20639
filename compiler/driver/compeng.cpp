// The compile engine and the start-up of tpc.
#include "compiler/driver/compeng.h"

#include <csetjmp>
#include <cfenv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <unistd.h>

#include "compiler/driver/alloc.h"
#include "compiler/driver/command.h"
#include "compiler/driver/messages.h"
#include "compiler/driver/options.h"
#include "compiler/driver/steps.h"

namespace tarn::tpc {

namespace {

struct CompileNames {
    std::string source;
    std::string output;
    std::string header;
};
CompileNames gNames;
std::string gInstallDir;

// The recovery point for fault signals; FATAL messages use the FatalStop exception.
sigjmp_buf gFaultPoint;
volatile std::sig_atomic_t gFaultArmed = 0;

bool CopyName(std::string& into, const char* text) {
    if (!text || std::strlen(text) > MAX_NAME_LENGTH) return false;
    into = text;
    return true;
}

// Runs one step of Compile: a FATAL message (or a fault signal) abandons the rest of the
// step and Compile goes on with the next one.
template <class Body>
void RunGuarded(Body body) {
    if (sigsetjmp(gFaultPoint, 1) != 0) {
        gFaultArmed = 0;
        return;
    }
    gFaultArmed = 1;
    try {
        body();
    } catch (const FatalStop&) {
    } catch (const std::bad_alloc&) {
        try {
            ReportMessage(msg::OutOfMemory, nullptr);
        } catch (const FatalStop&) {
        }
    }
    gFaultArmed = 0;
}

// Milliseconds of processor time.
double ClockMs() { return static_cast<double>(std::clock()) * 1000.0 / CLOCKS_PER_SEC; }

template <class Hook, class... Args>
void Required(Hook hook, const char* what, Args... args) {
    if (!hook) StepNotAvailable(what);
    hook(args...);
}

template <class Hook>
void Optional(Hook hook) {
    if (hook) hook();
}

void ReportSummary(double startMs, double endMs) {
    ReportMessage(msg::Summary, nullptr, static_cast<int>(ErrorCount()), static_cast<int>(WarningCount()));
    const unsigned long lines = Source().linesCompiled ? Source().linesCompiled() : 0;
    if (lines == 0) return;
    const double seconds = (endMs - startMs) / 1000.0;
    ReportMessage(msg::LinesCompiled, nullptr, lines, seconds);
    if (seconds > 0.001) {
        const auto perSecond = static_cast<unsigned long>(static_cast<double>(lines) / seconds);
        ReportMessage(msg::CompilationSpeed, nullptr, perSecond, perSecond * 60ul);
    }
}

}  // namespace

void InitCompileState() {
    SetCompiling(false);
    gNames = CompileNames{};
}

bool SetSourceName(const char* name) { return CopyName(gNames.source, name); }
bool SetOutputName(const char* name) { return CopyName(gNames.output, name); }
bool SetHeaderText(const char* text) { return CopyName(gNames.header, text); }
const char* SourceName() { return gNames.source.c_str(); }
const char* OutputName() { return gNames.output.c_str(); }
const char* HeaderText() { return gNames.header.c_str(); }

bool SetDefaultOutputName() {
    if (gNames.source.empty()) return false;
    const std::string& s = gNames.source;
    const size_t slash = s.rfind('/');
    const size_t dot = s.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string name = (hasExtension ? s.substr(0, dot) : s) + ".tvm";
    return SetOutputName(name.c_str());
}

void NameOutput() {
    const char* output = GetOptionText(opt::o);
    const bool named = output ? SetOutputName(output) : SetDefaultOutputName();
    if (!named) ReportMessage(msg::FileNameTooLong, nullptr, output ? output : SourceName());
    // Option h keeps at most 260 characters, so the copy always fits.
    SetHeaderText(GetOptionText(opt::h));
}

namespace {
bool g_outputMissing = false;
}  // namespace

void SetOutputMissing() { g_outputMissing = true; }
bool OutputMissing() { return g_outputMissing; }

void Compile() {
    g_outputMissing = false;
    CompileSteps& steps = Steps();
    double startMs = 0;
    double endMs = 0;

    RunGuarded([&] {
        startMs = ClockMs();
        SetCompiling(true);
        ReportMessage(msg::Compiling, nullptr, SourceName());
        Required(steps.openSource, "reading source files", SourceName());
        Required(steps.openOutput, "image writing", OutputName(), HeaderText());
        Required(steps.openOuterScope, "the identifier table");
        Required(steps.parseProgram, "parsing and code generation");
        Optional(steps.closeOuterScope);
    });
    RunGuarded([&] { Optional(steps.closeSources); });
    RunGuarded([&] {
        // After an error the writer writes nothing, so a missing writer changes nothing.
        if (steps.writeImage || ErrorCount() == 0) Required(steps.writeImage, "image writing");
    });
    RunGuarded([&] {
        endMs = ClockMs();
        if ((AllocMode() & ALLOC_GUARD) && AllocMode() != ALLOC_RELEASED && CheckGuardWords() != 0)
            InternalError("tracked block guard words intact", __FILE__, __LINE__);
        ReportMessage(msg::CompileDone, nullptr);
    });
    ReportSummary(startMs, endMs);
}

const char* InstallDir() { return gInstallDir.c_str(); }

void SetInstallDir(const char* argv0) {
    // The directory of our own program: /proc/self/exe, else argv[0] made absolute.
    char path[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
    std::string full;
    if (n > 0) {
        full.assign(path, static_cast<size_t>(n));
    } else if (argv0 && realpath(argv0, path)) {
        full = path;
    }
    const size_t slash = full.rfind('/');
    gInstallDir = (slash == std::string::npos || slash + 1 > MAX_NAME_LENGTH) ? "" : full.substr(0, slash + 1);
}

void EnableFloatingPointTraps() { feenableexcept(FE_INVALID | FE_DIVBYZERO); }

void ReturnToRecoveryPoint() {
    if (gFaultArmed) siglongjmp(gFaultPoint, 1);
    std::fflush(stdout);
    std::_Exit(1);
}

int TpcMain(int argc, char** argv) {
    SetInstallDir(argc > 0 ? argv[0] : nullptr);
    SetMessagePrinter(ConsolePrinter);
    SetMessageListPrinter(ConsoleListPrinter);

    CompileSteps& steps = Steps();
    InitCompileState();
    SetAllocMode(0);
    Optional(steps.initFront);
    InitOptions();
    InitMessages();
    Optional(steps.initCodegen);

    EnableFloatingPointTraps();
    InstallSignalTraps();
    ReportMessage(msg::Banner, nullptr);
    if (argc < 2) {
        PrintShortUsage();
        return 1;
    }
    SetOption(opt::WarningMessages, msg::HidesDeclaration, 0);
    ParseCommandLine(argc, argv);

    NameOutput();
    Compile();
    const int32_t errors = ErrorCount();
    ReleaseAll();
    return errors != 0 || OutputMissing() ? 1 : 0;
}

}  // namespace tarn::tpc
