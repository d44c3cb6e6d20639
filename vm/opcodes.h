// The instruction set shared by the code generator, the engine and the tools.
// Everything here is generated from opcodes.def; nothing restates it by hand.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tarn::vm {

enum class Operands : uint8_t { NONE, W, WW, R8 };

enum class Op : uint8_t {
#define OP(value, name, shape) name = value,
#include "vm/opcodes.def"
#undef OP
};

constexpr uint32_t kLastOpcode = 0x8d;

struct OpInfo {
    std::string_view mnemonic;  // empty for an undefined opcode
    Operands operands;
    bool defined;
};

constexpr std::array<OpInfo, 256> MakeOpTable() {
    std::array<OpInfo, 256> t{};
    for (auto& row : t) row = {{}, Operands::NONE, false};
#define OP(value, name, shape) t[value] = {#name, Operands::shape, true};
#include "vm/opcodes.def"
#undef OP
    return t;
}

inline constexpr std::array<OpInfo, 256> kOpTable = MakeOpTable();

// Bytes of inline operands that follow the opcode.
constexpr uint32_t OperandBytes(Operands o) {
    switch (o) {
    case Operands::NONE: return 0;
    case Operands::W: return 4;
    case Operands::WW: return 8;
    case Operands::R8: return 8;
    }
    return 0;
}

constexpr bool IsDefinedOpcode(uint32_t op) { return op <= 0xff && kOpTable[op].defined; }

constexpr const OpInfo& Info(Op op) { return kOpTable[static_cast<uint8_t>(op)]; }

// Finds an opcode by mnemonic (case-insensitive); returns false when unknown.
constexpr bool FindMnemonic(std::string_view name, Op& out) {
    for (uint32_t v = 0; v < 256; ++v) {
        const auto& row = kOpTable[v];
        if (!row.defined || row.mnemonic.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i) {
            char c = name[i];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            same = c == row.mnemonic[i];
        }
        if (same) { out = static_cast<Op>(v); return true; }
    }
    return false;
}

}  // namespace tarn::vm
