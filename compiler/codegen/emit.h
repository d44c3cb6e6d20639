// emit: the instruction emitters every part of the code generator goes through.
//
// An instruction is its opcode -- one byte, or a 32-bit word under option zw -- followed
// by its inline operands (32-bit words, or one 8-byte real), all little-endian. Each
// emitter checks the operand shape the caller chose against the instruction table
// (vm/opcodes.def): passing the wrong shape is an internal error, not a wrong image.
// Nothing is emitted once an error has cleared GenerateCode.
#pragma once

#include <cstdint>

#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/writer/image.h"
#include "vm/bytes.h"
#include "vm/opcodes.h"
#include "vm/stdroutines.h"

namespace tarn::tpc {

// Bytes an opcode takes in the code: 4 under option zw, else 1. Inline: every emitter asks.
inline uint32_t OpcodeWidth() { return IsFlagOption(opt::zw) ? 4 : 1; }

namespace emit_internal {
// The emitters' whole path: the table checks, GenerateCode, the opcode width, the append.
uint32_t EmitOpChecked(vm::Op op);
uint32_t EmitOpWordChecked(vm::Op op, uint32_t operand);

// Where an instruction of one-byte opcode and the given operand shape goes when code is
// generated and the code section has room for a whole padded instruction (the room test
// AppendCodePadded makes, so the blocks fill as they did); null otherwise.
inline uint8_t* PlainInstructionPlace(vm::Op op, vm::Operands shape) {
    const vm::OpInfo& info = vm::Info(op);
    if (!info.defined || info.operands != shape || !GenerateCode() || OpcodeWidth() != 1)
        return nullptr;
    return CodeRoomForPadded();
}
}  // namespace emit_internal

// Each returns the code offset at which the instruction starts. The two most common
// shapes are inline: with the opcode a constant, the table checks fold away and the
// instruction is stored straight into the code section.
inline uint32_t EmitOp(vm::Op op) {  // NONE
    if (uint8_t* place = emit_internal::PlainInstructionPlace(op, vm::Operands::NONE)) {
        place[0] = static_cast<uint8_t>(op);
        return CountCodeStored(1);
    }
    return emit_internal::EmitOpChecked(op);
}
inline uint32_t EmitOpWord(vm::Op op, uint32_t operand) {  // W
    if (uint8_t* place = emit_internal::PlainInstructionPlace(op, vm::Operands::W)) {
        place[0] = static_cast<uint8_t>(op);
        vm::StoreLE32(place + 1, operand);
        return CountCodeStored(5);
    }
    return emit_internal::EmitOpWordChecked(op, operand);
}
uint32_t EmitOpWords(vm::Op op, uint32_t first, uint32_t second);  // WW
uint32_t EmitOpReal(vm::Op op, double value);                // R8
// CALLSTD with the standard routine's number.
inline uint32_t EmitCallStd(vm::Std routine) {
    return EmitOpWord(vm::Op::CALLSTD, vm::Number(routine));
}

// The code offset of the first inline operand of the instruction at `instruction`, for
// fix-ups of jump targets and table positions.
uint32_t OperandPosition(uint32_t instruction);

}  // namespace tarn::tpc
