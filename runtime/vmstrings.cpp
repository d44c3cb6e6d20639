// Strings and variable-length loads and stores (see vmstrings.h).
#include "runtime/vmstrings.h"

#include <algorithm>
#include <cstring>

#include "runtime/errors.h"

namespace tarn::rt {

namespace {

uint8_t* At(uint32_t addr) { return Mem() + addr; }

// The string value on top of the stack.
struct StackString {
    uint32_t length;
    uint8_t* chars;
    uint32_t footprint;
};

StackString TopString(const Regs& regs) {
    uint32_t length = VmWord(regs.sp);
    return {length, At(regs.sp + 4), ValueFootprint(regs, length)};
}

}  // namespace

void InvalidStackPointer() { RunTimeError("Invalid Stack Pointer"); }

uint32_t ValueFootprint(const Regs& regs, uint64_t payloadBytes) {
    uint64_t footprint = Footprint(payloadBytes);
    CheckStackPointer(regs.sp + footprint);
    return static_cast<uint32_t>(footprint);
}

// A string at the top of a stack slot of size bytes (a function result, say) becomes a
// tight value: it moves by size - footprint toward the slot's bottom, so nothing of the
// slot is left below it. The move is checked before any byte is written.
void StrFit(Regs& regs, uint32_t size) {
    StackString s = TopString(regs);
    if (s.footprint != size) {
        int64_t newSp = int64_t{regs.sp} + size - s.footprint;
        CheckStackPointer(newSp < 0 ? uint64_t{0} : uint64_t(newSp));
        std::memmove(At(static_cast<uint32_t>(newSp)), At(regs.sp), uint64_t{s.length} + 4);
        regs.sp = static_cast<uint32_t>(newSp);
    }
    CheckStackPointer(regs.sp);
}

void StrNorm(Regs& regs, uint32_t size) {
    uint32_t prefix = Pop(regs);
    if (prefix != 1) { StrFit(regs, size); return; }
    // A 1-byte-length string: length byte at SP, characters after it.
    uint8_t length = *At(regs.sp);
    CheckStackPointer(uint64_t{regs.sp} + 1 + length);
    std::memmove(At(regs.sp), At(regs.sp + 1), length);
    CheckStackPointer(uint64_t{regs.sp} - 4);
    Push(regs, length);
    StrFit(regs, size + 4);
}

// The characters of a cstring result fill a slot of size bytes; a missing terminator ends
// the string at the slot's end.
void CStrLoad(Regs& regs, uint32_t size) {
    CheckStackPointer(uint64_t{regs.sp} + size);
    const uint8_t* chars = At(regs.sp);
    const void* nul = std::memchr(chars, 0, size);
    uint32_t length = nul ? static_cast<uint32_t>(static_cast<const uint8_t*>(nul) - chars) : size;
    CheckStackPointer(uint64_t{regs.sp} - 4);
    Push(regs, length);
    StrFit(regs, size + 4);
}

// A 1-byte prefix holds at most 255 characters; a longer string is cut rather than given a
// wrong length byte.
void StrStore(Regs& regs, uint32_t prefix) {
    StackString s = TopString(regs);
    uint32_t addr = VmWord(regs.sp + s.footprint);
    uint32_t length = s.length;
    if (prefix == 1) {
        length = std::min<uint32_t>(length, 255);
        uint8_t* dst = VmSpan(addr, uint64_t{length} + 1);
        dst[0] = static_cast<uint8_t>(length);
        std::memmove(dst + 1, s.chars, length);
    } else {
        uint8_t* dst = VmSpan(addr, uint64_t{length} + 4);
        StoreWord(dst, length);
        std::memmove(dst + 4, s.chars, length);
    }
    regs.sp += s.footprint + 4;
}

void CStrStore(Regs& regs) {
    StackString s = TopString(regs);
    uint32_t addr = VmWord(regs.sp + s.footprint);
    uint8_t* dst = VmSpan(addr, uint64_t{s.length} + 1);
    std::memmove(dst, s.chars, s.length);
    dst[s.length] = 0;
    regs.sp += s.footprint + 4;
}

void ToCStr(Regs& regs) {
    uint32_t prefix = Pop(regs);
    uint32_t addr = Pop(regs);
    uint32_t width = prefix == 0 ? 1 : 4;
    uint32_t length = prefix == 0 ? *VmSpan(addr, 1) : LoadWord(VmSpan(addr, 4));
    uint8_t* s = VmSpan(addr, uint64_t{length} + width);
    std::memmove(s, s + width, length);
    s[length] = 0;
}

void StrCompare(Regs& regs) {
    StackString b = TopString(regs);
    Regs below{regs.sp + b.footprint, regs.fp};
    StackString a = TopString(below);
    int c = std::memcmp(a.chars, b.chars, std::min(a.length, b.length));
    if (c == 0) c = a.length < b.length ? -1 : a.length > b.length ? 1 : 0;
    regs.sp = below.sp + a.footprint;
    Push(regs, static_cast<uint32_t>(c < 0 ? -1 : c > 0 ? 1 : 0));
}

// ---- LOADV / STOREV -------------------------------------------------------------------

namespace {

enum class CountFrom : uint8_t { None, Stack, MemoryWord, Terminator };
enum class Unit : uint8_t { Bits, Bytes, Words };

struct VarKind {
    CountFrom count;
    Unit unit;
    bool undefinedCount;  // a count word of all ones is an undefined variable
    bool stringLimit;     // counts above kMaxLoadedString are "String too long"
    bool storable;
};

// Indexed by the kind operand; kinds 2 and 6 are not implemented, 8 is load-only.
constexpr VarKind kVarKinds[] = {
    /* 0 */ {CountFrom::Stack, Unit::Bits, false, false, true},
    /* 1 */ {CountFrom::Stack, Unit::Bytes, false, false, true},
    /* 2 */ {CountFrom::None, Unit::Bytes, false, false, false},
    /* 3 */ {CountFrom::Stack, Unit::Words, false, false, true},
    /* 4 */ {CountFrom::MemoryWord, Unit::Bits, false, false, true},
    /* 5 */ {CountFrom::MemoryWord, Unit::Bytes, true, true, true},
    /* 6 */ {CountFrom::None, Unit::Bytes, false, false, false},
    /* 7 */ {CountFrom::MemoryWord, Unit::Bytes, true, false, true},
    /* 8 */ {CountFrom::Terminator, Unit::Bytes, false, true, false},
};

const VarKind& KindOf(uint32_t kind, bool forStore) {
    if (kind >= std::size(kVarKinds) || kVarKinds[kind].count == CountFrom::None ||
        (forStore && !kVarKinds[kind].storable))
        RunTimeError("Instruction not yet implemented");
    return kVarKinds[kind];
}

uint64_t PayloadBytes(Unit unit, uint64_t n) {
    switch (unit) {
    case Unit::Bits: return (n + 7) / 8;
    case Unit::Bytes: return n;
    case Unit::Words: return 4 * n;
    }
    return n;
}

// Length of the null-terminated characters at addr, at most limit + 1 bytes looked at.
uint64_t TerminatedLength(uint32_t addr, uint64_t limit) {
    uint64_t room = std::min(limit + 1, VmRoom(addr));
    const uint8_t* chars = VmSpan(addr, std::max<uint64_t>(room, 1));  // nothing there: an error
    const void* nul = std::memchr(chars, 0, room);
    return nul ? static_cast<const uint8_t*>(nul) - chars : room;
}

}  // namespace

void LoadV(Regs& regs, uint32_t kind) {
    const VarKind& k = KindOf(kind, false);
    uint64_t n = 0;
    if (k.count == CountFrom::Stack) n = Pop(regs);
    uint32_t addr = Pop(regs);
    uint32_t payloadAddr = addr;
    if (addr != 0 && k.count == CountFrom::MemoryWord) {
        n = LoadWord(VmSpan(addr, 4));
        payloadAddr = addr + 4;
        if (k.undefinedCount && n == kUndefinedWord) RunTimeError("Access made to undefined variable");
    } else if (addr != 0 && k.count == CountFrom::Terminator) {
        n = TerminatedLength(addr, kMaxLoadedString);
    }
    if (k.stringLimit && n > kMaxLoadedString) RunTimeError("String too long");
    uint64_t payload = PayloadBytes(k.unit, n);
    uint64_t newSp = uint64_t{regs.sp} - (Footprint(payload) - 4);
    CheckStackPointer(newSp);
    CheckStackPointer(newSp - 4);
    uint8_t* dst = At(static_cast<uint32_t>(newSp));
    if (addr == 0) std::memset(dst, 0, payload);
    else std::memmove(dst, VmSpan(payloadAddr, payload), payload);
    regs.sp = static_cast<uint32_t>(newSp);
    Push(regs, static_cast<uint32_t>(k.unit == Unit::Words ? payload : n));
}

void StoreV(Regs& regs, uint32_t kind) {
    const VarKind& k = KindOf(kind, true);
    uint32_t count = VmWord(regs.sp);
    // STOREV of kind 3 takes the byte count a LOADV of kind 3 pushed.
    uint64_t payload = k.unit == Unit::Words ? count : PayloadBytes(k.unit, count);
    uint32_t footprint = ValueFootprint(regs, payload);
    uint32_t addr = VmWord(regs.sp + footprint);
    const uint8_t* src = At(regs.sp + 4);
    if (k.count == CountFrom::MemoryWord) {
        uint8_t* dst = VmSpan(addr, payload + 4);
        StoreWord(dst, count);
        std::memmove(dst + 4, src, payload);
    } else {
        std::memmove(VmSpan(addr, payload), src, payload);
    }
    regs.sp += footprint + 4;
}

}  // namespace tarn::rt
