// Variable-length values on the VM stack and the instructions that move them: strings
// (STRFIT, STRNORM, CSTRLD, STRSTO, CSTRSTO, TOCSTR, STRCMP) and LOADV/STOREV.
//
// A value on the stack is a count word at SP followed by its payload, padded to a multiple
// of 4 bytes. For a string the count is its length in characters.
#pragma once

#include <cstdint>

#include "runtime/engine.h"
#include "runtime/window.h"  // VmSpan

namespace tarn::rt {

// Bytes of stack a value with payloadBytes of payload occupies (count word + padding).
constexpr uint64_t Footprint(uint64_t payloadBytes) { return 4 + vm::Align4(payloadBytes); }

// Reports "Invalid Stack Pointer"; never returns.
[[noreturn]] void InvalidStackPointer();

// "Invalid Stack Pointer" unless the stack low limit <= sp <= the stack top. Inline, since
// every instruction that pushes or pops a variable-length value makes this check.
inline void CheckStackPointer(uint64_t sp) {
    if (sp < g_engine.stackLow || sp > g_engine.stackTop) InvalidStackPointer();
}

// The footprint of the value at regs.sp whose payload is payloadBytes, after making sure
// the whole value lies inside the stack (a corrupted count would otherwise let a pop run
// past the stack top).
uint32_t ValueFootprint(const Regs& regs, uint64_t payloadBytes);

// Longest string LOADV reads from memory.
inline constexpr uint32_t kMaxLoadedString = 0x100000;

void StrFit(Regs& regs, uint32_t size);
void StrNorm(Regs& regs, uint32_t size);
void CStrLoad(Regs& regs, uint32_t size);
void StrStore(Regs& regs, uint32_t prefix);
void CStrStore(Regs& regs);
void ToCStr(Regs& regs);
void StrCompare(Regs& regs);
void LoadV(Regs& regs, uint32_t kind);
void StoreV(Regs& regs, uint32_t kind);

}  // namespace tarn::rt
