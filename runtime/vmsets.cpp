// The set instructions over bit sets and list sets (see vmsets.h).
#include "runtime/vmsets.h"

#include <algorithm>
#include <bit>
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

// The set value at sp; "Invalid Stack Pointer" unless all of it lies on the stack (the
// check ValueFootprint makes, without its register record).
StackSet SetAt(uint32_t sp) {
    uint32_t count = VmWord(sp);
    uint64_t footprint = Footprint(count);
    uint64_t end = uint64_t{sp} + footprint;
    CheckStackPointer(end);
    return {count, Mem() + sp + 4, static_cast<uint32_t>(footprint)};
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

// Membership in a list set for many questions in a row. When the questions would walk the
// list often enough, and its members lie within kIndexSpan consecutive values, a bitmap of
// that window is built first, so that each question costs one bit test.
class MemberIndex {
public:
    static constexpr uint32_t kIndexSpan = 4096;

    // questions: how many lookups will follow (a bitmap is not worth it for a handful).
    MemberIndex(const StackSet& s, uint32_t members, uint32_t questions) : s_(s), n_(members) {
        if (members < 2 || uint64_t{members} * questions < 32) return;
        int32_t lo = static_cast<int32_t>(Member(s, 0)), hi = lo;
        for (uint32_t i = 1; i < members; ++i) {
            int32_t v = static_cast<int32_t>(Member(s, i));
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        uint64_t span = uint64_t(int64_t{hi} - lo) + 1;
        if (span > kIndexSpan) return;
        low_ = static_cast<uint32_t>(lo);
        span_ = static_cast<uint32_t>(span);
        std::memset(bits_, 0, 8 * ((span_ + 63) / 64));
        for (uint32_t i = 0; i < members; ++i) {
            uint32_t offset = Member(s, i) - low_;
            bits_[offset / 64] |= uint64_t{1} << (offset % 64);
        }
        indexed_ = true;
    }

    bool Has(uint32_t v) const {
        if (!indexed_) {
            for (uint32_t i = 0; i < n_; ++i)
                if (Member(s_, i) == v) return true;
            return false;
        }
        uint32_t offset = v - low_;
        return offset < span_ && ((bits_[offset / 64] >> (offset % 64)) & 1);
    }

private:
    const StackSet& s_;
    uint32_t n_;
    bool indexed_ = false;
    uint32_t low_ = 0, span_ = 0;
    uint64_t bits_[kIndexSpan / 64];
};

// Replaces everything from regs.sp up to (not including) top with the list set `list`.
void PushList(Regs& regs, uint32_t top, const MemberList& list) {
    uint32_t sp = top - 4 - 4 * list.size;
    CheckStackPointer(sp);
    if (list.size) std::memcpy(Mem() + sp + 4, list.members, 4 * list.size);
    SetVmWord(sp, 4 * list.size);
    regs.sp = sp;
}

// Sets SP to sp, the start of a result that lies inside the operands' space, after the check
// every push of a set value makes.
void SetResultSp(Regs& regs, uint32_t sp) {
    CheckStackPointer(sp);
    regs.sp = sp;
}

// S1 op S2 for list sets. A union keeps S1's members in their order and appends S2's members
// that S1 lacks; an intersection or a difference keeps S1's order. The members are checked
// in the order a walk through S1 and then S2 meets them, so a malformed operand or a result
// of more than 256 members is reported exactly where that walk would find it. The result is
// built where it ends up: S1's members only ever move toward the top of the stack (kept
// members of an intersection or difference) or into the space S2 leaves (a union).
void ListBinary(Regs& regs, SetOp op) {
    StackSet s2 = SetAt(regs.sp);
    StackSet s1 = SetAt(regs.sp + s2.footprint);
    uint32_t top = regs.sp + s2.footprint + s1.footprint;
    uint32_t n1 = MemberCount(s1);
    if (op == SetOp::Union) {
        if (n1 > kMaxListMembers) RunTimeError("Set overflow");
        uint32_t n2 = MemberCount(s2);
        if (n1 == 0 || n2 == 0) {
            // One operand is empty: the result is the other one, already in place once S2
            // has moved up over S1's lone count word.
            if (n2 > kMaxListMembers) RunTimeError("Set overflow");
            if (n1 == 0) std::memmove(Mem() + regs.sp + 4, Mem() + regs.sp, s2.footprint);
            SetResultSp(regs, top - 4 - 4 * n1 - 4 * n2);
            return;
        }
        uint32_t added[kMaxListMembers];
        uint32_t m = 0;
        MemberIndex inS1(s1, n1, n2);
        for (uint32_t i = 0; i < n2; ++i) {
            uint32_t v = Member(s2, i);
            if (inS1.Has(v)) continue;
            if (n1 + m == kMaxListMembers) RunTimeError("Set overflow");
            added[m++] = v;
        }
        // S1's members go down by the room the added ones need, which S2 has left free.
        uint8_t* at = Mem() + top;
        std::memmove(at - 4 * (n1 + m), at - 4 * n1, 4 * n1);
        if (m) std::memcpy(at - 4 * m, added, 4 * m);
        SetResultSp(regs, top - 4 - 4 * (n1 + m));
        SetVmWord(regs.sp, 4 * (n1 + m));
        return;
    }
    uint32_t kept = 0;
    if (n1 != 0) {
        uint32_t n2 = MemberCount(s2);
        if (n2 == 0 && op == SetOp::Difference) {
            // S1 without nothing is S1, which already lies where the result goes.
            if (n1 > kMaxListMembers) RunTimeError("Set overflow");
            SetResultSp(regs, top - 4 - 4 * n1);
            return;
        }
        bool keepMembers = op == SetOp::Intersection;
        MemberIndex inS2(s2, n2, n1);
        // From the last member to the first, each kept member moves up to the next free word
        // below top, which is never below the member itself; S2 stays untouched below S1.
        uint8_t* write = Mem() + top;
        for (uint32_t i = n1; i-- > 0;) {
            uint32_t v = Member(s1, i);
            if (inS2.Has(v) != keepMembers) continue;
            write -= 4;
            StoreWord(write, v);
            ++kept;
        }
        if (kept > kMaxListMembers) RunTimeError("Set overflow");
    }
    SetResultSp(regs, top - 4 - 4 * kept);
    SetVmWord(regs.sp, 4 * kept);
}

// Every member of inner is a member of outer.
bool ListContains(const StackSet& outer, const StackSet& inner) {
    uint32_t n = MemberCount(inner);
    if (n == 0) return true;
    MemberIndex inOuter(outer, MemberCount(outer), n);
    for (uint32_t i = 0; i < n; ++i)
        if (!inOuter.Has(Member(inner, i))) return false;
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

// Appends lo + i for every set bit i of the n-bit set at bits to out, lowest first; a set bit
// at or beyond n is "Access made to undefined variable". n is at most 256, so out never
// overflows.
void CollectBits(const uint8_t* bits, int32_t lo, uint32_t n, MemberList& out) {
    uint32_t bytes = (n + 7) / 8;
    for (uint32_t at = 0; at < bytes; at += 8) {
        uint64_t word = 0;
        std::memcpy(&word, bits + at, std::min<uint32_t>(8, bytes - at));  // little-endian bytes
        while (word != 0) {
            uint32_t v = 8 * at + static_cast<uint32_t>(std::countr_zero(word));
            if (v >= n) RunTimeError("Access made to undefined variable");
            out.members[out.size++] = static_cast<uint32_t>(lo) + v;
            word &= word - 1;
        }
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
        uint32_t sp = top - 4 - 4 * members;
        CheckStackPointer(sp);
        uint8_t* at = Mem() + sp;
        StoreWord(at, 4 * members);
        for (uint32_t i = 0; i < members; ++i) StoreWord(at + 4 + 4 * i, static_cast<uint32_t>(lo) + i);
        regs.sp = sp;
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
        uint32_t bit = static_cast<uint32_t>(offset);
        bits[bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
    }
    regs.sp += s.footprint + 4;
}

}  // namespace tarn::rt
