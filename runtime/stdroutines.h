// The standard-routine dispatcher: CALLSTD n runs entry n of one table built from
// vm/stdroutines.def. Routines not built yet stop the run with "Undefined standard opcode,
// you may need to upgrade the interpreter".
#pragma once

#include <cstdint>

#include "runtime/engine.h"

namespace tarn::rt {

enum class StdOutcome { Continue, Stop };

// A standard routine pops its arguments from and pushes its result onto the VM stack
// through regs. To end the run it sets exitCode and returns Stop.
using StdRoutine = StdOutcome (*)(Regs& regs, int& exitCode);

// Runs routine n; numbers above 194 are the "Undefined standard opcode" error.
StdOutcome CallStd(uint32_t n, Regs& regs, int& exitCode);

// Installs the implementation of routine n; a null routine puts back the default.
void RegisterStd(uint32_t n, StdRoutine routine);

// The routine installed as n (null above 194): the native tier inlines a routine only while
// the installed one is the engine's own.
StdRoutine InstalledStd(uint32_t n);

// Routine 87, sqrt (std_math.cpp), which the native tier inlines for non-negative numbers.
StdOutcome SqrtRoutine(Regs& regs, int& exitCode);

// Whether routine n has an implementation (not the "Undefined standard opcode" default).
bool IsStdImplemented(uint32_t n);

// Fills the table with every family of routines the engine has (once per process; the
// loader calls it before a program starts).
void InstallStandardRoutines();

}  // namespace tarn::rt
