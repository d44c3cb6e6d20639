// The standard-routine dispatcher and the routines that belong to the run itself:
// registering the program's error-code (62) and exit-code (63) variables, and halt (94).
#include "runtime/stdroutines.h"

#include <array>

#include "runtime/errors.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

using vm::Std;

StdOutcome Undefined(Regs&, int&) {
    RunTimeError("Undefined standard opcode, you may need to upgrade the interpreter");
}

// Both registrations store the variable's address and start the variable at 0.
StdOutcome RegisterErrorCode(Regs& regs, int&) {
    g_engine.errorCodeVar = Pop(regs);
    SetVmWord(g_engine.errorCodeVar, 0);
    return StdOutcome::Continue;
}

StdOutcome RegisterExitCode(Regs& regs, int&) {
    g_engine.exitCodeVar = Pop(regs);
    SetVmWord(g_engine.exitCodeVar, 0);
    return StdOutcome::Continue;
}

StdOutcome Halt(Regs&, int& exitCode) {
    ReleaseResources();
    exitCode = g_engine.exitCodeVar ? static_cast<int>(VmWord(g_engine.exitCodeVar)) : 0;
    return StdOutcome::Stop;
}

using Table = std::array<StdRoutine, vm::kStdCount>;

// Built on first use, so modules may register from their static initialisers in any order.
Table& Routines() {
    static Table table = [] {
        Table t;
        t.fill(Undefined);
        t[vm::Number(Std::RegisterErrorCode)] = RegisterErrorCode;
        t[vm::Number(Std::RegisterExitCode)] = RegisterExitCode;
        t[vm::Number(Std::Halt)] = Halt;
        return t;
    }();
    return table;
}

}  // namespace

StdOutcome CallStd(uint32_t n, Regs& regs, int& exitCode) {
    if (n >= vm::kStdCount) return Undefined(regs, exitCode);
    return Routines()[n](regs, exitCode);
}

// A null routine puts back the default (the "Undefined standard opcode" error).
void RegisterStd(uint32_t n, StdRoutine routine) {
    if (n < vm::kStdCount) Routines()[n] = routine ? routine : Undefined;
}

}  // namespace tarn::rt
