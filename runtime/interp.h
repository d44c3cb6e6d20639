// The interpreter: the dispatch loop of the virtual machine and the instructions it runs.
//
// Registers: PC and CUR are positions in the code segment, SP and FP are VM addresses, GP
// is the image's data_base. Return addresses on the VM stack are code offsets (a host
// address does not fit a 32-bit word on this platform); nothing in compiled code computes
// with them, so the choice is invisible to programs.
//
// HOSTREL and RELHOST: VM memory is the start of the VM window (engine.h), and every block a
// program can point at lies inside that window, so "host address relative to the memory
// base" and "VM address" are the same 32-bit number. Both instructions leave the word as it
// is; external routines turn VM addresses into host pointers at the call.
#pragma once

#include <cstdint>

namespace tarn::rt {

// The registers of a run in progress, handed between the interpreter and the native tier.
// stopped and exitCode report a standard routine that ended the program.
struct VmState {
    uint32_t pc = 0;
    uint32_t sp = 0;
    uint32_t fp = 0;
    bool stopped = false;
    int exitCode = 0;
};

// Runs the program loaded into g_engine from its entry offset until a standard routine ends
// it (halt, the program's end) or the user breaks it. Returns the exit code. Run-time errors
// do not return: they report and end the process.
int Interpret();

// Runs the loaded program from the given registers to its end, as Interpret does.
int InterpretFrom(VmState vm);

// Runs the one instruction at vm.pc and leaves the registers after it in vm, without the
// loop's per-instruction checks (the caller makes them). Run-time errors do not return.
void InterpretStep(VmState& vm);

// An instruction whose whole work is one out-of-line routine (a standard routine, the string,
// set and variant instructions, ENTER, FILL and a few more), in the form the native tier
// calls directly: a and b are the operands, the registers are read from and left in vm
// (vm.pc is neither read nor set; vm.stopped is set when a standard routine ended the
// program). Like InterpretStep it sets no CUR: the caller does. The interpreter runs the
// same routines with the same register updates.
using OutOfLineInstruction = void (*)(VmState& vm, uint32_t a, uint32_t b);

// The function for opcode op, or null when op is not such an instruction.
OutOfLineInstruction OutOfLineFor(uint32_t op);

// Makes the dispatch loop leave its fast path before the next instruction, where it tests
// the break flag. SetUserBreak calls it after setting the flag. Safe in a signal handler.
void BreakDispatch();

}  // namespace tarn::rt
