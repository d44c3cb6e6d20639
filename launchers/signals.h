// The signal handling every launcher shares (console.app, service.app, tvm).
//
// One handler serves every signal of the table below. SIGINT, SIGTERM and SIGHUP ask the
// interpreter to stop at its next instruction (a "User abort" report, exit code from the
// program), so open files are flushed and closed as after any other end of the program.
// SIGPIPE does nothing: the write into a closed pipe then fails with EPIPE and becomes the
// library's "Write failure" (error 13) with its report, instead of killing the process with
// its files half written. (A caught signal is reset to its default in programs the VM
// starts, so `system` and `popen` children still see an ordinary SIGPIPE.) The faults
// become run-time errors at the current instruction, which report and end the process
// with exit code 1. The engine installs its own SIGSEGV handler while a
// program runs, for faults inside the VM window, and passes every other fault on to the
// handler it replaced, which is this one; so there is one handler chain and every fault ends
// in exactly one report.
#pragma once

#include <csignal>

#include "runtime/tarnrt.h"

namespace tarn::launcher {

enum class SignalAction { UserBreak, WriteFails, Fault };

struct SignalMapping {
    int signal;
    SignalAction action;
    const char* message;  // the run-time error of a fault
};

inline constexpr SignalMapping kSignals[] = {
    {SIGINT, SignalAction::UserBreak, nullptr},
    {SIGTERM, SignalAction::UserBreak, nullptr},
    {SIGHUP, SignalAction::UserBreak, nullptr},
    {SIGPIPE, SignalAction::WriteFails, nullptr},
    {SIGILL, SignalAction::Fault, "Invalid instruction"},
    {SIGSEGV, SignalAction::Fault, "Invalid memory access"},
    {SIGFPE, SignalAction::Fault, "Invalid arithmetic"},
    {SIGABRT, SignalAction::Fault, "Abort signal"},
};

inline void OnSignal(int sig) {
    for (const SignalMapping& m : kSignals) {
        if (m.signal != sig) continue;
        switch (m.action) {
            case SignalAction::UserBreak: SetUserBreak(); return;
            case SignalAction::WriteFails: return;
            case SignalAction::Fault: RunTimeError(m.message);
        }
    }
    RunTimeError("Invalid signal received");
}

// Faults may come from an exhausted host stack, so the handler runs on a stack of its own.
inline void InstallSignalHandlers() {
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
    // SA_NODEFER: a fault while a fault is being reported re-enters the handler, where
    // RunTimeError ends the process with exit code 1; a blocked fault signal would have
    // the kernel kill the process with that signal instead.
    sa.sa_flags = SA_ONSTACK | SA_NODEFER;
    for (const SignalMapping& m : kSignals) sigaction(m.signal, &sa, nullptr);
}

}  // namespace tarn::launcher
