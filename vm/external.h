// The descriptor words of an external routine call: what the code generator pushes for each
// parameter and the result, and what the engine's ExternalCall routine decodes
// (docs/external.md has the whole description).
#pragma once

#include <cstdint>

namespace tarn::vm {

// The kind field (bits 0-6) of a descriptor word.
enum class ExternalKind : uint32_t {
    None = 0,     // no value: a procedure's result
    Ordinal = 1,  // 32-bit integer
    Pointer = 2,  // VM address <-> host pointer
    Real = 3,     // 8-byte double
    Array = 4,    // size word follows
    Record = 5,   // size word follows
    String = 6,   // size word follows
    Single = 7,   // 4-byte float
};

// Bit 7 of a descriptor word: the parameter is a variable parameter, passed by reference.
inline constexpr uint32_t kExternalByReference = 0x80;

}  // namespace tarn::vm
