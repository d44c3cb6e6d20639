// emit: the instruction emitters every part of the code generator goes through.
//
// An instruction is its opcode -- one byte, or a 32-bit word under option zw -- followed
// by its inline operands (32-bit words, or one 8-byte real), all little-endian. Each
// emitter checks the operand shape the caller chose against the instruction table
// (vm/opcodes.def): passing the wrong shape is an internal error, not a wrong image.
// Nothing is emitted once an error has cleared GenerateCode.
#pragma once

#include <cstdint>

#include "compiler/base/options.h"
#include "vm/opcodes.h"
#include "vm/stdroutines.h"

namespace tarn::tpc {

// Each returns the code offset at which the instruction starts.
uint32_t EmitOp(vm::Op op);                                  // NONE
uint32_t EmitOpWord(vm::Op op, uint32_t operand);            // W
uint32_t EmitOpWords(vm::Op op, uint32_t first, uint32_t second);  // WW
uint32_t EmitOpReal(vm::Op op, double value);                // R8
// CALLSTD with the standard routine's number.
inline uint32_t EmitCallStd(vm::Std routine) {
    return EmitOpWord(vm::Op::CALLSTD, vm::Number(routine));
}

// Bytes an opcode takes in the code: 4 under option zw, else 1. Inline: every emitter asks.
inline uint32_t OpcodeWidth() { return IsFlagOption(opt::zw) ? 4 : 1; }

// The code offset of the first inline operand of the instruction at `instruction`, for
// fix-ups of jump targets and table positions.
uint32_t OperandPosition(uint32_t instruction);

}  // namespace tarn::tpc
