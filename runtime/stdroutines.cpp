// The standard-routine dispatcher and the routines that belong to the run itself:
// registering the program's error-code (62) and exit-code (63) variables, and halt (94).
#include "runtime/stdroutines.h"

#include <array>

#include "runtime/database.h"
#include "runtime/errors.h"
#include "runtime/external.h"
#include "runtime/files.h"
#include "runtime/objects.h"
#include "runtime/stdlib.h"
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

// Every number starts as the "Undefined standard opcode" error; the routines of the run
// itself are there from the start, the families are added by InstallStandardRoutines.
constexpr Table DefaultTable() {
    Table t{};
    for (auto& r : t) r = Undefined;
    t[vm::Number(Std::RegisterErrorCode)] = RegisterErrorCode;
    t[vm::Number(Std::RegisterExitCode)] = RegisterExitCode;
    t[vm::Number(Std::Halt)] = Halt;
    return t;
}

constinit Table g_routines = DefaultTable();

}  // namespace

StdOutcome CallStd(uint32_t n, Regs& regs, int& exitCode) {
    if (n >= vm::kStdCount) return Undefined(regs, exitCode);
    return g_routines[n](regs, exitCode);
}

// One place that knows every family of routines: the table is filled here, in a fixed
// order, rather than from static initialisers whose order (and presence, in a static
// link) is not guaranteed.
void InstallStandardRoutines() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    RegisterErrorRoutines();
    RegisterEnvRoutines();
    RegisterCharRoutines();
    RegisterStringRoutines();
    RegisterMathRoutines();
    RegisterRandomRoutines();
    RegisterStdEnvRoutines();
    RegisterMemoryRoutines();
    RegisterListRoutines();
    RegisterTimeRoutines();
    RegisterConsoleRoutines();
    RegisterFileRoutines();
    RegisterExternalRoutines();
    RegisterObjectRoutines();
    RegisterDatabaseRoutines();
}

bool IsStdImplemented(uint32_t n) { return n < vm::kStdCount && g_routines[n] != Undefined; }

StdRoutine InstalledStd(uint32_t n) { return n < vm::kStdCount ? g_routines[n] : nullptr; }

// A null routine puts back the default (the "Undefined standard opcode" error).
void RegisterStd(uint32_t n, StdRoutine routine) {
    if (n < vm::kStdCount) g_routines[n] = routine ? routine : Undefined;
}

}  // namespace tarn::rt
