// libFuzzer target: the engine's loader and interpreter on arbitrary images. Each input is
// an image held in memory; it is loaded and, when it loads, run until it ends or for at most
// kRunMillis (a timer raises the user break, which the dispatch loop and every long engine
// loop answer). Every fatal path of the engine ends the run through FuzzEndRun (the engine
// is built with TARN_FUZZ_HOOKS), so one process runs input after input.
//
// A failure is a sanitizer report, a crash, a hang, or an engine internal error: while a
// program runs, a fault anywhere outside the VM window aborts with "[TARNRUN] Internal
// error", so any escape from the window the sanitizers cannot see still ends the fuzzer.
//
// The programs must not touch the machine: routines that create, change or remove files and
// directories, change the working directory, run commands or load libraries are taken out
// of the routine table (calling one is the run-time error for a routine the engine lacks;
// opening a file is among them, so nothing is ever written), standard input is empty,
// standard output is discarded and the message-box report goes to /dev/null. The working
// directory stays as it is, so that relative corpus paths and crash artifacts work.
#include <fcntl.h>
#include <setjmp.h>
#include <sys/time.h>
#include <unistd.h>

#include <cfenv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/files.h"
#include "runtime/interp.h"
#include "runtime/loader.h"
#include "runtime/stdroutines.h"
#include "runtime/window.h"
#include "vm/stdroutines.h"

using namespace tarn::rt;
namespace vm = tarn::vm;

namespace {

constexpr long kRunMillis = 40;
constexpr const char* kMemoryLimitMiB = "256";

// What a fuzzed program may not call.
constexpr vm::Std kForbidden[] = {
    vm::Std::ChDir,      vm::Std::Erase,        vm::Std::MkDir,          vm::Std::Open,
    vm::Std::Rename,     vm::Std::RmDir,        vm::Std::SetFileDate,    vm::Std::SetFileTime,
    vm::Std::System,     vm::Std::ExternalCall, vm::Std::Intr,           vm::Std::Popen,
    vm::Std::BlockWrite, vm::Std::ReportToLogFile, vm::Std::ReportToMessageBox,
    vm::Std::CreateObject,  // a registered server (Tarn.FileSystem) can delete files
};

sigjmp_buf g_runEnd;
bool g_inRun = false;
ImageSource g_source;  // outside the run's frame: still valid after a jump out of it

void OnTimer(int) {
    g_userBreak = 1;
    BreakDispatch();
}

// As in the launchers: a floating-point trap is the program's run-time error.
void OnFloatingPointTrap(int) { RunTimeError("Invalid arithmetic"); }

void SetTimer(long millis) {
    itimerval t{};
    t.it_value.tv_sec = millis / 1000;
    t.it_value.tv_usec = (millis % 1000) * 1000;
    setitimer(ITIMER_REAL, &t, nullptr);
}

void Prepare() {
    int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    close(null);
    setenv("TARN_MESSAGE_BOX_FILE", "/dev/null", 1);
    setenv("TARN_MEMORY_LIMIT", kMemoryLimitMiB, 1);
    InstallStandardRoutines();  // once per process: the removals below stay
    for (vm::Std n : kForbidden) RegisterStd(vm::Number(n), nullptr);
    struct sigaction sa{};
    sa.sa_handler = OnTimer;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGALRM, &sa, nullptr);
    sa.sa_handler = OnFloatingPointTrap;
    sa.sa_flags = SA_NODEFER;
    sigaction(SIGFPE, &sa, nullptr);
}

// Puts the process back the way a finished run leaves it, whichever way the run ended.
void AfterRun() {
    SetTimer(0);
    g_userBreak = 0;
    ReleaseFiles();
    RemoveFaultHandler();
    fedisableexcept(FE_ALL_EXCEPT);
    feclearexcept(FE_ALL_EXCEPT);
    ReleaseImage();
}

}  // namespace

namespace tarn::rt {

void FuzzEndRun(int) {
    if (!g_inRun) std::abort();  // an exit outside a run: not one of ours
    siglongjmp(g_runEnd, 1);
}

}  // namespace tarn::rt

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool prepared = false;
    if (!prepared) {
        Prepare();
        prepared = true;
    }
    g_source.kind = ImageSource::Kind::Resource;
    g_source.begin = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));  // freed on close
    std::memcpy(g_source.begin, data, size);
    g_source.pos = g_source.begin;
    g_source.end = g_source.begin + size;
    static char image[] = "fuzz.tvm";
    static char* argv[] = {image, nullptr};
    g_inRun = true;
    if (sigsetjmp(g_runEnd, 1) == 0) {
        SetTimer(kRunMillis);
        if (LoadImage(g_source)) RunProgram(1, argv, 1);
    }
    g_inRun = false;
    SourceClose(g_source);  // a load that failed part way left it open
    AfterRun();
    return 0;
}
