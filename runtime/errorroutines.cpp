// Standard routines of error control: ioresult (98), registering the error list (170),
// traperrors (171) and the report switches (185-187); the stack log routines (110-114)
// live in stacklog.cpp and are installed from here too.
#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/stdroutines.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

StdOutcome IoResult(Regs& r, int&) {
    Push(r, TakeIoResult());
    return StdOutcome::Continue;
}

// Stack: address of the list variable `errors`, size of its component type (on top).
StdOutcome RegisterErrorList(Regs& r, int&) {
    g_errors.listElemSize = Pop(r);
    g_errors.listVar = Pop(r);
    return StdOutcome::Continue;
}

StdOutcome TrapErrors(Regs& r, int&) {
    g_errors.trapping = Pop(r) != 0;
    return StdOutcome::Continue;
}

// The report switches. The start-up code calls each with 1 only when its option differs
// from the run-start default: 185 then switches the log file on, 186 the message box off
// and 187 the console off.
StdOutcome LogFileSwitch(Regs& r, int&) {
    g_errors.toLogFile = Pop(r) != 0;
    return StdOutcome::Continue;
}

StdOutcome MessageBoxSwitch(Regs& r, int&) {
    g_errors.toMessageBox = Pop(r) == 0;
    return StdOutcome::Continue;
}

StdOutcome ConsoleSwitch(Regs& r, int&) {
    g_errors.toConsole = Pop(r) == 0;
    return StdOutcome::Continue;
}

}  // namespace

void RegisterErrorRoutines() {
    using vm::Std;
    static constexpr struct { Std n; StdRoutine routine; } kRoutines[] = {
        {Std::IOResult, IoResult},
        {Std::RegisterErrorList, RegisterErrorList},
        {Std::TrapErrors, TrapErrors},
        {Std::ReportToLogFile, LogFileSwitch},
        {Std::ReportToMessageBox, MessageBoxSwitch},
        {Std::ReportToConsole, ConsoleSwitch},
    };
    for (const auto& r : kRoutines) RegisterStd(vm::Number(r.n), r.routine);
    RegisterStackLogRoutines();
}

}  // namespace tarn::rt
