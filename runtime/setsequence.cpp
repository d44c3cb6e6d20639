// Set sequences computed on bits (see setsequence.h).
#include "runtime/setsequence.h"

#include <cstring>

#include "runtime/engine.h"
#include "runtime/vmsets.h"
#include "runtime/window.h"
#include "vm/bytes.h"
#include "vm/opcodes.h"

namespace tarn::rt {

enum class SetStepKind : uint8_t {
    Nop,           // a step the planner dropped again
    Const,         // -- a
    EmptySet,      // -- {}
    ConstSet,      // -- bits
    FramePointer,  // -- FP
    Load,          // address -- value; a: the load's opcode
    LoadAt,        // -- value from address c; a: the load's opcode
    Dup,           // w -- w w
    CheckUndefWord,
    CheckUndefByte,
    CheckRange,    // a <= w <= b, signed
    CheckRangeU,   // a <= w <= b, unsigned
    AddImm,        // w -- w + a
    Unary,         // w -- op w; a: NEG or NOT
    Binary,        // w1 w2 -- w1 op w2; a: the opcode (integer arithmetic and logic)
    Range,         // lo hi -- set of lo .. hi in a .. b
    Union, Intersection, Difference,
    BitsFrom,      // address -- set of the b bits there, member i being a + i
    BitsFromAt,    // the same from address c
    StoreBits,     // address set --; as b bits for a .. a + b - 1
    StoreBitsAt,   // set --; the same to address c
    In,            // w set -- flag
    Equal, Contains, ContainedIn,  // set1 set2 -- flag
};

namespace {

using vm::Op;

constexpr uint32_t kMaxBits = 256;
constexpr uint32_t kListBytes = 4 + 4 * kMaxListMembers;  // the largest list on the stack
constexpr size_t kMaxWords = 32;
constexpr size_t kMaxSets = 8;

struct Bits {
    uint64_t w[4];
};

bool HasBit(const uint64_t* w, uint32_t v) { return (w[v / 64] >> (v % 64)) & 1; }

// Sets bits lo .. hi (0 <= lo <= hi < 256).
void SetBitRange(uint64_t* w, uint32_t lo, uint32_t hi) {
    for (uint32_t i = 0; i < 4; ++i) {
        uint32_t from = 64 * i, to = from + 63;
        if (hi < from || lo > to) continue;
        uint32_t a = lo > from ? lo - from : 0, b = hi < to ? hi - from : 63;
        uint64_t mask = (b == 63 ? ~uint64_t{0} : (uint64_t{1} << (b + 1)) - 1) & ~((uint64_t{1} << a) - 1);
        w[i] |= mask;
    }
}

// The checks SETRNG makes for a non-empty range (any failure is a run-time error), and
// whether its members fit the 256-bit map.
bool RangeFits(int32_t lo, int32_t hi, int32_t rlo, int32_t rhi) {
    uint32_t members = static_cast<uint32_t>(hi) - static_cast<uint32_t>(lo) + 1;
    if (static_cast<int32_t>(members) < 1 || rlo > rhi || lo < rlo || hi > rhi) return false;
    if (members > kMaxListMembers) return false;
    return lo >= 0 && hi < static_cast<int32_t>(kMaxBits);
}

bool IsConstantPush(Op op, uint32_t a, uint32_t& value) {
    switch (op) {
    case Op::PUSH0: value = 0; return true;
    case Op::PUSH1: case Op::PUSHT: case Op::PUSH1B: value = 1; return true;
    case Op::PUSH2: value = 2; return true;
    case Op::PUSH4: case Op::PUSH4B: value = 4; return true;
    case Op::PUSH8: case Op::PUSH8B: value = 8; return true;
    case Op::PUSHI: value = a; return true;
    case Op::PUSHGP: value = g_engine.dataBase; return true;
    default: return false;
    }
}

// The set instructions a sequence may take in (with any kind operand).
bool IsSetInstruction(uint32_t op) {
    switch (static_cast<Op>(op)) {
    case Op::SETRNG: case Op::SETADD: case Op::SETMUL: case Op::SETDIFF: case Op::SETIN:
    case Op::SETEQ: case Op::SETGE: case Op::SETLE: case Op::MBITS2LST: case Op::LST2MBITS:
        return true;
    default:
        return false;
    }
}

// The planner's view of one stack item.
struct Item {
    bool isSet = false;
    bool constant = false;  // a word whose value is known, pushed by its own Const step
    uint32_t value = 0;
    int step = -1;          // the step that pushed it (-1: an item from before the sequence)
    bool entry = false;     // an item from before the sequence
};

class Planner {
public:
    explicit Planner(const std::vector<SetSequenceInst>& insts) : insts_(insts) {}

    // Walks at most limit instructions; returns how many end with the last set instruction
    // that leaves no set on the stack (0: none).
    uint32_t Walk(size_t limit);

    SetSequence seq;

private:
    const std::vector<SetSequenceInst>& insts_;
    std::vector<Item> stack_;
    int64_t depth_ = 0;  // bytes the separate instructions have below the entry SP

    int Emit(SetStepKind kind, uint32_t a = 0, uint32_t b = 0, uint32_t c = 0) {
        SetStep s{kind};
        s.a = a;
        s.b = b;
        s.c = c;
        seq.steps.push_back(s);
        return static_cast<int>(seq.steps.size()) - 1;
    }
    void Drop(const Item& item) { seq.steps[static_cast<size_t>(item.step)].kind = SetStepKind::Nop; }
    void Deeper(int64_t bytes) {
        depth_ += bytes;
        if (depth_ > static_cast<int64_t>(seq.room)) seq.room = static_cast<uint32_t>(depth_);
    }
    // The top item, taking one from before the sequence when there is none: a word, or
    // with asSet a list set.
    Item& Top(bool asSet = false) {
        if (stack_.empty()) {
            Item it;
            it.isSet = asSet;
            it.entry = true;
            stack_.push_back(it);
            seq.entry.push_back(asSet ? 1 : 0);
            ++(asSet ? seq.entrySets : seq.entryWords);
        }
        return stack_.back();
    }
    // A list from before the sequence takes at least one word: counting it as that much
    // keeps the room the later lists need from being underestimated.
    Item Pop(bool asSet = false) {
        Item it = Top(asSet);
        stack_.pop_back();
        depth_ -= it.isSet && !it.entry ? kListBytes : 4;
        return it;
    }
    void PushWord(int step, bool constant = false, uint32_t value = 0) {
        stack_.push_back(Item{false, constant, value, step});
        Deeper(4);
    }
    void PushSet(int step) {
        stack_.push_back(Item{true, false, 0, step});
        Deeper(kListBytes);
    }
    // A word operand; false when a set is there. A constant's push stays a step of its own
    // unless the caller drops it (Drop) to take the value into its own step.
    bool Word(Item& it) {
        it = Pop();
        return !it.isSet;
    }
    // A set operand; the constant 0 (the empty list) is taken as the empty set.
    bool Set(Item& it) {
        it = Pop(true);
        if (it.isSet) return true;
        if (!it.constant || it.value != 0) return false;
        seq.steps[static_cast<size_t>(it.step)].kind = SetStepKind::EmptySet;
        it.isSet = true;
        return true;
    }
    bool Step(const SetSequenceInst& in, bool& setInstruction, bool& last);
};

bool Planner::Step(const SetSequenceInst& in, bool& setInstruction, bool& last) {
    const Op op = static_cast<Op>(in.op);
    uint32_t value = 0;
    if (IsConstantPush(op, in.a, value)) {
        PushWord(Emit(SetStepKind::Const, value), true, value);
        return true;
    }
    switch (op) {
    case Op::PUSHFP: PushWord(Emit(SetStepKind::FramePointer)); return true;
    case Op::LOADB: case Op::LOADH: case Op::LOADHS: case Op::LOADW: {
        Item address;
        if (!Word(address)) return false;
        if (address.constant) {
            Drop(address);
            PushWord(Emit(SetStepKind::LoadAt, in.op, 0, address.value));
        } else {
            PushWord(Emit(SetStepKind::Load, in.op));
        }
        return true;
    }
    case Op::DUP: {
        Item top = Top();
        if (top.isSet) return false;  // the count word of a list
        if (top.constant) PushWord(Emit(SetStepKind::Const, top.value), true, top.value);
        else PushWord(Emit(SetStepKind::Dup));
        return true;
    }
    case Op::ADD: case Op::SUB: case Op::MUL: case Op::MULU: case Op::AND: case Op::OR: case Op::XOR:
    case Op::DIV: case Op::MOD: {
        Item b, a;
        if (!Word(b) || !Word(a)) return false;
        PushWord(Emit(SetStepKind::Binary, in.op));
        return true;
    }
    case Op::CHKUW: case Op::CHKUB: case Op::CHKRNG: case Op::CHKRNGU: case Op::ADDI: case Op::SUBI:
    case Op::NEG: case Op::NOT: {
        Item& top = Top();
        if (top.isSet) return false;
        top.constant = false;  // the step works on the word where its push left it
        switch (op) {
        case Op::CHKUW: Emit(SetStepKind::CheckUndefWord); break;
        case Op::CHKUB: Emit(SetStepKind::CheckUndefByte); break;
        case Op::CHKRNG: Emit(SetStepKind::CheckRange, in.a, in.b); break;
        case Op::CHKRNGU: Emit(SetStepKind::CheckRangeU, in.a, in.b); break;
        case Op::ADDI: Emit(SetStepKind::AddImm, in.a); break;
        case Op::NEG: case Op::NOT: Emit(SetStepKind::Unary, in.op); break;
        default: Emit(SetStepKind::AddImm, 0u - in.a); break;
        }
        return true;
    }
    case Op::SETRNG: {
        if (in.a != kListSet) return false;
        Item rhi, rlo, hi, lo;
        if (!Word(rhi) || !Word(rlo) || !Word(hi) || !Word(lo) || !rhi.constant || !rlo.constant) return false;
        Drop(rhi);
        Drop(rlo);
        setInstruction = true;
        if (lo.constant && hi.constant) {
            auto l = static_cast<int32_t>(lo.value), h = static_cast<int32_t>(hi.value);
            SetStep s{SetStepKind::ConstSet};
            if (l <= h) {
                if (!RangeFits(l, h, static_cast<int32_t>(rlo.value), static_cast<int32_t>(rhi.value))) return false;
                SetBitRange(s.bits, static_cast<uint32_t>(l), static_cast<uint32_t>(h));
            }
            Drop(lo);
            Drop(hi);
            seq.steps.push_back(s);
            PushSet(static_cast<int>(seq.steps.size()) - 1);
            return true;
        }
        PushSet(Emit(SetStepKind::Range, rlo.value, rhi.value));
        return true;
    }
    case Op::SETADD: case Op::SETMUL: case Op::SETDIFF: {
        if (in.a != kListSet) return false;
        Item s2, s1;
        if (!Set(s2) || !Set(s1)) return false;
        setInstruction = true;
        auto kindOf = [&](const Item& it) {
            return it.entry ? SetStepKind::Nop : seq.steps[static_cast<size_t>(it.step)].kind;
        };
        const SetStepKind s1Kind = kindOf(s1), s2Kind = kindOf(s2);
        // With the empty set pushed for a constructor: [] + S is S, S + [] and S - [] are S.
        if (op == Op::SETADD && s1Kind == SetStepKind::EmptySet) {
            Drop(s1);
            PushSet(s2.step);
            return true;
        }
        if (op != Op::SETMUL && s2Kind == SetStepKind::EmptySet) {
            Drop(s2);
            PushSet(s1.step);
            return true;
        }
        if (s1Kind == SetStepKind::ConstSet && s2Kind == SetStepKind::ConstSet) {
            // Two constant maps (the members of a constant constructor): one map.
            uint64_t* a = seq.steps[static_cast<size_t>(s1.step)].bits;
            const uint64_t* b = seq.steps[static_cast<size_t>(s2.step)].bits;
            for (int i = 0; i < 4; ++i)
                a[i] = op == Op::SETADD ? a[i] | b[i] : op == Op::SETMUL ? a[i] & b[i] : a[i] & ~b[i];
            Drop(s2);
            PushSet(s1.step);
            return true;
        }
        PushSet(Emit(op == Op::SETADD ? SetStepKind::Union : op == Op::SETMUL ? SetStepKind::Intersection
                                                                               : SetStepKind::Difference));
        return true;
    }
    case Op::MBITS2LST: {
        Item n, lo, address;
        if (!Word(n) || !Word(lo) || !Word(address) || !n.constant || !lo.constant) return false;
        auto l = static_cast<int32_t>(lo.value);
        if (n.value > kMaxBits || l < 0 || static_cast<uint32_t>(l) + n.value > kMaxBits) return false;
        Drop(n);
        Drop(lo);
        setInstruction = true;
        if (address.constant) {
            Drop(address);
            PushSet(Emit(SetStepKind::BitsFromAt, lo.value, n.value, address.value));
        } else {
            PushSet(Emit(SetStepKind::BitsFrom, lo.value, n.value));
        }
        return true;
    }
    case Op::LST2MBITS: {
        Item n, lo, s, address;
        if (!Word(n) || !Word(lo) || !Set(s) || !Word(address) || !n.constant || !lo.constant) return false;
        if (n.value > kMaxBits) return false;
        Drop(n);
        Drop(lo);
        setInstruction = true;
        last = true;  // the store ends the sequence: every read in it comes before
        if (address.constant) {
            Drop(address);
            Emit(SetStepKind::StoreBitsAt, lo.value, n.value, address.value);
        } else {
            Emit(SetStepKind::StoreBits, lo.value, n.value);
        }
        return true;
    }
    case Op::SETIN: {
        if (in.a != kListSet) return false;
        Item s, v;
        if (!Set(s) || !Word(v)) return false;
        setInstruction = true;
        PushWord(Emit(SetStepKind::In));
        return true;
    }
    case Op::SETEQ: case Op::SETGE: case Op::SETLE: {
        if (in.a != kListSet) return false;
        Item s2, s1;
        if (!Set(s2) || !Set(s1)) return false;
        setInstruction = true;
        PushWord(Emit(op == Op::SETEQ ? SetStepKind::Equal : op == Op::SETGE ? SetStepKind::Contains
                                                                             : SetStepKind::ContainedIn));
        return true;
    }
    default:
        return false;
    }
}

uint32_t Planner::Walk(size_t limit) {
    uint32_t end = 0;
    for (size_t i = 0; i < limit && i < insts_.size(); ++i) {
        bool setInstruction = false, last = false;
        if (!Step(insts_[i], setInstruction, last)) break;
        size_t words = 0, sets = 0;
        for (const Item& it : stack_) (it.isSet ? sets : words) += 1;
        if (words + seq.entryWords > kMaxWords || sets + seq.entrySets > kMaxSets) break;
        if (setInstruction && sets == 0) end = static_cast<uint32_t>(i + 1);
        if (last) break;
    }
    return end;
}

// ---- running ----

// a op b for the integer operations a sequence may hold; false for a division by zero and a
// negative or zero MOD divisor (the instruction's own errors).
bool Arithmetic(uint32_t op, uint32_t a, uint32_t b, uint32_t& out) {
    const auto sa = static_cast<int32_t>(a), sb = static_cast<int32_t>(b);
    switch (static_cast<Op>(op)) {
    case Op::ADD: out = a + b; return true;
    case Op::SUB: out = a - b; return true;
    case Op::MUL: case Op::MULU: out = a * b; return true;
    case Op::AND: out = a & b; return true;
    case Op::OR: out = a | b; return true;
    case Op::XOR: out = a ^ b; return true;
    case Op::DIV:
        if (sb == 0) return false;
        out = DivideWrapping(sa, sb);
        return true;
    default:  // MOD
        if (sb <= 0) return false;
        out = ModPositive(sa, sb);
        return true;
    }
}

uint32_t LoadSized(uint32_t op, uint32_t address, bool& ok) {
    if (address == 0) return 0;  // a load from address 0 gives 0
    const uint32_t size = op == static_cast<uint32_t>(Op::LOADB) ? 1 : op == static_cast<uint32_t>(Op::LOADW) ? 4 : 2;
    if (VmRoom(address) < size) { ok = false; return 0; }
    const uint8_t* p = Mem() + address;
    uint16_t half;
    switch (static_cast<Op>(op)) {
    case Op::LOADB: return *p;
    case Op::LOADH: std::memcpy(&half, p, 2); return half;
    case Op::LOADHS: std::memcpy(&half, p, 2); return static_cast<uint32_t>(int32_t{static_cast<int16_t>(half)});
    default: return LoadWord(p);
    }
}

// The map shifted toward higher members by k (0 <= k < 256) or, ShiftDown, lower ones.
Bits ShiftUp(const Bits& b, uint32_t k) {
    Bits out{{0, 0, 0, 0}};
    const uint32_t words = k / 64, bits = k % 64;
    for (uint32_t i = words; i < 4; ++i) {
        uint32_t from = i - words;
        out.w[i] = b.w[from] << bits;
        if (bits != 0 && from > 0) out.w[i] |= b.w[from - 1] >> (64 - bits);
    }
    return out;
}

Bits ShiftDown(const Bits& b, uint32_t k) {
    Bits out{{0, 0, 0, 0}};
    const uint32_t words = k / 64, bits = k % 64;
    for (uint32_t i = 0; i + words < 4; ++i) {
        uint32_t from = i + words;
        out.w[i] = b.w[from] >> bits;
        if (bits != 0 && from < 3) out.w[i] |= b.w[from + 1] << (64 - bits);
    }
    return out;
}

// The members 0 .. n-1 (n <= 256).
Bits LowMask(uint32_t n) {
    Bits m{{0, 0, 0, 0}};
    for (uint32_t i = 0; i < 4; ++i) {
        if (n >= 64 * (i + 1)) m.w[i] = ~uint64_t{0};
        else if (n > 64 * i) m.w[i] = (uint64_t{1} << (n - 64 * i)) - 1;
    }
    return m;
}

bool Empty(const Bits& b) { return (b.w[0] | b.w[1] | b.w[2] | b.w[3]) == 0; }

// The bit set of n bits at address, as members lo + i (lo + n <= 256); false when a bit at
// or beyond n is set (an undefined set) or the bytes are not all in VM memory.
bool ReadBits(uint32_t address, uint32_t lo, uint32_t n, Bits& out) {
    out = Bits{{0, 0, 0, 0}};
    const uint32_t bytes = (n + 7) / 8;
    if (bytes == 0) return true;
    const uint64_t room = VmRoom(address);
    if (room < bytes) return false;
    Bits raw{{0, 0, 0, 0}};
    if (room >= sizeof raw.w) std::memcpy(raw.w, Mem() + address, sizeof raw.w);  // little-endian bytes
    else std::memcpy(raw.w, Mem() + address, bytes);
    // Only the set's own bytes count; within them, a bit at or beyond n is undefined.
    const Bits own = LowMask(8 * bytes), inside = LowMask(n);
    for (int i = 0; i < 4; ++i) {
        raw.w[i] &= own.w[i];
        if ((raw.w[i] & ~inside.w[i]) != 0) return false;
    }
    out = lo == 0 ? raw : ShiftUp(raw, lo);
    return true;
}

// Stores the set as n bits (n <= 256) for the members lo .. lo + n - 1 at address; false
// (nothing stored) when a member lies outside them or the bytes are not all in VM memory.
bool WriteBits(const Bits& s, int32_t lo, uint32_t n, uint32_t address) {
    Bits stored{{0, 0, 0, 0}};
    if (!Empty(s)) {
        // The members are 0 .. 255: outside lo .. lo + n - 1 unless 0 <= lo < 256.
        if (lo < 0 || lo >= static_cast<int32_t>(kMaxBits)) return false;
        const auto from = static_cast<uint32_t>(lo);
        const Bits below = LowMask(from);
        for (int i = 0; i < 4; ++i)
            if ((s.w[i] & below.w[i]) != 0) return false;
        stored = from == 0 ? s : ShiftDown(s, from);
        const Bits inside = LowMask(n);
        for (int i = 0; i < 4; ++i)
            if ((stored.w[i] & ~inside.w[i]) != 0) return false;
    }
    const uint32_t bytes = (n + 7) / 8;
    if (bytes == 0) return true;
    if (VmRoom(address) < bytes) return false;
    if (bytes == sizeof stored.w) std::memcpy(Mem() + address, stored.w, sizeof stored.w);
    else std::memcpy(Mem() + address, stored.w, bytes);
    return true;
}

bool Subset(const Bits& inner, const Bits& outer) {
    for (int i = 0; i < 4; ++i)
        if ((inner.w[i] & ~outer.w[i]) != 0) return false;
    return true;
}

}  // namespace

bool SetSequenceMayTake(uint32_t op) {
    uint32_t value = 0;
    if (IsConstantPush(static_cast<Op>(op), 0, value)) return true;
    switch (static_cast<Op>(op)) {
    case Op::PUSHFP:
    case Op::LOADB: case Op::LOADH: case Op::LOADHS: case Op::LOADW: case Op::DUP:
    case Op::ADD: case Op::SUB: case Op::MUL: case Op::MULU: case Op::AND: case Op::OR: case Op::XOR:
    case Op::DIV: case Op::MOD: case Op::CHKUW: case Op::CHKUB: case Op::CHKRNG: case Op::CHKRNGU:
    case Op::ADDI: case Op::SUBI: case Op::NEG: case Op::NOT:
        return true;
    default:
        return IsSetInstruction(op);
    }
}

std::unique_ptr<SetSequence> PlanSetSequence(const std::vector<SetSequenceInst>& insts) {
    bool any = false;
    for (const SetSequenceInst& in : insts) any = any || IsSetInstruction(in.op);
    if (!any) return nullptr;
    Planner probe(insts);
    uint32_t end = probe.Walk(insts.size());
    if (end < 2) return nullptr;
    // Again up to the end found: the first walk may have folded pushes into instructions
    // beyond it.
    Planner plan(insts);
    if (plan.Walk(end) != end) return nullptr;
    auto seq = std::make_unique<SetSequence>();
    seq->length = end;
    seq->entryWords = plan.seq.entryWords;
    seq->entrySets = plan.seq.entrySets;
    seq->entry = plan.seq.entry;
    seq->room = plan.seq.room;
    for (const SetStep& s : plan.seq.steps)
        if (s.kind != SetStepKind::Nop) seq->steps.push_back(s);
    return seq;
}

uint32_t RunSetSequence(VmState& vm, const SetSequence& seq) {
    const uint32_t sp = vm.sp;
    // Room for every list the separate instructions would push, and the words it reads
    // from before it inside the stack.
    if (uint64_t{sp} < uint64_t{g_engine.stackLow} + seq.room) return 0;
    uint8_t* const M = Mem();
    uint32_t words[kMaxWords];
    Bits sets[kMaxSets];
    size_t nw = seq.entryWords, ns = seq.entrySets;
    // The items from before the sequence, from SP up, each inside the stack; a list must be
    // well formed (whole words, at most 256 members, each once) with members 0 .. 255.
    uint64_t p = sp;
    size_t wi = nw, si = ns;
    for (uint8_t isList : seq.entry) {
        if (p + 4 > g_engine.stackTop) return 0;
        const uint32_t count = LoadWord(M + p);
        if (!isList) {
            words[--wi] = count;
            p += 4;
            continue;
        }
        if (count % 4 != 0 || count / 4 > kMaxListMembers || p + 4 + count > g_engine.stackTop) return 0;
        Bits& set = sets[--si];
        set = Bits{{0, 0, 0, 0}};
        for (uint32_t k = 0; k < count / 4; ++k) {
            const uint32_t v = LoadWord(M + p + 4 + 4 * k);
            if (v >= kMaxBits || HasBit(set.w, v)) return 0;
            set.w[v / 64] |= uint64_t{1} << (v % 64);
        }
        p += 4 + count;
    }
    bool ok = true;
    for (const SetStep& s : seq.steps) {
        switch (s.kind) {
        case SetStepKind::Nop: break;
        case SetStepKind::Const: words[nw++] = s.a; break;
        case SetStepKind::EmptySet: sets[ns++] = Bits{{0, 0, 0, 0}}; break;
        case SetStepKind::ConstSet: std::memcpy(sets[ns++].w, s.bits, sizeof s.bits); break;
        case SetStepKind::FramePointer: words[nw++] = vm.fp; break;
        case SetStepKind::Load: words[nw - 1] = LoadSized(s.a, words[nw - 1], ok); break;
        case SetStepKind::LoadAt: words[nw++] = LoadSized(s.a, s.c, ok); break;
        case SetStepKind::Dup: words[nw] = words[nw - 1]; ++nw; break;
        case SetStepKind::CheckUndefWord: ok = words[nw - 1] != kUndefinedWord; break;
        case SetStepKind::CheckUndefByte: ok = words[nw - 1] != kUndefinedByte; break;
        case SetStepKind::CheckRange: {
            auto w = static_cast<int32_t>(words[nw - 1]);
            ok = w >= static_cast<int32_t>(s.a) && w <= static_cast<int32_t>(s.b);
            break;
        }
        case SetStepKind::CheckRangeU: ok = words[nw - 1] >= s.a && words[nw - 1] <= s.b; break;
        case SetStepKind::AddImm: words[nw - 1] += s.a; break;
        case SetStepKind::Unary:
            words[nw - 1] = static_cast<Op>(s.a) == Op::NEG ? 0u - words[nw - 1] : ~words[nw - 1];
            break;
        case SetStepKind::Binary: {
            uint32_t b = words[--nw];
            ok = Arithmetic(s.a, words[nw - 1], b, words[nw - 1]);
            break;
        }
        case SetStepKind::Range: {
            auto hi = static_cast<int32_t>(words[--nw]), lo = static_cast<int32_t>(words[--nw]);
            Bits& out = sets[ns++];
            out = Bits{{0, 0, 0, 0}};
            if (lo > hi) break;  // the empty set, without checks
            ok = RangeFits(lo, hi, static_cast<int32_t>(s.a), static_cast<int32_t>(s.b));
            if (ok) SetBitRange(out.w, static_cast<uint32_t>(lo), static_cast<uint32_t>(hi));
            break;
        }
        case SetStepKind::Union: case SetStepKind::Intersection: case SetStepKind::Difference: {
            const Bits& b = sets[--ns];
            Bits& a = sets[ns - 1];
            for (int i = 0; i < 4; ++i) {
                a.w[i] = s.kind == SetStepKind::Union ? a.w[i] | b.w[i]
                       : s.kind == SetStepKind::Intersection ? a.w[i] & b.w[i] : a.w[i] & ~b.w[i];
            }
            break;
        }
        case SetStepKind::BitsFrom: ok = ReadBits(words[--nw], s.a, s.b, sets[ns++]); break;
        case SetStepKind::BitsFromAt: ok = ReadBits(s.c, s.a, s.b, sets[ns++]); break;
        case SetStepKind::StoreBits: {
            const Bits& set = sets[--ns];
            ok = WriteBits(set, static_cast<int32_t>(s.a), s.b, words[--nw]);
            break;
        }
        case SetStepKind::StoreBitsAt: ok = WriteBits(sets[--ns], static_cast<int32_t>(s.a), s.b, s.c); break;
        case SetStepKind::In: {
            const Bits& set = sets[--ns];
            uint32_t v = words[nw - 1];
            words[nw - 1] = v < kMaxBits && HasBit(set.w, v) ? 1 : 0;
            break;
        }
        case SetStepKind::Equal: case SetStepKind::Contains: case SetStepKind::ContainedIn: {
            const Bits& s2 = sets[--ns];
            const Bits& s1 = sets[--ns];
            bool r = s.kind == SetStepKind::Equal ? Subset(s1, s2) && Subset(s2, s1)
                   : s.kind == SetStepKind::Contains ? Subset(s2, s1) : Subset(s1, s2);
            words[nw++] = r ? 1 : 0;
            break;
        }
        }
        if (!ok) return 0;
    }
    const auto newSp = static_cast<uint32_t>(p - 4 * nw);
    for (size_t i = 0; i < nw; ++i) StoreWord(M + newSp + 4 * (nw - 1 - i), words[i]);
    vm.sp = newSp;
    return 1;
}

}  // namespace tarn::rt
