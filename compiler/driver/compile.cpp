// The compile engine and the start-up of tpc.
#include "compiler/driver/compile.h"

#include <csetjmp>
#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/base/process.h"
#include "compiler/codegen/codegen.h"
#include "compiler/driver/command.h"
#include "compiler/driver/signals.h"
#include "compiler/front/lexer.h"
#include "compiler/front/parser.h"
#include "compiler/front/predefined.h"
#include "compiler/writer/image.h"

namespace tarn::tpc {

namespace {

struct CompileNames {
    std::string source;
    std::string output;
    std::string header;
};
CompileNames gNames;
bool gOutputMissing = false;
void (*gParseStepHook)() = nullptr;

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

// An image without the code of some construct would not do what the program says: then
// the construct is named, no image is written (a stale one is still removed) and the
// compilation does not pass for a success.
void WriteImageIfComplete() {
    const char* missing = ErrorCount() == 0 ? CodeGenMissingConstruct() : nullptr;
    if (missing) {
        std::printf("tpc: code generation for %s is not available in this build; "
                    "no image was written.\n", missing);
        gOutputMissing = true;
    }
    WriteImage(missing == nullptr);
}

void ReportSummary(double startMs, double endMs) {
    ReportMessage(msg::Summary, nullptr, static_cast<int>(ErrorCount()),
                  static_cast<int>(WarningCount()));
    const unsigned long lines = TotalLines();
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
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
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

bool OutputMissing() { return gOutputMissing; }

void SetParseStepHook(void (*hook)()) { gParseStepHook = hook; }

void Compile() {
    gOutputMissing = false;
    double startMs = 0;
    double endMs = 0;

    RunGuarded([&] {
        startMs = ClockMs();
        SetCompiling(true);
        ReportMessage(msg::Compiling, nullptr, SourceName());
        OpenMainSource(SourceName());
        OpenOutput(OutputName(), HeaderText());
        OpenOuterScope();
        if (gParseStepHook) gParseStepHook();
        CompileProgram();
        CloseOuterScope();
    });
    RunGuarded([] { CloseSourceFiles(); });
    RunGuarded([] { WriteImageIfComplete(); });
    RunGuarded([&] {
        endMs = ClockMs();
        if ((AllocMode() & ALLOC_GUARD) && AllocMode() != ALLOC_RELEASED && CheckGuardWords() != 0)
            InternalError("tracked block guard words intact", __FILE__, __LINE__);
        ReportMessage(msg::CompileDone, nullptr);
    });
    ReportSummary(startMs, endMs);
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

    InitCompileState();
    SetAllocMode(0);
    InitOptions();
    InitMessages();
    InitOutputState();
    SetGenerateCode(true);

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
