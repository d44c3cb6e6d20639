// The signal traps of tpc (see signals.h).
#include "compiler/driver/signals.h"

#include <cfenv>
#include <csignal>
#include <cstdlib>

#include "compiler/base/messages.h"
#include "compiler/base/process.h"
#include "compiler/driver/compile.h"

namespace tarn::tpc {

namespace {

// A fault of the compiler itself: report it (FATAL) and go back to the step of Compile,
// or end the process when no compilation is running.
[[noreturn]] void Fault(int number) {
    try {
        ReportMessage(number, nullptr);
    } catch (const FatalStop&) {
    }
    ReturnToRecoveryPoint();
}
}  // namespace

void SignalTrap(int sig) {
    switch (sig) {
    case SIGINT:
    case SIGTERM: SetUserBreak(); return;
    case SIGILL: Fault(msg::FailureInstruction);
    case SIGSEGV:
    case SIGBUS: Fault(msg::FailureMemoryAccess);
    case SIGFPE:
        std::feclearexcept(FE_ALL_EXCEPT);
        EnableFloatingPointTraps();
        Fault(msg::FailureArithmetic);
    case SIGABRT: std::_Exit(1);
    default:
        try {
            ReportMessage(msg::FailureSignal, nullptr);
        } catch (const FatalStop&) {
        }
        std::_Exit(1);
    }
}

namespace {
// The faults run their handler here: after a stack overflow the stack itself has no room
// left, and without a stack of its own the handler could not report anything. Reporting
// formats and prints a message, which under the sanitizers takes far more than
// SIGSTKSZ.
constexpr size_t FAULT_STACK_SIZE = 256 * 1024;
alignas(16) unsigned char gFaultStack[FAULT_STACK_SIZE];
}  // namespace

void InstallSignalTraps() {
    stack_t faultStack{};
    faultStack.ss_sp = gFaultStack;
    faultStack.ss_size = sizeof gFaultStack;
    const bool haveFaultStack = sigaltstack(&faultStack, nullptr) == 0;
    struct sigaction action {};
    action.sa_handler = SignalTrap;
    sigemptyset(&action.sa_mask);
    // A break only sets a flag; a read it interrupts (a source on a slow device or a
    // pipe) goes on, and the parser stops at its next token.
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGABRT, SIGINT, SIGTERM}) sigaction(sig, &action, nullptr);
    action.sa_flags = haveFaultStack ? SA_ONSTACK : 0;
    for (int sig : {SIGFPE, SIGILL, SIGSEGV, SIGBUS}) sigaction(sig, &action, nullptr);
}

}  // namespace tarn::tpc
