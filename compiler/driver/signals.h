// The signal traps of tpc: a break (SIGINT, SIGTERM) sets the user-break flag; a fault of
// the compiler itself is reported and the running step of Compile abandoned.
#pragma once

namespace tarn::tpc {

// Installs one handler for SIGABRT, SIGFPE, SIGILL, SIGINT, SIGSEGV, SIGBUS and SIGTERM;
// the faults run it on a stack of its own, so that a stack overflow is reported too.
void InstallSignalTraps();
// The handler itself (exposed so tests can drive it without raising real faults).
void SignalTrap(int sig);

}  // namespace tarn::tpc
