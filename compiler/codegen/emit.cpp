// emit: opcodes with their inline operands, built in a scratch area and appended at once.
#include "compiler/codegen/emit.h"

#include <cstring>

#include "compiler/writer/image.h"
#include "compiler/base/options.h"
#include "vm/bytes.h"

namespace tarn::tpc {

namespace {

// Longest instruction: a word opcode and 8 bytes of operands. The scratch area is a whole
// padded block, so that the writer can copy it with one fixed-size move.
constexpr uint32_t MAX_INSTRUCTION = 4 + 8;
static_assert(MAX_INSTRUCTION <= DATA_BUFFER_PAD);

struct Instruction {
    uint8_t bytes[DATA_BUFFER_PAD] = {};
    uint32_t size = 0;

    void Word(uint32_t v) {
        vm::StoreLE32(bytes + size, v);
        size += 4;
    }
};

// Starts an instruction after checking that `op` takes operands of `shape`; false when
// nothing is to be emitted (no code generation, or a caller's mistake already reported).
bool Begin(Instruction& in, vm::Op op, vm::Operands shape) {
    const vm::OpInfo& info = vm::Info(op);
    if (!CODEGEN_OK(info.defined) || !CODEGEN_OK(info.operands == shape)) return false;
    if (!GenerateCode()) return false;
    if (OpcodeWidth() == 4)
        in.Word(static_cast<uint32_t>(op));
    else
        in.bytes[in.size++] = static_cast<uint8_t>(op);
    return true;
}

uint32_t Finish(const Instruction& in) { return AppendCodePadded(in.bytes, in.size); }

}  // namespace

uint32_t OperandPosition(uint32_t instruction) { return instruction + OpcodeWidth(); }

uint32_t emit_internal::EmitOpChecked(vm::Op op) {
    Instruction in;
    return Begin(in, op, vm::Operands::NONE) ? Finish(in) : GetCodeSize();
}

uint32_t emit_internal::EmitOpWordChecked(vm::Op op, uint32_t operand) {
    Instruction in;
    if (!Begin(in, op, vm::Operands::W)) return GetCodeSize();
    in.Word(operand);
    return Finish(in);
}

uint32_t EmitOpWords(vm::Op op, uint32_t first, uint32_t second) {
    Instruction in;
    if (!Begin(in, op, vm::Operands::WW)) return GetCodeSize();
    in.Word(first);
    in.Word(second);
    return Finish(in);
}

uint32_t EmitOpReal(vm::Op op, double value) {
    Instruction in;
    if (!Begin(in, op, vm::Operands::R8)) return GetCodeSize();
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    in.Word(static_cast<uint32_t>(bits));
    in.Word(static_cast<uint32_t>(bits >> 32));
    return Finish(in);
}

}  // namespace tarn::tpc
