// The in-process compiler of the IDE.
#include "ide/compile/ide_compiler.h"

#include <cfenv>
#include <csignal>
#include <cstring>

#include "compiler/base/alloc.h"
#include "compiler/base/options.h"
#include "compiler/base/process.h"
#include "compiler/driver/compile.h"
#include "compiler/driver/signals.h"
#include "compiler/writer/image.h"
#include "ide/project/apply_options.h"

namespace tarn::ide {

namespace {

const std::function<void(const MessageRecord&)>* gSink = nullptr;

void IdePrinter(tpc::MsgKind kind, int number, const char* file, uint32_t line, int32_t col,
                const char* text, const tpc::Position*) {
    if (gSink && *gSink) (*gSink)(MakeRecord(kind, number, file, line, col, text));
}

// The fault signals the compiler's trap turns into a message and a return to the running
// step. Only these, and only while the compiler runs: a break (SIGINT) stays the IDE's.
constexpr int FAULT_SIGNALS[] = {SIGFPE, SIGILL, SIGSEGV, SIGBUS};
constexpr size_t FAULT_STACK_SIZE = 256 * 1024;
alignas(16) unsigned char gFaultStack[FAULT_STACK_SIZE];

class FaultTraps {
public:
    FaultTraps() {
        stack_t s{};
        s.ss_sp = gFaultStack;
        s.ss_size = sizeof gFaultStack;
        haveStack_ = sigaltstack(&s, &oldStack_) == 0;
        struct sigaction a {};
        a.sa_handler = tpc::SignalTrap;
        sigemptyset(&a.sa_mask);
        a.sa_flags = haveStack_ ? SA_ONSTACK : 0;
        for (size_t i = 0; i < std::size(FAULT_SIGNALS); ++i)
            sigaction(FAULT_SIGNALS[i], &a, &old_[i]);
    }
    ~FaultTraps() {
        for (size_t i = 0; i < std::size(FAULT_SIGNALS); ++i)
            sigaction(FAULT_SIGNALS[i], &old_[i], nullptr);
        if (haveStack_) sigaltstack(&oldStack_, nullptr);
    }
    FaultTraps(const FaultTraps&) = delete;
    FaultTraps& operator=(const FaultTraps&) = delete;

private:
    struct sigaction old_[std::size(FAULT_SIGNALS)]{};
    stack_t oldStack_{};
    bool haveStack_ = false;
};

}  // namespace

MessageRecord MakeRecord(tpc::MsgKind kind, int number, const char* file, uint32_t line,
                         int32_t col, const char* text) {
    MessageRecord r;
    r.kind = kind;
    r.number = number;
    r.line = line;
    r.col = col >= 0 ? uint32_t(col) + 1 : 0;
    if (file && std::strlen(file) <= MAX_RECORD_FILE) r.file = file;
    if (text && std::strlen(text) <= MAX_RECORD_TEXT) r.text = text;
    return r;
}

std::string OutputNameFor(const CompileJob& job) {
    tpc::InitCompileState();
    if (!tpc::SetSourceName(job.source.c_str())) return {};
    bool named =
        job.output.empty() ? tpc::SetDefaultOutputName() : tpc::SetOutputName(job.output.c_str());
    std::string out = named ? tpc::OutputName() : "";
    tpc::InitCompileState();
    return out;
}

CompileOutcome RunCompiler(const CompileJob& job, const Project& project,
                           const std::function<void(const MessageRecord&)>& sink) {
    CompileOutcome outcome;
    // The state tpc starts with, without banner and command line.
    tpc::SetInstallDir(nullptr);
    tpc::SetMessagePrinter(IdePrinter);
    tpc::InitCompileState();
    tpc::SetAllocMode(0);
    tpc::InitOptions();
    tpc::InitMessages();
    tpc::InitOutputState();
    tpc::SetGenerateCode(true);
    tpc::ClearUserBreak();
    tpc::SetOption(tpc::opt::InformMessages, tpc::msg::Compiling, 1);
    tpc::SetOption(tpc::opt::InformMessages, tpc::msg::CompileDone, 1);
    ApplyProjectOptions(project);

    if (!tpc::SetSourceName(job.source.c_str())) {
        outcome.failure = CANNOT_COMPILE_NAME;
        return outcome;
    }
    if (!job.output.empty()) {
        if (!tpc::SetOutputName(job.output.c_str())) {
            outcome.failure = INVALID_OUTPUT_NAME;
            return outcome;
        }
    } else if (!tpc::SetDefaultOutputName()) {
        outcome.failure = CANNOT_COMPILE_NAME;
        return outcome;
    }
    if (!job.header.empty() && !tpc::SetHeaderText(job.header.c_str())) {
        outcome.failure = INVALID_OUTPUT_NAME;
        return outcome;
    }
    outcome.started = true;
    outcome.output = tpc::OutputName();

    gSink = &sink;
    std::fenv_t saved;
    std::feholdexcept(&saved);
    {
        FaultTraps traps;
        tpc::EnableFloatingPointTraps();
        tpc::Compile();
    }
    std::fesetenv(&saved);
    if (tpc::OutputMissing())
        sink(MakeRecord(tpc::MsgKind::ERROR, 0, nullptr, 0, -1,
                        "Code generation for a construct of this program is not available in "
                        "this build; no image was written."));
    gSink = nullptr;
    outcome.errors = tpc::ErrorCount();
    outcome.warnings = tpc::WarningCount();
    tpc::ReleaseAll();
    tpc::InitCompileState();
    return outcome;
}

}  // namespace tarn::ide
