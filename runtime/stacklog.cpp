// The stack log (standard routines 110-114): compiled code brackets procedure bodies and
// calls with these routines to verify that SP and FP come back to what they were.
// Also the registers as the program sees them: stackframe (108) and stacktop (109).
#include <memory>
#include <new>

#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/stdroutines.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

struct StackLogEntry {
    uint32_t sp;
    uint32_t fp;
};

// The block is allocated on first use and released when the log becomes empty.
struct StackLog {
    std::unique_ptr<StackLogEntry[]> entries;
    int top = -1;
};

StackLog g_stackLog;

StackLogEntry& Top() {
    if (g_stackLog.top < 0) RunTimeError("Stack log is empty");
    return g_stackLog.entries[g_stackLog.top];
}

void Drop() {
    if (--g_stackLog.top < 0) g_stackLog.entries.reset();
}

StdOutcome StackLogPush(Regs& r, int&) {
    if (!g_stackLog.entries) {
        g_stackLog.entries.reset(new (std::nothrow) StackLogEntry[kStackLogSize]);
        if (!g_stackLog.entries) RunTimeError("Out of memory");
    }
    if (g_stackLog.top + 1 >= kStackLogSize) RunTimeError("Stack log overflow");
    g_stackLog.entries[++g_stackLog.top] = {r.sp, r.fp};
    return StdOutcome::Continue;
}

StdOutcome StackLogCheckFp(Regs& r, int&) {
    if (Top().fp != r.fp) RunTimeError("Value of BP does not agree with stack log entry");
    return StdOutcome::Continue;
}

StdOutcome StackLogCheckSp(Regs& r, int&) {
    if (Top().sp != r.sp) RunTimeError("Value of SP does not agree with stack log entry");
    return StdOutcome::Continue;
}

StdOutcome StackLogPop(Regs&, int&) {
    Top();
    Drop();
    return StdOutcome::Continue;
}

// Unwinds the entries of frames that were left without their pop (exit, goto), down to
// and including the entry of the current frame.
StdOutcome StackLogUnwind(Regs& r, int&) {
    for (;;) {
        StackLogEntry e = Top();
        Drop();
        if (e.fp != r.fp) continue;
        if (e.sp != r.sp) RunTimeError("Stack log mismatch");
        return StdOutcome::Continue;
    }
}

// FP and SP as they are at the call.
StdOutcome StackFrame(Regs& r, int&) {
    Push(r, r.fp);
    return StdOutcome::Continue;
}

StdOutcome StackTop(Regs& r, int&) {
    const uint32_t sp = r.sp;
    Push(r, sp);
    return StdOutcome::Continue;
}

}  // namespace

int StackLogDepth() { return g_stackLog.top + 1; }

void ResetStackLog() {
    g_stackLog.entries.reset();
    g_stackLog.top = -1;
}

void RegisterStackLogRoutines() {
    using vm::Std;
    static constexpr struct { Std n; StdRoutine routine; } kRoutines[] = {
        {Std::StackLogPush, StackLogPush},       {Std::StackLogCheckFP, StackLogCheckFp},
        {Std::StackLogCheckSP, StackLogCheckSp}, {Std::StackLogPop, StackLogPop},
        {Std::StackLogUnwind, StackLogUnwind},   {Std::StackFrame, StackFrame},
        {Std::StackTop, StackTop},
    };
    for (const auto& r : kRoutines) RegisterStd(vm::Number(r.n), r.routine);
}

}  // namespace tarn::rt
