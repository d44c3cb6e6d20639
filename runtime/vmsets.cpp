// The set instructions over bit sets and list sets (see vmsets.h).
#include "runtime/vmsets.h"

#include <algorithm>
#include <cstring>

#include "runtime/errors.h"
#include "runtime/vmstrings.h"
#include "vm/bytes.h"

namespace tarn::rt {

namespace {

struct StackSet {
    uint32_t count;     // payload bytes
    uint8_t* payload;
    uint32_t footprint; // bytes of stack the value occupies
};

StackSet SetAt(uint32_t sp) {
    Regs at{sp, 0};
    uint32_t count = VmWord(sp);
    return {count, Mem() + sp + 4, ValueFootprint(at, count)};
}

void RequireKind(uint32_t kind) {
    if (kind != kBitSet && kind != kListSet) RunTimeError("Instruction not yet implemented");
}

// ---- list sets ----

struct MemberList {
    uint32_t size = 0;
    uint32_t members[kMaxListMembers];

    void Add(uint32_t v) {
        if (size == kMaxListMembers) RunTimeError("Set overflow");
        members[size++] = v;
    }
};

uint32_t MemberCount(const StackSet& s) {
    if (s.count % 4 != 0) RunTimeError("Bad set value");
    return s.count / 4;
}

uint32_t Member(const StackSet& s, uint32_t i) { return LoadWord(s.payload + 4 * i); }

bool HasMember(const StackSet& s, uint32_t v) {
    for (uint32_t i = 0, n = MemberCount(s); i < n; ++i)
        if (Member(s, i) == v) return true;
    return false;
}

// Replaces everything from regs.sp up to (not including) top with the list set `list`.
void PushList(Regs& regs, uint32_t top, const MemberList& list) {
    uint32_t sp = top - 4 - 4 * list.size;
    CheckStackPointer(sp);
    for (uint32_t i = 0; i < list.size; ++i) SetVmWord(sp + 4 + 4 * i, list.members[i]);
    SetVmWord(sp, 4 * list.size);
    regs.sp = sp;
}

void ListBinary(Regs& regs, SetOp op) {
    StackSet s2 = SetAt(regs.sp);
    StackSet s1 = SetAt(regs.sp + s2.footprint);
    MemberList out;
    for (uint32_t i = 0, n = MemberCount(s1); i < n; ++i) {
        uint32_t v = Member(s1, i);
        bool keep = op == SetOp::Union || (op == SetOp::Intersection) == HasMember(s2, v);
        if (keep) out.Add(v);
    }
    if (op == SetOp::Union)
        for (uint32_t i = 0, n = MemberCount(s2); i < n; ++i)
            if (!HasMember(s1, Member(s2, i))) out.Add(Member(s2, i));
    PushList(regs, regs.sp + s2.footprint + s1.footprint, out);
}

bool ListContains(const StackSet& outer, const StackSet& inner) {
    for (uint32_t i = 0, n = MemberCount(inner); i < n; ++i)
        if (!HasMember(outer, Member(inner, i))) return false;
    return true;
}

// ---- bit sets ----

void RequireSameSize(const StackSet& a, const StackSet& b) {
    if (a.count != 0 && b.count != 0 && a.count != b.count) RunTimeError("Incompatible set types");
}

uint8_t Combine(SetOp op, uint8_t a, uint8_t b) {
    switch (op) {
    case SetOp::Union: return a | b;
    case SetOp::Intersection: return a & b;
    case SetOp::Difference: return a & ~b;
    }
    return a;
}

// Computed in place in S1's payload; when S1 is the empty set the result takes S2's size,
// so S2 is moved up over S1's lone count word first.
void BitBinary(Regs& regs, SetOp op) {
    StackSet s2 = SetAt(regs.sp);
    StackSet s1 = SetAt(regs.sp + s2.footprint);
    RequireSameSize(s1, s2);
    if (s1.count == 0 && s2.count != 0 && op != SetOp::Difference) {
        std::memmove(Mem() + regs.sp + s1.footprint, Mem() + regs.sp, s2.footprint);
        regs.sp += s1.footprint;
        if (op == SetOp::Intersection) std::memset(Mem() + regs.sp + 4, 0, s2.count);
        return;
    }
    if (s2.count == 0) {
        if (op == SetOp::Intersection) std::memset(s1.payload, 0, s1.count);
    } else {
        for (uint32_t i = 0; i < s1.count; ++i) s1.payload[i] = Combine(op, s1.payload[i], s2.payload[i]);
    }
    regs.sp += s2.footprint;
}

uint8_t ByteOr0(const StackSet& s, uint32_t i) { return s.count == 0 ? 0 : s.payload[i]; }

bool BitRelation(const StackSet& s1, const StackSet& s2, SetRelation r) {
    RequireSameSize(s1, s2);
    uint32_t size = std::max(s1.count, s2.count);
    for (uint32_t i = 0; i < size; ++i) {
        uint8_t a = ByteOr0(s1, i), b = ByteOr0(s2, i);
        bool ok = r == SetRelation::Equal ? a == b : r == SetRelation::Contains ? (b & ~a) == 0 : (a & ~b) == 0;
        if (!ok) return false;
    }
    return true;
}

bool BitIsSet(const uint8_t* bits, uint32_t v) { return (bits[v / 8] >> (v % 8)) & 1; }

// Every member of the set at SP must lie in lo .. hi.
void CheckMembers(const StackSet& s, uint32_t kind, int32_t lo, int32_t hi) {
    auto inRange = [&](int64_t v) { return v >= lo && v <= hi; };
    if (kind == kListSet) {
        for (uint32_t i = 0, n = MemberCount(s); i < n; ++i)
            if (!inRange(static_cast<int32_t>(Member(s, i)))) RunTimeError("Value out of range");
        return;
    }
    for (uint32_t v = 0; v < 8 * uint64_t{s.count}; ++v)
        if (BitIsSet(s.payload, v) && !inRange(v)) RunTimeError("Value out of range");
}

// Appends lo + i for every set bit i of the n-bit set at bits to out.
void CollectBits(const uint8_t* bits, int32_t lo, uint32_t n, MemberList& out) {
    uint32_t bytes = (n + 7) / 8;
    for (uint32_t v = 0; v < 8 * bytes; ++v) {
        if (!BitIsSet(bits, v)) continue;
        if (v >= n) RunTimeError("Access made to undefined variable");
        out.Add(static_cast<uint32_t>(lo) + v);
    }
}

uint32_t BitSetBytes(uint32_t n) {
    uint64_t bytes = (uint64_t{n} + 7) / 8;
    if (bytes > kMaxListMembers / 8) RunTimeError("Bit set range is too big");
    return static_cast<uint32_t>(bytes);
}

}  // namespace

void SetRange(Regs& regs, uint32_t kind) {
    RequireKind(kind);
    int32_t rhi = static_cast<int32_t>(Pop(regs));
    int32_t rlo = static_cast<int32_t>(Pop(regs));
    int32_t hi = static_cast<int32_t>(Pop(regs));
    int32_t lo = static_cast<int32_t>(Pop(regs));
    uint32_t top = regs.sp;
    if (lo > hi) {  // the empty set, whatever the ranges
        CheckStackPointer(uint64_t{top} - 4);
        Push(regs, 0);
        return;
    }
    uint32_t members = static_cast<uint32_t>(hi) - static_cast<uint32_t>(lo) + 1;
    if (static_cast<int32_t>(members) < 1) RunTimeError("Invalid set constructor (range too large)");
    if (rlo > rhi) RunTimeError("Can not create set (low range > high range)");
    if (lo < rlo) RunTimeError("Can not create set (low value < low range)");
    if (hi > rhi) RunTimeError("Can not create set (high value > high range)");
    if (members > kMaxListMembers) RunTimeError("Invalid set constructor (range too large)");
    if (kind == kListSet) {
        MemberList out;
        for (int64_t v = lo; v <= hi; ++v) out.Add(static_cast<uint32_t>(v));
        PushList(regs, top, out);
        return;
    }
    // Bit positions are the values themselves, so a negative member has no bit.
    if (lo < 0) RunTimeError("Value out of range");
    uint32_t bytes = static_cast<uint32_t>(rhi) / 8 + 1;
    uint64_t sp = uint64_t{top} - Footprint(bytes);
    CheckStackPointer(sp);
    uint8_t* bits = Mem() + sp + 4;
    std::memset(bits, 0, Footprint(bytes) - 4);
    for (int64_t v = lo; v <= hi; ++v) bits[v / 8] |= static_cast<uint8_t>(1u << (v % 8));
    regs.sp = static_cast<uint32_t>(sp);
    SetVmWord(regs.sp, bytes);
}

void SetBinary(Regs& regs, uint32_t kind, SetOp op) {
    RequireKind(kind);
    if (kind == kListSet) ListBinary(regs, op);
    else BitBinary(regs, op);
}

void SetIn(Regs& regs, uint32_t kind) {
    RequireKind(kind);
    StackSet s = SetAt(regs.sp);
    uint32_t v = VmWord(regs.sp + s.footprint);
    bool in;
    if (kind == kListSet) {
        in = HasMember(s, v);
    } else if (s.count == 0) {
        in = false;
    } else {
        if (v >= 8 * uint64_t{s.count}) RunTimeError("Type mismatch");
        in = BitIsSet(s.payload, v);
    }
    regs.sp += s.footprint;
    SetVmWord(regs.sp, in ? 1 : 0);
}

void SetCompare(Regs& regs, uint32_t kind, SetRelation r) {
    RequireKind(kind);
    StackSet s2 = SetAt(regs.sp);
    StackSet s1 = SetAt(regs.sp + s2.footprint);
    bool result;
    if (kind == kBitSet) {
        result = BitRelation(s1, s2, r);
    } else if (r == SetRelation::Equal) {
        result = s1.count == s2.count && ListContains(s1, s2);
    } else {
        result = r == SetRelation::Contains ? ListContains(s1, s2) : ListContains(s2, s1);
    }
    regs.sp += s2.footprint + s1.footprint - 4;
    SetVmWord(regs.sp, result ? 1 : 0);
}

void SetCheckRange(Regs& regs, uint32_t kind, int32_t lo, int32_t hi) {
    RequireKind(kind);
    CheckMembers(SetAt(regs.sp), kind, lo, hi);
}

void SetCheckStack(Regs& regs, uint32_t kind) {
    RequireKind(kind);
    int32_t hi = static_cast<int32_t>(Pop(regs));
    int32_t lo = static_cast<int32_t>(Pop(regs));
    CheckMembers(SetAt(regs.sp), kind, lo, hi);
}

void SetNop(uint32_t kind) {
    if (kind != kBitSet && kind != 4) RunTimeError("Instruction not yet implemented");
}

void BitsToList(Regs& regs) {
    uint32_t n = Pop(regs);
    int32_t lo = static_cast<int32_t>(Pop(regs));
    uint32_t bytes = BitSetBytes(n);
    uint32_t top = regs.sp + vm::Align4(bytes);
    CheckStackPointer(top);
    uint8_t bits[kMaxListMembers / 8];
    std::memcpy(bits, VmSpan(regs.sp, bytes), bytes);
    MemberList out;
    CollectBits(bits, lo, n, out);
    PushList(regs, top, out);
}

void MemoryBitsToList(Regs& regs) {
    uint32_t n = Pop(regs);
    int32_t lo = static_cast<int32_t>(Pop(regs));
    uint32_t addr = Pop(regs);
    uint32_t bytes = BitSetBytes(n);
    MemberList out;
    CollectBits(VmSpan(addr, bytes), lo, n, out);
    PushList(regs, regs.sp, out);
}

void ListToMemoryBits(Regs& regs) {
    uint32_t n = Pop(regs);
    int32_t lo = static_cast<int32_t>(Pop(regs));
    StackSet s = SetAt(regs.sp);
    if (s.count % 4 != 0) RunTimeError("Bad set value");
    uint32_t addr = VmWord(regs.sp + s.footprint);
    uint8_t* bits = VmSpan(addr, (uint64_t{n} + 7) / 8);
    std::memset(bits, 0, (uint64_t{n} + 7) / 8);
    for (uint32_t i = 0, count = s.count / 4; i < count; ++i) {
        int64_t offset = int64_t{static_cast<int32_t>(Member(s, i))} - lo;
        if (offset < 0 || offset >= int64_t{n}) RunTimeError("Value out of range");
        bits[offset / 8] |= static_cast<uint8_t>(1u << (offset % 8));
    }
    regs.sp += s.footprint + 4;
}

}  // namespace tarn::rt
