// The native tier: the VM code of the loaded image translated into x86-64 machine code.
//
// The whole code segment is translated when the run starts, one instruction after another.
// The translated code keeps the VM registers in host registers, and the VM stack, frames and
// every variable in VM memory exactly where the interpreter keeps them, so the two tiers can
// hand a run over at any instruction boundary. Instructions with a short native form are
// translated inline; one whose whole work is an engine routine calls that routine directly
// (OutOfLineFor), and every other one is run by the interpreter's own implementation
// (InterpretStep), so both tiers share it. The tier hands the rest of a run over to the
// interpreter when it meets what it does not translate: a jump into the middle of an
// instruction, a computed target it has no entry for, a misaligned stack, a user break.
//
// TARN_TIER=interp selects the interpreter alone; on hosts other than x86-64 it is the
// only tier.
#pragma once

#include "runtime/interp.h"

namespace tarn::rt {

// True when this run should use the native tier.
bool UseNativeTier();

// Translates the loaded image and runs it from vm; returns the exit code, as Interpret.
int RunNative(VmState vm);

// Called by BreakDispatch (possibly in a signal handler): translated code polls this at
// backward jumps and calls.
void NoteBreakForNative();

// Called by the fault handler with the signal's context: when the fault happened in
// translated code, sets g_engine.cur to the instruction it belongs to.
void NoteNativeFault(const void* context);

}  // namespace tarn::rt
