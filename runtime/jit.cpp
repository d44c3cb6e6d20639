// The native tier (see jit.h).
//
// Host registers while translated code runs:
//   ebx  SP, less the pushes and pops of the current stretch of straight code that are not
//        yet applied (Translator::delta_); every stack access is [r12 + rbx + small offset]
//   r12  the VM window's base          r13d FP
//   r14  the entry table: one host address per code offset, for computed jumps and returns
//   r15  the NativeContext             rbp  &g_engine.cur
// Every address the code forms is base + a zero-extended 32-bit value + at most a few bytes,
// so, as in the interpreter, no access can leave the 4 GiB + guard window; a fault inside it
// is the fault handler's "Invalid memory access", reported at the instruction whose code
// the faulting host instruction belongs to (NoteNativeFault).
//
// Within a stretch of straight code the top stack words live in host registers: a small
// cache remembers which register holds each of them, and a word pushed there is written to
// VM memory only when something may read it there (a pending word): before every jump,
// call, step of the interpreter or cold path, before a load or store through an address
// that may reach it, and when its cache entry is needed. A word popped before any of those
// is never written, so the words below SP may differ from the interpreter's (the code
// generator never reads a stack word below SP before writing it, and a fault ends the run);
// every word at or above SP is exact wherever anything can observe it. The cache is
// forgotten at jump targets, after a store through an address that may alias the stack and
// around calls of the interpreter. An instruction whose entry has a non-empty cache is not
// in the entry table; a computed jump to it hands the run over to the interpreter, as does
// a jump to any offset that is not the start of an instruction.
//
// Checks that fail go to the interpreter's implementation of the same instruction, which
// reports the error with its own message, so the tiers cannot disagree on an error.
#include "runtime/jit.h"

#include <cassert>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/setsequence.h"
#include "runtime/stdroutines.h"
#include "vm/opcodes.h"
#include "vm/stdroutines.h"

#if defined(__x86_64__) && !defined(TARN_NO_NATIVE_TIER)
#define TARN_NATIVE_TIER 1
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <ucontext.h>

#include <algorithm>

#include "runtime/jit_x86.h"
#endif

namespace tarn::rt {

#ifndef TARN_NATIVE_TIER

bool UseNativeTier() { return false; }
int RunNative(VmState vm) { return InterpretFrom(vm); }
void NoteBreakForNative() {}
void NoteNativeFault(const void*) {}

#else

namespace {

using vm::Op;
using vm::Operands;
namespace x86 = x64;

// What translated code reaches through r15. The VmState comes first: InterpretStep takes
// the context's address as its VmState.
struct NativeContext {
    VmState vm;
    uint8_t* mem = nullptr;
    const uint64_t* table = nullptr;
    volatile uint32_t* cur = nullptr;
    volatile uint32_t breakRequested = 0;
    int stdExitCode = 0;  // the exit code a directly called standard routine sets
};

// The translated image of the current run: W^X memory (written, then made executable and
// read-only) and, for the fault handler, where each instruction's code begins.
struct NativeImage {
    uint8_t* code = nullptr;
    size_t mapped = 0;
    size_t bodyEnd = 0;                 // end of the instructions' code (cold paths follow)
    std::vector<uint64_t> table;        // code offset -> host address
    std::vector<uint32_t> starts;       // host offset where an instruction's code begins
    std::vector<uint32_t> pcs;          // that instruction's code offset
    std::vector<std::unique_ptr<SetSequence>> setSequences;  // what the code's set calls read
};

NativeContext g_context;
NativeImage g_image;

void ReleaseImage() {
    if (g_image.code != nullptr) munmap(g_image.code, g_image.mapped);
    g_image = NativeImage{};
}

// One decoded instruction of the linear walk over the code.
struct Inst {
    uint32_t pc;
    uint32_t length;
    uint32_t op;     // kBadOp: undefined, or cut off by the end of the code
    uint32_t a, b;
    double r;
};

constexpr uint32_t kBadOp = 256;

std::vector<Inst> Decode() {
    const uint8_t* code = g_engine.code;
    const uint32_t size = g_engine.codeSize;
    const uint32_t width = g_engine.wordOpcodes ? 4 : 1;
    std::vector<Inst> out;
    uint32_t pc = 0;
    while (pc < size) {
        Inst in{pc, width, kBadOp, 0, 0, 0.0};
        if (size - pc < width) { out.push_back(in); break; }
        uint32_t op = width == 4 ? LoadWord(code + pc) : code[pc];
        if (vm::IsDefinedOpcode(op)) {
            Operands shape = vm::kOpTable[op].operands;
            uint32_t length = width + vm::OperandBytes(shape);
            if (size - pc < length) { out.push_back(in); break; }
            in.op = op;
            in.length = length;
            if (shape == Operands::W || shape == Operands::WW) in.a = LoadWord(code + pc + width);
            if (shape == Operands::WW) in.b = LoadWord(code + pc + width + 4);
            if (shape == Operands::R8) in.r = LoadReal(code + pc + width);
        }
        out.push_back(in);
        pc += in.length;
    }
    return out;
}

// The host registers that may hold cached stack words (all caller-saved).
const x86::Gp kPool[] = {x86::eax, x86::ecx, x86::edx, x86::esi, x86::edi,
                         x86::r8d, x86::r9d, x86::r10d, x86::r11d};
constexpr int kPoolSize = sizeof kPool / sizeof kPool[0];
// FoldedAddress's register for a frame address: FP itself (r13), not a pool register.
constexpr int kFrameBase = -2;
constexpr int kCacheDepth = 8;
constexpr int kOperandDepth = 3;  // the top words an instruction may take at once (STORER)
// Reals: xmm3..xmm15 may hold cached 8-byte stack values (xmm0..xmm2 are scratch).
constexpr int kFirstRealReg = 3, kRealRegs = 16;
constexpr int kRealDepth = 8;  // at most this many cached reals
constexpr int kMaxDelta = 1024;  // pending SP moves, in bytes either way
constexpr int32_t kSpFloor = 4096;
constexpr uint32_t kInlineAllocBytes = 256;  // larger ALLOCs call Allocate
// What the set sequence planner may look at in all (see setPlanBudget_): far more than any
// program's statements take, which start a run at each of a few instructions.
constexpr size_t kSetPlanBudgetPerInstruction = 16, kSetPlanBudgetBase = 65536;
// Variables whose value a register holds (see Translator::intVars_).
constexpr int kIntVars = 4, kRealVars = 6;
constexpr int kPins = 3;  // word variables pinned to registers through a loop (at most)
// Bytes above the constant part of an element address where a pinned variable does not
// bound the range GuardIndexed checks (an array's low bound above 0 puts that constant
// before the array, perhaps in the variable declared before it).
constexpr uint64_t kIndexedSlack = 64;
// A real's exponent bits, and the low 51 bits of its fraction (all but the quiet bit).
constexpr uint64_t kExponentBits = 0x7FF0000000000000ull, kPayloadBits = 0x0007FFFFFFFFFFFFull;
constexpr size_t kMaxLoop = 4096;  // instructions a loop with pinned variables may span
static_assert(kOperandDepth + kIntVars + 2 <= kPoolSize, "FreeReg always finds a register");
constexpr int kVarMargin = 64;  // bytes the stack may grow in a stretch before globals go

class Translator {
public:
    explicit Translator(const std::vector<Inst>& insts) : insts_(insts) {}
    x64::Assembler& Code() { return a_; }

    void Run();

    x64::Label entry, exitEax, stdStopped;
    std::vector<x64::Label> labels;     // per instruction
    std::vector<int32_t> indexOf;       // code offset -> instruction index, -1 elsewhere
    std::vector<bool> enterable;        // instruction entry has an empty cache
    // Where the entry table sends a jump to instruction i: its code, or a stub that checks
    // the guards its code relies on (EntryStub) first.
    x64::Label EntryLabel(size_t i) const {
        return entryStubOf_[i] >= 0 ? entryStubs_[static_cast<size_t>(entryStubOf_[i])].label : labels[i];
    }
    // Where the code of each instruction begins (host offset, code offset), in host order;
    // an instruction folded into the one before it has the start of its own work here.
    std::vector<uint32_t> starts, startPcs;
    size_t bodyEnd = 0;
    std::vector<std::unique_ptr<SetSequence>> setSequences;

private:
    // Jump: leaves a loop with pinned variables for a translated target (Cold::to).
    enum class ColdKind { ExitAt, Step, Jump, NanStep };
    // A pending stack word (or real) a cold path writes before it leaves: at ebx + pos, from
    // host register reg (an xmm register for a real).
    struct PendingWrite { int pos; int reg; bool real; bool konst; int32_t addend; bool frame; };
    // A pinned variable a cold path writes back: the word at address, from host register reg.
    struct PinWrite { uint32_t address; int reg; };
    // delta: the pending SP moves when the cold path is jumped to.
    struct Cold {
        x64::Label label;
        ColdKind kind;
        uint32_t pc;
        int delta;
        std::vector<PendingWrite> writes;
        std::vector<PinWrite> pins;
        x64::Label to{};
        int xmm = -1;  // NanStep: the register holding the real
    };

    x64::Assembler a_;
    const std::vector<Inst>& insts_;
    std::vector<Cold> cold_;
    std::vector<bool> isTarget_;
    int slot_[kCacheDepth];
    // Whether the cached word is pending: held by its register only, not yet written.
    bool dirty_[kCacheDepth]{};
    // A word need not be in a register: konst_ (slot_ -1), the constant addend_; frame_
    // (slot_ -1), FP plus addend_ (a frame address, as PUSHFP; ADDI/SUBI k leave it); else,
    // slot_ >= 0, the register's value plus addend_ (modulo 4 GiB), usually 0. Top() puts a
    // constant or a sum into a register when an instruction needs one there; loads and
    // stores take a sum as register plus displacement when its range shows that the sum
    // does not wrap, and a frame address as FP plus displacement when the frame check
    // covers it (AddressOf).
    bool konst_[kCacheDepth]{};
    bool frame_[kCacheDepth]{};
    int32_t addend_[kCacheDepth]{};
    bool Held(int i) const { return slot_[i] >= 0 || konst_[i] || frame_[i]; }
    void SetSlot(int i, int reg) {
        slot_[i] = reg;
        konst_[i] = false;
        frame_[i] = false;
        addend_[i] = 0;
    }
    void ClearSlot(int i) {
        SetSlot(i, -1);
        dirty_[i] = false;
    }
    // What is known of the value of each of the top kRangeDepth stack words (cached in a
    // register or not): it lies in [lo, hi] as an unsigned number, or it is a frame address.
    // Every word written starts unknown; anything that may write a stack word in another
    // way (a store that may alias the stack, a call, a step) forgets them all.
    // fp: the word is FP + disp (as the 32-bit sum), a frame address.
    // indexed: (range unknown) a constant plus a word, with or without a constant added
    // then: how an element of a global array is addressed (GuardIndexed).
    struct Range { bool known; uint32_t lo, hi; bool fp; int32_t disp; bool indexed; };
    static constexpr int kRangeDepth = 16;
    Range range_[kRangeDepth]{};
    // ebx + spGuard_ >= stackLow was checked at run time in this stretch (spGuarded_), so a
    // stack word at SP + d with d >= spGuard_ lies at or above stackLow. Not at a jump
    // target: another way in may bring a lower SP.
    bool spGuarded_ = false;
    int spGuard_ = 0;
    // The variable cache: within a stretch of straight code, a register holds the value of
    // a variable at a constant address below the stack (a global) or at FP + k (a local,
    // see fpGuarded_) after its load or its store, and later loads of it read the register.
    // Every store is still written. A store through an address that may overlap the
    // variable drops it (through an unknown address: all of them); jump targets, calls,
    // steps and every instruction that uses fixed host registers drop them all (but the
    // globals pinned through a loop, which are loaded again instead: see pinsActive_). Pushes
    // cannot reach a global while ebx + varGuard_ >= stackLow, checked at run time when the
    // first global of a stretch is noted; the stack growing below varGuard_ drops them all.
    // A variable at a constant address, or (fp) at FP + address (a local or parameter).
    // range: what a passed range check found of a word's value (it stays in the register).
    // checked: an undefined-value check passed on the value the register holds.
    // pinned: a global kept in its register through the whole of a loop (see pins_).
    // deferred: a pinned global the loop stores to, which its stores write to the register
    // only; stale: its word in memory may be older than the register (see WritePinsIn).
    struct Var {
        uint32_t address = 0;
        int reg = -1;  // -1: unused
        bool fp = false;
        Range range{};
        bool checked = false;
        bool pinned = false;
        uint32_t id = 0;  // new for every value the register takes (see products_)
        bool deferred = false;
        bool stale = false;
    };
    Var intVars_[kIntVars]{};    // 4-byte words in pool registers
    Var realVars_[kRealVars]{};  // 8-byte reals in xmm registers
    bool varGuarded_ = false;
    int varGuard_ = 0;
    bool VarHeld(int reg) const {
        for (const Var& v : intVars_) if (v.reg == reg) return true;
        return false;
    }
    bool XmmVarHeld(int x) const {
        for (const Var& v : realVars_) if (v.reg == x) return true;
        return false;
    }
    // The kept variable whose value register reg holds (nullptr: none).
    template <size_t N> static Var* VarIn(Var (&vars)[N], int reg) {
        for (Var& v : vars) if (v.reg >= 0 && v.reg == reg) return &v;
        return nullptr;
    }
    // Products of a kept variable's value and a constant (an index scaled to its element
    // size), kept in a register of their own while the variable keeps that value (the
    // same id): the next field of the same element needs no multiplication. They go with
    // the variables, and give their registers up first.
    struct Product { uint32_t varId = 0; uint32_t factor = 0; int reg = -1; Range range{}; };
    static constexpr int kProducts = 2;
    Product products_[kProducts]{};
    uint32_t nextVarId_ = 1;
    bool ProductHeld(int reg) const {
        for (const Product& p : products_) if (p.reg >= 0 && p.reg == reg) return true;
        return false;
    }
    void DropProducts() { for (Product& p : products_) p = Product{}; }
    // Drops the values of the kept variables but the pinned ones (whose registers stay
    // valid: see pins_). The guards stay: they compare FP and SP, which a store leaves alone.
    void ForgetVarValues() {
        DropProducts();
        for (Var& v : intVars_) if (!v.pinned) v = Var{};
        for (Var& v : realVars_) v = Var{};
    }
    // Drops the kept variables and the guards (SP or FP may have moved).
    void ForgetVars() {
        ForgetVarValues();
        varGuarded_ = false;
        fpGuarded_ = false;
    }
    // Drops the locals (fp) or the globals; a pinned global is loaded again, as memory may
    // have changed under it.
    void ForgetVarsOf(bool fp) {
        for (Var& v : intVars_) if (v.fp == fp && !v.pinned) v.reg = -1;
        for (Var& v : realVars_) if (v.fp == fp) v.reg = -1;
        if (fp) fpGuarded_ = false;
        else ReloadPins(0, UINT64_MAX);
    }

    // ---- variables pinned to registers through a loop ----
    // A loop (from a jump target to the last backward jump to it) whose instructions all
    // keep the variable cache and which is entered only at its head may keep up to kPins
    // globals in registers from one iteration to the next: loaded at the head (by the code
    // that every entry from outside runs, at labels[head]), loaded again after a store that
    // may overlap them. A store to one goes to its register only; the word in memory is
    // written back before anything else could read it: a load or a partial store that may
    // reach it, a cold path, a jump out of the loop, falling out of it. Backward
    // jumps to the head go to loopHead_, past the loads. Pushes cannot reach them, since
    // they lie at or above ebx + floorGuard_ (see Move), and floorGuard_ is -kVarMargin at
    // every jump target inside the loop: a jump that would arrive with less room checks it
    // again at run time (and leaves for the interpreter when it fails: memory is exact
    // there).
    bool pinsActive_ = false;
    size_t loopHead_ = 0, loopEnd_ = 0;  // instruction indices of the loop
    // The loop's locals: FP + loopFpLowest_ was checked on the way in as FpGuard does, FP
    // stays (no instruction of the loop sets it), and every jump to a target inside the loop
    // makes sure SP has not come closer; so the guard holds at every one of them (kNoFrame:
    // the loop has no frame loads). Instructions inside the loop are not enterable.
    static constexpr int32_t kNoFrame = INT32_MAX;
    int32_t loopFpLowest_ = kNoFrame;
    int32_t LoopFrameLowest() const;
    x64::Label loopHeadLabel_;
    std::vector<size_t> loopEnds_;       // per instruction: the last backward jump to it (0: none)
    std::vector<size_t> minSource_, maxSource_;  // per instruction: the direct jumps to it
    // A jump target is a join (the code there starts from the stack in memory and empty
    // caches) when something other than forward jumps may arrive there (fixedTarget_: a
    // backward jump, a call, a return, the way on after a control instruction, the end of a
    // set sequence), or when a forward jump to it was emitted (jumpsEmitted_). A target
    // whose forward jumps were all threaded past it (Thread) is reached by falling through
    // alone, and its code goes on with the caches as they are.
    std::vector<bool> fixedTarget_;
    std::vector<int> jumpsEmitted_;
    bool WillJoin(size_t j) const {
        return isTarget_[j] && (fixedTarget_[j] || jumpsEmitted_[j] > 0 || maxSource_[j] >= index_);
    }
    bool InLoop(uint32_t target) const {
        if (!pinsActive_ || target >= g_engine.codeSize || indexOf[target] < 0) return false;
        const auto i = static_cast<size_t>(indexOf[target]);
        return i >= loopHead_ && i <= loopEnd_;
    }
    static bool Overlaps(const Var& v, uint64_t from, uint64_t to) { return v.address < to && v.address + uint64_t{4} > from; }
    // After a store that may have overlapped them. (A stale one was written back before
    // that store: its register is no newer than memory.)
    void ReloadPins(uint64_t from, uint64_t to) {
        for (Var& v : intVars_) {
            if (!v.pinned || !Overlaps(v, from, to)) continue;
            assert(!v.stale);
            DetachPinCopies(v.reg, 0);
            a_.mov(Reg(v.reg), x86::dword_ptr(x86::r12, static_cast<int32_t>(v.address)));
            v.range = Range{};
            v.checked = false;
            v.id = nextVarId_++;
        }
    }
    // Before a pinned variable's register takes a new value: the stack words from cache slot
    // `from` down that a load of the variable left in that register (its older value) go to
    // memory, which keeps them, and leave the cache (a mov: the flags stay).
    void DetachPinCopies(int reg, int from) {
        for (int i = from; i < kCacheDepth; ++i) {
            if (slot_[i] != reg) continue;
            WriteSlot(i);
            ClearSlot(i);
        }
    }
    // Writes the stale pinned variables that overlap the bytes [from, to) of VM memory back
    // from their registers (a mov: the flags stay).
    void WritePinsIn(uint64_t from, uint64_t to) {
        for (Var& v : intVars_) {
            if (!v.pinned || !v.stale || !Overlaps(v, from, to)) continue;
            a_.mov(x86::dword_ptr(x86::r12, static_cast<int32_t>(v.address)), Reg(v.reg));
            v.stale = false;
        }
    }
    // Before an access of size bytes at an address known to lie in [lo, hi] (known), at
    // FP + disp (frame), or anywhere.
    void WritePinsReached(bool known, uint32_t lo, uint32_t hi, bool frame, int32_t disp, uint32_t size) {
        if (known) WritePinsIn(lo, uint64_t{hi} + size);
        else if (!(frame && FpCovers(disp, size))) WritePinsIn(0, UINT64_MAX);  // a local lies above them all
    }
    std::vector<PinWrite> StalePins() const {
        std::vector<PinWrite> pins;
        for (const Var& v : intVars_) if (v.pinned && v.stale) pins.push_back({v.address, v.reg});
        return pins;
    }
    // At a jump target inside the loop: what is known of a pinned value on one path is not
    // known on the others, and a store on one of them may have left memory stale.
    void PinsArrive() {
        for (Var& v : intVars_) {
            if (!v.pinned) continue;
            v.range = Range{};
            v.checked = false;
            v.stale = v.deferred;
        }
        LoopGuardsHold();
    }
    // What holds at the loop's head and at every jump target inside it: room for pushes,
    // ebx - kVarMargin >= PushFloor() >= stackLow (so the stack guards too), and the loop's
    // frame guard.
    void LoopGuardsHold() {
        floorGuard_ = -kVarMargin;
        spGuarded_ = varGuarded_ = true;
        spGuard_ = varGuard_ = -kVarMargin;
        if (loopFpLowest_ == kNoFrame) return;
        fpGuarded_ = true;
        fpLowest_ = loopFpLowest_;
        fpRoom_ = 0;
    }
    // Before SP becomes ebx + deltaAfter on the way to a jump target inside the loop: room
    // for the pushes there, and the loop's frame guard, checked at run time when they are
    // not known.
    void PinRoomBefore(uint32_t target, int deltaAfter) {
        if (!InLoop(target)) return;
        if (loopFpLowest_ != kNoFrame && !(fpGuarded_ && fpLowest_ <= loopFpLowest_ && fpRoom_ >= deltaAfter)) {
            // FP is the loop's throughout and was checked against stackLow and stackTop on
            // the way in: only SP may have come closer.
            const x86::Gp t = Reg(FreeReg()).r64();
            a_.lea(t, x86::Mem{x86::r13.id, x86::kNoReg, 0, loopFpLowest_ - deltaAfter, 8});
            a_.cmp(t, x86::rbx);
            a_.jl(ColdPathFrom(ColdKind::ExitAt, curPc_, startDelta_));
        }
        if (floorGuard_ - deltaAfter <= -kVarMargin) return;
        if (GuardStackAbove(deltaAfter - kVarMargin, PushFloor())) floorGuard_ = deltaAfter - kVarMargin;
    }
    bool ChoosePins(size_t head, std::vector<uint32_t>& pins) const;
    void EnterLoop(const std::vector<uint32_t>& pins);
    // Falling out of the loop (the code that jumps out writes them on its way).
    void LeaveLoop() {
        WritePinsIn(0, UINT64_MAX);
        pinsActive_ = false;
        loopFpLowest_ = kNoFrame;
        for (Var& v : intVars_) v.pinned = false;
        ForgetVars();
    }
    // Locals and parameters: FP + fpLowest_ was checked (once per stretch, at run time) to
    // lie at or above stackLow and at or above ebx + fpRoom_ (fpRoom_ is 0 when checked and
    // follows ebx as it moves), and FP at or below stackTop; so a local at FP + d with
    // d >= fpLowest_ (whose last byte stays below 4 GiB) is not in the globals, and no stack
    // word written at ebx + p with p + size <= fpRoom_ reaches it. A stack word written
    // beyond that drops the locals first.
    bool fpGuarded_ = false;
    int32_t fpLowest_ = 0;
    int fpRoom_ = 0;
    bool FpCovers(int32_t disp, uint32_t size) const {
        return fpGuarded_ && disp >= fpLowest_ &&
               uint64_t{g_engine.stackTop} + static_cast<uint64_t>(std::max<int64_t>(0, int64_t{disp} + size)) <= 0x100000000ull;
    }
    // room: the locals are to lie at or above ebx + room (see fpRoom_).
    bool FpGuard(int32_t disp, uint32_t size, int room = 0);
    // The run-time check of FpGuard for the frame from FP + lowest (false: not made).
    bool GuardFrame(int32_t lowest, int32_t disp, uint32_t size, int room);
    int32_t LowestFrameLoadAhead(int32_t disp) const;
    std::vector<int32_t> lowestFrameAhead_;
    void FindLowestFrameAhead();
    // Drops the locals that overlap the size bytes at FP + disp (32-bit sums, so compared
    // modulo 4 GiB).
    void FpVarsWritten(int32_t disp, uint32_t size) {
        for (Var& v : intVars_)
            if (v.reg >= 0 && v.fp && (static_cast<uint32_t>(disp) - v.address < 4 || v.address - static_cast<uint32_t>(disp) < size)) v.reg = -1;
        for (Var& v : realVars_)
            if (v.reg >= 0 && v.fp && (static_cast<uint32_t>(disp) - v.address < 8 || v.address - static_cast<uint32_t>(disp) < size)) v.reg = -1;
    }
    bool HasVars() const {
        for (const Var& v : intVars_) if (v.reg >= 0) return true;
        for (const Var& v : realVars_) if (v.reg >= 0) return true;
        return false;
    }
    // Drops the variables that overlap the bytes [from, to) of VM memory.
    void VarsWritten(uint64_t from, uint64_t to) {
        for (Var& v : intVars_) if (v.reg >= 0 && !v.fp && !v.pinned && v.address < to && v.address + uint64_t{4} > from) v.reg = -1;
        for (Var& v : realVars_) if (v.reg >= 0 && !v.fp && v.address < to && v.address + uint64_t{8} > from) v.reg = -1;
        ReloadPins(from, to);
    }
    // The range known of the word variable kept in register reg (unknown if none).
    Range VarRange(int reg) const {
        for (const Var& v : intVars_) if (v.reg == reg) return v.range;
        return Range{};
    }
    int IntVar(uint32_t address, bool fp = false) const {
        for (const Var& v : intVars_) if (v.reg >= 0 && v.fp == fp && v.address == address) return v.reg;
        return -1;
    }
    int RealVar(uint32_t address, bool fp = false) const {
        for (const Var& v : realVars_) if (v.reg >= 0 && v.fp == fp && v.address == address) return v.reg;
        return -1;
    }
    // Makes sure (at run time, once per stretch) that pushes cannot reach the variables;
    // called before the load or store that notes one, so that a failing check hands the
    // run to the interpreter before that instruction has done anything.
    bool VarGuard();
    // A variable worth keeping: below the stack, and loaded again (PUSHI address; LOADW or
    // LOADR) later in the stretch, before anything that forgets the variables.
    bool VarCandidate(uint32_t address, uint32_t size) const {
        return address != 0 && uint64_t{address} + size <= g_engine.stackLow && !Pinned(address) && LoadedLater(address, false);
    }
    bool Pinned(uint32_t address) const { return PinRegister(address) >= 0; }
    // A pinned variable whose stores go to its register only.
    bool ToPin(uint32_t address) const {
        for (const Var& v : intVars_) if (v.pinned && v.deferred && v.address == address) return true;
        return false;
    }
    bool StoredInLoop(uint32_t address) const;
    // Whether reg, the left operand on top of the stack after a binary operation has popped
    // its right one, is the register of the pinned variable the next instruction stores the
    // result to (x := x + y), and nothing else holds it: the result may then be computed in
    // place, as the store would copy it there.
    bool StoredBackTo(int reg) const {
        const Inst* next = Foldable(1);
        if (next == nullptr || static_cast<Op>(next->op) != Op::STOREW || !konst_[1]) return false;
        const auto address = static_cast<uint32_t>(addend_[1]);
        if (!ToPin(address) || PinRegister(address) != reg || ProductHeld(reg)) return false;
        for (int i = 0; i < kCacheDepth; ++i) if (i != 0 && slot_[i] == reg) return false;
        return true;
    }
    int PinRegister(uint32_t address) const {
        for (const Var& v : intVars_) if (v.pinned && v.address == address) return v.reg;
        return -1;
    }
    bool LoadedLater(uint32_t address, bool fp) const;
    // Notes that register reg (a pool register, or for a real an xmm register) holds the
    // size bytes at address, which were just loaded or stored; any other variable overlapping
    // them is dropped. range: what is known of a word's value (a stored word's range).
    void NoteVar(uint32_t address, uint32_t size, int reg, bool fp = false, Range range = Range{});
    // A cached real: xmm register reg holds the 8 bytes at SP + offset (reg < 0: unused);
    // dirty: pending, not yet written. Pending words and reals never overlap.
    struct RealSlot { int offset; int reg; bool dirty; };
    RealSlot real_[kRealDepth]{};
    // After LOADR: the 64-bit host register that holds the real it pushed, for a CHKUD
    // right after it (-1 otherwise).
    int loadedReal_ = -1;
    int loaded_ = -1;  // loadedReal_ as the instruction being translated found it
    // Or the memory operand it loaded from (its registers unchanged until the next
    // instruction has been translated), when loadedFromNow_ is set.
    x86::Mem loadedFrom_{};
    bool loadedFromNext_ = false, loadedFromNow_ = false;
    // After a constant push other than 0: the top word is not 0, so a load through it needs
    // no select for address 0 (topNonZero_: as the instruction being translated found it).
    bool nonZeroTop_ = false;
    bool topNonZero_ = false;
    // SP is ebx + delta_: pushes and pops within a stretch of straight code move delta_
    // only, and ebx is brought up to date where something else reads it (calls, exits,
    // jumps, jump targets).
    int delta_ = 0;
    // Every push lies at or above PushFloor(): ebx + floorGuard_ >= PushFloor() is known
    // (kNoFloor: nothing is). A push below floorGuard_ checks it at run time, with room
    // for the next pushes, and hands the run to the interpreter where it fails. So a
    // pending word never lies below the window (where the interpreter's SP would wrap)
    // nor over the stack's guard words (which RETD reads to find an overflow): a stack
    // that comes that close to its limit runs in the interpreter, which writes every push.
    static constexpr int kNoFloor = 1 << 30;
    int floorGuard_ = kNoFloor;
    static uint32_t PushFloor() { return std::max<uint32_t>(kSpFloor, g_engine.stackLow + 8); }
    uint32_t curPc_ = 0;   // the instruction being translated
    int startDelta_ = 0;   // delta_ at its start
    size_t index_ = 0;     // its index in insts_
    int folded_ = 0;       // instructions after it that its translation took in
    // After a constant push: the constant (topConst_: as the instruction being translated
    // found it).
    bool constTop_ = false, topIsConst_ = false;
    uint32_t constValue_ = 0, topConst_ = 0;
    size_t setSequenceEnd_ = 0;  // index after the last set sequence (FuseSetSequence)
    // Instructions the set sequence planner may still look at: a run that never ends (a
    // long chain of unions) would otherwise be planned again from each of its instructions,
    // and translation would take time quadratic in its length. When it is spent, the rest
    // is translated instruction by instruction, which is the same code without the fusion.
    size_t setPlanBudget_ = 0;

    // The guards an enterable instruction's code relies on (those known when it is
    // translated, checked along the code that falls into it): a jump through the entry table
    // (a return, a computed jump, the way on after a stepped instruction) may come with
    // another SP or FP, so it goes through a stub that checks them again and hands the run to
    // the interpreter when one fails.
    struct EntryStub {
        size_t index;
        x64::Label label;
        bool sp, var, fp;
        int spGuard, varGuard;
        int32_t fpLowest;
        int fpRoom;
    };
    std::vector<EntryStub> entryStubs_;
    std::vector<int32_t> entryStubOf_;  // per instruction: its stub in entryStubs_ (-1: none)
    void NoteEntryGuards(size_t i) {
        if (!spGuarded_ && !varGuarded_ && !fpGuarded_) return;
        entryStubOf_[i] = static_cast<int32_t>(entryStubs_.size());
        entryStubs_.push_back({i, a_.newLabel(), spGuarded_, varGuarded_, fpGuarded_, spGuard_, varGuard_, fpLowest_, fpRoom_});
    }
    void EmitEntryStubs();
    void Mark(uint32_t pc) {
        starts.push_back(static_cast<uint32_t>(a_.offset()));
        startPcs.push_back(pc);
    }
    // The instruction k places after the current one, when it can be folded into it: it
    // exists, is defined and no jump lands on it.
    const Inst* Foldable(size_t k) const {
        size_t j = index_ + k;
        if (j >= insts_.size() || WillJoin(j) || insts_[j].op == kBadOp) return nullptr;
        return &insts_[j];
    }
    bool FoldFrameAddress();
    bool FoldConstantLoad(uint32_t address);
    void ReadyGlobalLoad(Op op, uint32_t address);
    void LoadGlobalValue(Op op, uint32_t address);
    bool LoadComputedGlobal(Op op);
    void LoadFrom(Op op, int a, int32_t disp, bool select);

    // ---- the stack cache ----
    // Writes the pending word in slot i, which stays cached (no flags change: a pending
    // word may be written between a comparison and its branch).
    void WriteSlot(int i) {
        if (!Held(i) || !dirty_[i]) return;
        WriteWord(StackWord(4 * i), slot_[i], konst_[i], frame_[i], addend_[i]);
        dirty_[i] = false;
    }
    // Writes a constant, a register or a register plus a constant (lea there and back).
    void WriteWord(const x86::Mem& m, int reg, bool konst, bool frame, int32_t addend) {
        if (konst) {
            a_.mov(m, addend);
            return;
        }
        if (frame) {  // FP + addend, formed in FP itself and undone, as a sum is below
            if (addend != 0) a_.lea(x86::r13d, x86::ptr(x86::r13, addend));
            a_.mov(m, x86::r13d);
            if (addend != 0) a_.lea(x86::r13d, x86::ptr(x86::r13, static_cast<int32_t>(0u - static_cast<uint32_t>(addend))));
            return;
        }
        const x86::Gp r = Reg(reg);
        if (addend != 0) a_.lea(r, x86::ptr(r.r64(), addend));
        a_.mov(m, r);
        if (addend != 0) a_.lea(r, x86::ptr(r.r64(), static_cast<int32_t>(0u - static_cast<uint32_t>(addend))));
    }
    void WriteReal(RealSlot& r) {
        if (r.reg < 0 || !r.dirty) return;
        a_.movsd(StackQword(r.offset), x86::xmm(r.reg));
        r.dirty = false;
    }
    // Writes the pending words and reals that overlap the bytes [SP + from, SP + to), so
    // that memory may be read there.
    void WritePendingIn(int from, int to) {
        for (int i = 0; i < kCacheDepth; ++i) if (4 * i < to && 4 * i + 4 > from) WriteSlot(i);
        for (RealSlot& r : real_) if (r.offset < to && r.offset + 8 > from) WriteReal(r);
    }
    // Writes every pending word and real (they stay cached).
    void Sync() { WritePendingIn(INT32_MIN / 2, INT32_MAX / 2); }
    bool HasPending() const {
        for (int i = 0; i < kCacheDepth; ++i) if (Held(i) && dirty_[i]) return true;
        for (const RealSlot& r : real_) if (r.reg >= 0 && r.dirty) return true;
        return false;
    }
    // The end of the highest pending word or real, as an offset from SP (INT32_MIN: none).
    int HighestPendingEnd() const {
        int high = INT32_MIN;
        for (int i = 0; i < kCacheDepth; ++i) if (Held(i) && dirty_[i]) high = std::max(high, 4 * i + 4);
        for (const RealSlot& r : real_) if (r.reg >= 0 && r.dirty) high = std::max(high, r.offset + 8);
        return high;
    }
    // The lowest offset from SP of a pending word or real (INT32_MAX: none).
    int LowestPending() const {
        int low = INT32_MAX;
        for (int i = 0; i < kCacheDepth; ++i) if (Held(i) && dirty_[i]) low = std::min(low, 4 * i);
        for (const RealSlot& r : real_) if (r.reg >= 0 && r.dirty) low = std::min(low, r.offset);
        return low;
    }
    // Where the pending words lie (relative to ebx) and which registers hold them, for a
    // cold path taken here.
    std::vector<PendingWrite> PendingWrites() const {
        std::vector<PendingWrite> writes;
        for (int i = 0; i < kCacheDepth; ++i)
            if (Held(i) && dirty_[i]) writes.push_back({delta_ + 4 * i, slot_[i], false, konst_[i], addend_[i], frame_[i]});
        for (const RealSlot& r : real_)
            if (r.reg >= 0 && r.dirty) writes.push_back({delta_ + r.offset, r.reg, true, false, 0, false});
        return writes;
    }
    // Drops the integer cache: pending words are written first.
    void ForgetInts() {
        for (int i = 0; i < kCacheDepth; ++i) WriteSlot(i);
        DropInts();
    }
    void DropInts() {
        for (int i = 0; i < kCacheDepth; ++i) ClearSlot(i);
        for (Range& r : range_) r = Range{};
    }
    // Whether stack word i below the top is known to be the frame address FP + disp.
    bool FrameAddressOf(int i, int32_t& disp) const {
        if (!range_[i].fp) return false;
        disp = range_[i].disp;
        return true;
    }
    // The range of stack word i below the top, when it is known.
    bool RangeOf(int i, uint32_t& lo, uint32_t& hi) const {
        if (!range_[i].known) return false;
        lo = range_[i].lo;
        hi = range_[i].hi;
        return true;
    }
    void SetRange(int i, uint64_t lo, uint64_t hi) {
        if (hi > 0xFFFFFFFFu || lo > hi) { range_[i] = Range{}; return; }
        range_[i] = {true, static_cast<uint32_t>(lo), static_cast<uint32_t>(hi), false, 0, false};
    }
    // ebx + low >= stackLow (and >= floor), checked at run time (see the definition).
    bool GuardStackAbove(int low, uint32_t floor = 0);
    // ebx + low >= stackLow is known in this stretch, or checked now (false when it never
    // holds): the cached words at ebx + low and up lie in the stack, not in the globals.
    bool CachedAboveLow(int low);
    // Whether a load of size bytes from an address known to lie in [.., hi] cannot read a
    // pending word: it lies below the stack, and every pending word at or above stackLow.
    bool LoadMissesPending(uint32_t hi, uint32_t size);
    // Whether a store of size bytes through the address on stack word i lies wholly below
    // the stack (in the globals and fixed data), where no stack word can be: then the caches
    // survive it. The address's range proves the first half; the second, that every word
    // still cached after the store pops its i + 1 operand words lies at or above stackLow,
    // is one comparison of SP per stretch, whose failure hands the run to the interpreter
    // at this instruction.
    bool StoreBelowStack(int i, uint32_t size);
    // After a store of size bytes through an address of known range [lo, hi], or through
    // the frame address FP + disp, or neither: the variables it may have written go, and
    // the register value, holding what was stored at a constant address or frame offset
    // (-1: none), may keep it, with what is known of its range.
    void StoreVars(bool known, uint32_t lo, uint32_t hi, bool frame, int32_t disp, uint32_t size, int value, Range range = Range{});
    void ForgetReals() {
        for (RealSlot& r : real_) {
            WriteReal(r);
            r.reg = -1;
        }
    }
    // Writes whatever is pending and drops the caches: before a jump, a call or a step.
    void Forget() { ForgetInts(); ForgetReals(); }
    // Drops the caches, whose pending words were written before memory changed under them.
    void DropAll() {
        DropInts();
        for (RealSlot& r : real_) r.reg = -1;
    }
    // The two top stack words were overwritten (by a real): the integer cache drops them,
    // pending or not.
    void IntsWritten2() {
        ClearSlot(0);
        ClearSlot(1);
        range_[0] = range_[1] = Range{};
    }
    bool Empty() const {
        if (HasVars()) return false;
        for (int i = 0; i < kCacheDepth; ++i) if (Held(i)) return false;
        for (const RealSlot& r : real_) if (r.reg >= 0) return false;
        return true;
    }
    // Drops the cached reals that overlap the bytes [SP + from, SP + to), which are being
    // overwritten or popped; a pending one that lies partly outside them is written first.
    void RealsWritten(int from, int to) {
        for (RealSlot& r : real_) {
            if (r.reg < 0 || r.offset >= to || r.offset + 8 <= from) continue;
            if (r.offset < from || r.offset + 8 > to) WriteReal(r);
            r.reg = -1;
        }
    }
    int RealAt(int offset) const {
        for (const RealSlot& r : real_) if (r.reg >= 0 && r.offset == offset) return r.reg;
        return -1;
    }
    // A free xmm register besides avoid; when all are taken, the deepest cached real's.
    int FreeXmm(int avoid1 = -1, int avoid2 = -1) {
        for (int x = kFirstRealReg; x < kRealRegs; ++x) {
            if (x == avoid1 || x == avoid2 || XmmVarHeld(x)) continue;
            bool used = false;
            for (const RealSlot& r : real_) used = used || r.reg == x;
            if (!used) {
                SetClean(x, false);
                return x;
            }
        }
        // Cannot happen (13 registers, at most kRealVars held by variables: the other 7 or
        // more hold stack reals, and at most 2 of them are avoided), but a variable's
        // register is never taken from it.
        RealSlot* deepest = nullptr;
        for (RealSlot& r : real_)
            if (r.reg >= 0 && r.reg != avoid1 && r.reg != avoid2 && !XmmVarHeld(r.reg) &&
                (deepest == nullptr || r.offset > deepest->offset))
                deepest = &r;
        int x = deepest->reg;
        for (RealSlot& r : real_) {
            if (r.reg != x) continue;
            WriteReal(r);
            r.reg = -1;
        }
        SetClean(x, false);
        return x;
    }
    // Clean xmm registers (bit x of clean_): the value is not a NaN whose low 51 bits are all
    // ones. Arithmetic keeps a NaN operand's payload (setting the quiet bit) or makes the
    // default NaN, negation changes the sign only, so a result computed from clean values is
    // clean, and it cannot be the undefined pattern (all ones): CHKUD on it passes. Every
    // register the caches take starts unclean (FreeXmm); what computes in place says what
    // its result is.
    uint32_t clean_ = 0;
    bool Clean(int x) const { return (clean_ >> x & 1) != 0; }
    void SetClean(int x, bool clean) {
        if (clean) clean_ |= 1u << x; else clean_ &= ~(1u << x);
    }
    // Whether xmm register x holds anything besides the reals at SP + [from, to): a
    // variable, or a real elsewhere on the stack.
    bool XmmHeldBeyond(int x, int from, int to) const {
        if (XmmVarHeld(x)) return true;
        for (const RealSlot& r : real_)
            if (r.reg == x && (r.offset < from || r.offset >= to)) return true;
        return false;
    }
    // The register of the real at SP + offset, copied first when something else holds it,
    // so that an operation may compute in it.
    int RealToComputeIn(int x, int from, int to, int avoid = -1) {
        if (!XmmHeldBeyond(x, from, to)) return x;
        const int c = FreeXmm(x, avoid);
        a_.movapd(x86::xmm(c), x86::xmm(x));
        SetClean(c, Clean(x));
        return c;
    }
    // Remembers that xmm register x holds the 8 bytes at SP + offset: pending (a real just
    // pushed), or already in memory. Several stack reals may share one register (a variable
    // loaded twice for v * v): a register is only computed in when nothing else holds it
    // (XmmHeldBeyond).
    void NoteReal(int offset, int x, bool pending) {
        RealsWritten(offset, offset + 8);
        RealSlot* slot = nullptr;
        for (RealSlot& r : real_) if (r.reg < 0) { slot = &r; break; }
        if (slot == nullptr) {  // full: the deepest one goes
            slot = &real_[0];
            for (RealSlot& r : real_) if (r.offset > slot->offset) slot = &r;
            WriteReal(*slot);
        }
        *slot = {offset, x, pending};
        if (pending && fpGuarded_ && delta_ + offset + 8 > fpRoom_) ForgetVarsOf(true);  // see Replace
    }
    // A real pushed: xmm register x holds it, pending; the integer cache drops the two words
    // it overwrites.
    void PushedReal(int x) {
        IntsWritten2();
        NoteReal(0, x, true);
    }
    // The xmm register holding the real at SP + offset, loaded when it is not cached.
    int RealTop(int offset, int avoid = -1) {
        int x = RealAt(offset);
        if (x >= 0) return x;
        WritePendingIn(offset, offset + 8);
        x = FreeXmm(avoid);
        a_.movsd(x86::xmm(x), StackQwordRead(offset));
        NoteReal(offset, x, false);
        return x;
    }
    // A register in use holds a cached stack word or a variable: it is not overwritten.
    bool InUse(int reg) const {
        for (int s : slot_) if (s == reg) return true;
        return VarHeld(reg) || ProductHeld(reg);
    }
    static x86::Gp Reg(int i) { return kPool[i]; }
    // Stack accesses add the SP moves not yet applied to ebx (see delta_). A write beyond
    // fpRoom_ may reach the locals, which go; a read leaves them (they are written through).
    x86::Mem StackWord(int offset) {
        if (fpGuarded_ && offset + delta_ + 4 > fpRoom_) ForgetVarsOf(true);
        return StackWordRead(offset);
    }
    x86::Mem StackQword(int offset) {
        if (fpGuarded_ && offset + delta_ + 8 > fpRoom_) ForgetVarsOf(true);
        return StackQwordRead(offset);
    }
    x86::Mem StackWordRead(int offset) const { return x86::dword_ptr(x86::r12, x86::rbx, 0, offset + delta_); }
    x86::Mem StackQwordRead(int offset) const { return x86::qword_ptr(x86::r12, x86::rbx, 0, offset + delta_); }
    // Applies the pending SP moves to ebx.
    void Flush() { MoveEbx(delta_); }
    // Moves ebx by move bytes (SP stays ebx + delta_).
    void MoveEbx(int move) {
        if (move == 0) return;
        // What was checked relative to ebx moves the other way.
        spGuard_ -= move;
        varGuard_ -= move;
        if (floorGuard_ != kNoFloor) floorGuard_ -= move;
        fpRoom_ -= move;
        a_.lea(x86::ebx, x86::ptr(x86::rbx, move));
        startDelta_ -= move;  // the instruction's start, relative to the new ebx
        delta_ -= move;
    }
    // Before a jump whose destination pops the top `pops` words first (Thread): ebx becomes
    // the SP the destination starts with, and every pending word at or above it is written.
    // The popped words are left pending for the way that falls through, which still has them
    // on its stack (ebx then lies above its SP).
    void LeaveForJump(int pops) {
        WritePendingIn(4 * pops, INT32_MAX / 2);
        MoveEbx(delta_ + 4 * pops);
    }
    struct Threaded { uint32_t target; int pops; };
    Threaded Thread(uint32_t target, int first) const;
    // ebx was set from somewhere else (a loaded SP, a step, a jump target): nothing pending.
    void SpReloaded() { delta_ = 0; floorGuard_ = kNoFloor; spGuarded_ = false; ForgetVars(); }

    int FreeReg(int avoid1 = -1, int avoid2 = -1) {
        for (int i = 0; i < kPoolSize; ++i)
            if (!InUse(i) && i != avoid1 && i != avoid2) return i;
        for (Product& p : products_) {  // a product gives its register up first
            const int r = p.reg;
            p = Product{};
            if (r >= 0 && !InUse(r) && r != avoid1 && r != avoid2) return r;
        }
        // All taken: a variable gives its register up, else the deepest cached word below
        // the operands (written first when pending). The operands and the variables take
        // at most kOperandDepth + kIntVars of the registers, so one of the two is found.
        for (Var& v : intVars_) {
            bool inSlot = false;
            for (int s : slot_) inSlot = inSlot || s == v.reg;
            if (v.reg >= 0 && !v.pinned && !inSlot && v.reg != avoid1 && v.reg != avoid2) {
                int r = v.reg;
                v.reg = -1;
                return r;
            }
        }
        for (int i = kCacheDepth - 1; i >= kOperandDepth; --i) {
            const int r = slot_[i];
            bool operand = false;  // (a register an operand shares stays)
            for (int j = 0; j < kOperandDepth; ++j) operand = operand || slot_[j] == r;
            if (r < 0 || r == avoid1 || r == avoid2 || VarHeld(r) || operand) continue;
            for (int j = 0; j < kCacheDepth; ++j) {
                if (slot_[j] != r) continue;
                WriteSlot(j);
                ClearSlot(j);
            }
            if (!InUse(r)) return r;
        }
        return -1;
    }
    // The register holding the stack word i below the top (0 = top).
    int Top(int i) {
        if (konst_[i]) {
            const int r = FreeReg();
            a_.mov(Reg(r), uint64_t{static_cast<uint32_t>(addend_[i])});
            SetSlot(i, r);  // (pending as it was; the range stays)
            return r;
        }
        if (frame_[i]) {
            const int r = FreeReg();
            a_.lea(Reg(r), x86::ptr(x86::r13, addend_[i]));  // a 32-bit sum: wraps as the interpreter's
            SetSlot(i, r);  // (pending as it was; the range stays)
            return r;
        }
        if (slot_[i] >= 0 && addend_[i] != 0) {
            // The sum in a register of its own, or in place when nothing else holds it.
            const int from = slot_[i];
            bool shared = VarHeld(from) || ProductHeld(from);
            for (int j = 0; j < kCacheDepth; ++j) shared = shared || (j != i && slot_[j] == from);
            const int r = shared ? FreeReg(from) : from;
            a_.lea(Reg(r), x86::ptr(Reg(from).r64(), addend_[i]));  // a 32-bit sum: wraps
            SetSlot(i, r);
            return r;
        }
        if (slot_[i] >= 0) return slot_[i];
        WritePendingIn(4 * i, 4 * i + 4);
        int r = FreeReg();
        a_.mov(Reg(r), StackWordRead(4 * i));
        SetSlot(i, r);  // (the word's range stays: the register holds the same value)
        dirty_[i] = false;
        return r;
    }
    // A constant pushed: held as one until something needs it in a register.
    void PushConst(uint32_t v) {
        Move(-1);
        Replace(-1);
        konst_[0] = true;
        addend_[0] = static_cast<int32_t>(v);
        SetRange(0, v, v);
    }
    // Stack word i as a register's value plus addend (a constant when reg < 0).
    void SumAt(int i, int& reg, int32_t& addend) {
        if (!konst_[i] && slot_[i] < 0) Top(i);  // (a frame address too)
        reg = slot_[i];
        addend = addend_[i];
    }
    // The top word becomes reg + addend (a constant when reg < 0), pending, range kept.
    void ReplaceBySum(int reg, int32_t addend) {
        const Range r = range_[0];
        Replace(reg < 0 ? -1 : reg);
        konst_[0] = reg < 0;
        addend_[0] = addend;
        range_[0] = r;
    }
    // Whether the address on stack word i can be taken as register reg (-1: none) plus
    // displacement disp: a constant address from 1 to 2 GiB, or a sum whose range shows that
    // register plus displacement does not wrap (so that base + it is the address the
    // interpreter forms, modulo 4 GiB).
    // A frame address the frame check covers for size bytes is FP (reg kFrameBase) plus
    // displacement.
    bool FoldedAddress(int i, int& reg, int32_t& disp, uint32_t size) const {
        uint32_t lo = 0, hi = 0;
        const int32_t c = addend_[i];
        reg = slot_[i];
        disp = c;
        if (frame_[i]) {
            reg = kFrameBase;
            return FpCovers(c, size);
        }
        if (konst_[i]) return c > 0 && static_cast<uint32_t>(c) <= 0x7FFF0000u;
        return slot_[i] >= 0 && c != 0 && RangeOf(i, lo, hi) &&
               (c > 0 ? lo >= static_cast<uint32_t>(c) : uint64_t{hi} + static_cast<uint64_t>(-int64_t{c}) <= 0xFFFFFFFFull);
    }
    // The memory operand of size bytes at the address on stack word i.
    x86::Mem AddressOf(int i, uint8_t size) {
        int reg = -1;
        int32_t disp = 0;
        if (!FoldedAddress(i, reg, disp, size)) {
            reg = Top(i);
            disp = 0;
        }
        return x86::Mem{x86::r12.id, IndexOf(reg), 0, disp, size};
    }
    // The host register of an address register from FoldedAddress (-1: none).
    static uint8_t IndexOf(int reg) {
        return reg == kFrameBase ? x86::r13.id : reg >= 0 ? Reg(reg).r64().id : x86::kNoReg;
    }
    // Moves SP by words (positive pops) and the caches with it.
    // Popped words are dead and never written; a word pushed beyond the cache's depth, or
    // a real that a pop cuts in two, is written first.
    void Move(int words) {
        // SP moves by the pending delta only; ebx follows at a flush. A push below
        // floorGuard_ checks the floor (see floorGuard_) before the caches move, so that
        // its cold path finds them as they were.
        int next = delta_ + 4 * words;
        if (next > kMaxDelta || next < -kMaxDelta) {
            Flush();
            next = 4 * words;
        }
        if (words < 0 && next < floorGuard_ && GuardStackAbove(next - kVarMargin, PushFloor())) floorGuard_ = next - kVarMargin;
        if (words > 0) {
            for (int i = 0; i < kCacheDepth; ++i) {
                const bool in = i + words < kCacheDepth;
                slot_[i] = in ? slot_[i + words] : -1;
                dirty_[i] = in && dirty_[i + words];
                konst_[i] = in && konst_[i + words];
                frame_[i] = in && frame_[i + words];
                addend_[i] = in ? addend_[i + words] : 0;
            }
            for (int i = 0; i < kRangeDepth; ++i) range_[i] = i + words < kRangeDepth ? range_[i + words] : Range{};
        } else if (words < 0) {
            for (int i = std::max(0, kCacheDepth + words); i < kCacheDepth; ++i) WriteSlot(i);
            for (int i = kCacheDepth - 1; i >= 0; --i) {
                const bool in = i + words >= 0;
                slot_[i] = in ? slot_[i + words] : -1;
                dirty_[i] = in && dirty_[i + words];
                konst_[i] = in && konst_[i + words];
                frame_[i] = in && frame_[i + words];
                addend_[i] = in ? addend_[i + words] : 0;
            }
            for (int i = kRangeDepth - 1; i >= 0; --i) range_[i] = i + words >= 0 ? range_[i + words] : Range{};
        }
        for (RealSlot& r : real_) {
            if (r.reg < 0) continue;
            if (r.offset - 4 * words < 0 && r.offset - 4 * words + 8 > 0) WriteReal(r);
            r.offset -= 4 * words;
            if (r.offset < 0) r.reg = -1;
        }
        delta_ = next;
        if (varGuarded_ && delta_ < varGuard_) ForgetVars();
    }
    void Push(int r) {
        Move(-1);
        Replace(r);
    }
    // The top word is now register r's value, pending.
    // A word pushed above where the stretch began may overwrite a kept local (as StackWord
    // finds for a write), though it is written later.
    void Replace(int r) {
        RealsWritten(0, 4);
        SetSlot(0, r);
        dirty_[0] = true;
        range_[0] = Range{};
        if (fpGuarded_ && delta_ + 4 > fpRoom_) ForgetVarsOf(true);
    }
    void MovIfOther(int to, int from) { if (to != from) a_.mov(Reg(to), Reg(from)); }

    // ---- exits and calls ----
    x64::Label ColdPathFrom(ColdKind kind, uint32_t pc, int delta, x64::Label to = {}) {
        cold_.push_back({a_.newLabel(), kind, pc, delta, PendingWrites(), StalePins(), to});
        return cold_.back().label;
    }
    // A cold path for a jump made with the current pending SP moves.
    x64::Label ColdPath(ColdKind kind, uint32_t pc, x64::Label to = {}) { return ColdPathFrom(kind, pc, delta_, to); }
    // For a real in xmm register x whose low word is all ones, at a CHKUD: back to the label
    // when the low 51 bits are not all ones (the real is clean), else the check is stepped.
    x64::Label NanPath(uint32_t pc, int x, x64::Label back) {
        const x64::Label label = ColdPath(ColdKind::NanStep, pc, back);
        cold_.back().xmm = x;
        return label;
    }
    void StoreCur(uint32_t pc) { a_.mov(x86::dword_ptr(x86::rbp), static_cast<int32_t>(pc)); }
    // Backward jumps and calls poll the break flag. (A signal sent from outside, kill -SEGV,
    // -FPE, -ABRT or -ILL, is reported at the instruction the fault handler finds from the
    // interrupted host instruction, NoteNativeFault; inside an engine routine, at the CUR
    // its call stored.)
    void CompareBreakFlag() { a_.cmp(x86::dword_ptr(x86::r15, offsetof(NativeContext, breakRequested)), 0); }
    void PollBreak(uint32_t pc) {
        CompareBreakFlag();
        a_.jne(ColdPath(ColdKind::ExitAt, pc));
    }
    // Jumps to the code offset in eax through the entry table.
    void DispatchEax() {
        a_.cmp(x86::eax, static_cast<int32_t>(g_engine.codeSize));
        a_.jae(exitEax);
        a_.jmp(x86::qword_ptr(x86::r14, x86::rax, 3));
    }
    x64::Label TargetLabel(uint32_t target) {
        if (InLoop(target) && static_cast<size_t>(indexOf[target]) == loopHead_) return loopHeadLabel_;
        if (target < g_engine.codeSize && indexOf[target] >= 0) {
            const auto t = static_cast<size_t>(indexOf[target]);
            // (A jump back goes to a fixed target: no code is translated as a join's before
            // its last jump is known.)
            assert(t > index_ || fixedTarget_[t] || jumpsEmitted_[t] > 0);
            ++jumpsEmitted_[t];
            const x64::Label to = labels[t];
            // Out of the loop with stale pinned variables: by a cold path that writes them.
            if (pinsActive_ && !InLoop(target) && !StalePins().empty()) return ColdPath(ColdKind::Jump, target, to);
            return to;
        }
        return ColdPath(ColdKind::ExitAt, target);
    }
    void JumpTo(uint32_t target) { a_.jmp(TargetLabel(target)); }
    void EmitStep(uint32_t pc);
    void CallStepAndContinue(const Inst& in, bool control);
    void CallOutOfLine(const Inst& in, OutOfLineInstruction routine);

    void Translate(const Inst& in);
    void FuseSetSequence(const Inst& in);
    bool TranslateInline(const Inst& in);
    void Binary(const Inst& in);
    void Compare(const Inst& in, x64::Cond cc, const uint32_t* constant = nullptr);
    bool FoldConstantOperand(uint32_t v);
    void AddToTop(Op op, uint32_t v, int i);
    void GuardIndexed(int i, uint32_t size);
    void RealBinary(const Inst& in);
    void RealCompare(const Inst& in);
    // missesPending: the address is known not to reach a pending stack word.
    // missesPins: the address is known to lie above every pinned variable.
    void Load(const Inst& in, bool missesPending = false, bool missesPins = false);
    void EmitEntryAndExit();
    void EmitCold();
};

// Runs the instruction at pc in the interpreter, from the registers as they are. Afterwards
// a stopped program leaves, and a misaligned stack is handed to the interpreter, which
// reports it; eax is the code offset after the instruction.
void Translator::EmitStep(uint32_t pc) {
    a_.mov(x86::dword_ptr(x86::r15, offsetof(VmState, sp)), x86::ebx);
    a_.mov(x86::dword_ptr(x86::r15, offsetof(VmState, fp)), x86::r13d);
    a_.mov(x86::dword_ptr(x86::r15, offsetof(VmState, pc)), static_cast<int32_t>(pc));
    a_.mov(x86::rdi, x86::r15);
    a_.mov(x86::rax, reinterpret_cast<uint64_t>(static_cast<void (*)(VmState&)>(&InterpretStep)));
    a_.call(x86::rax);
    a_.mov(x86::ebx, x86::dword_ptr(x86::r15, offsetof(VmState, sp)));
    a_.mov(x86::r13d, x86::dword_ptr(x86::r15, offsetof(VmState, fp)));
    a_.mov(x86::eax, x86::dword_ptr(x86::r15, offsetof(VmState, pc)));
    a_.cmp(x86::byte_ptr(x86::r15, offsetof(VmState, stopped)), 0);
    a_.jne(exitEax);
    a_.test(x86::bl, 3);
    a_.jnz(exitEax);
}

void Translator::CallStepAndContinue(const Inst& in, bool control) {
    Forget();
    Flush();
    if (control) PollBreak(in.pc);
    EmitStep(in.pc);
    SpReloaded();
    if (control) DispatchEax();
}

// An out-of-line instruction (OutOfLineFor) is called directly, without the interpreter's
// dispatch: CUR and the registers are stored as a step stores them, and what follows is
// what follows a step. A stack it leaves misaligned is reported by the interpreter at the
// next instruction.
void Translator::CallOutOfLine(const Inst& in, OutOfLineInstruction routine) {
    Forget();
    Flush();
    StoreCur(in.pc);
    // SP and FP in one store: the routine reads them as one 8-byte word, which two 4-byte
    // stores could not forward to (a stall of a dozen cycles on every call).
    static_assert(offsetof(VmState, fp) == offsetof(VmState, sp) + 4);
    a_.mov(x86::eax, x86::r13d);
    a_.shl(x86::rax, 32);
    a_.or_(x86::rax, x86::rbx);  // the upper half of rbx is zero: SP is only written as ebx
    a_.mov(x86::qword_ptr(x86::r15, offsetof(VmState, sp)), x86::rax);
    const bool isStd = static_cast<Op>(in.op) == Op::CALLSTD;
    if (StdRoutine direct = isStd ? InstalledStd(in.a) : nullptr) {
        // The standard routine itself, as CallStd would call it: its registers are the
        // context's SP and FP, its exit code a word of the context that starts at 0.
        static_assert(offsetof(Regs, fp) == offsetof(Regs, sp) + 4 && sizeof(Regs) == 8);
        a_.mov(x86::dword_ptr(x86::r15, offsetof(NativeContext, stdExitCode)), 0);
        a_.lea(x86::rdi, x86::ptr(x86::r15, offsetof(VmState, sp)));
        a_.lea(x86::rsi, x86::ptr(x86::r15, offsetof(NativeContext, stdExitCode)));
        a_.mov(x86::rax, reinterpret_cast<uint64_t>(direct));
        a_.call(x86::rax);
        static_assert(static_cast<int>(StdOutcome::Continue) == 0);
        a_.test(x86::eax, x86::eax);
        a_.jne(stdStopped);
    } else {
        a_.mov(x86::rdi, x86::r15);
        a_.mov(x86::esi, uint64_t{in.a});
        a_.mov(x86::edx, uint64_t{in.b});
        a_.mov(x86::rax, reinterpret_cast<uint64_t>(routine));
        a_.call(x86::rax);
    }
    a_.mov(x86::ebx, x86::dword_ptr(x86::r15, offsetof(VmState, sp)));
    a_.mov(x86::r13d, x86::dword_ptr(x86::r15, offsetof(VmState, fp)));
    SpReloaded();
    if (isStd) {
        a_.cmp(x86::byte_ptr(x86::r15, offsetof(VmState, stopped)), 0);
        a_.jne(exitEax);  // the run has ended: nothing reads the code offset
    }
    a_.test(x86::bl, 3);
    a_.jnz(ColdPath(ColdKind::ExitAt, in.pc + in.length));
}

// The range of a op b for the integer operations, from the ranges of a and b, when the
// 32-bit result is known to lie in one range (false otherwise). A sum or difference that
// wraps for every pair of operands (an array's base below its first element, as a negative
// number, plus a scaled index) is the exact sum less (or plus) 4 GiB.
bool CombineRanges(Op op, uint32_t alo, uint32_t ahi, uint32_t blo, uint32_t bhi, uint64_t& lo, uint64_t& hi) {
    constexpr int64_t kWrap = int64_t{1} << 32;
    int64_t l = 0, h = 0;
    switch (op) {
    case Op::ADD: l = int64_t{alo} + blo; h = int64_t{ahi} + bhi; break;
    case Op::SUB: l = int64_t{alo} - bhi; h = int64_t{ahi} - blo; break;
    default: break;
    }
    switch (op) {
    case Op::ADD: case Op::SUB:
        if (l >= kWrap) { l -= kWrap; h -= kWrap; }
        if (h < 0) { l += kWrap; h += kWrap; }
        if (l < 0 || h >= kWrap) return false;  // some pairs wrap, others not
        lo = static_cast<uint64_t>(l);
        hi = static_cast<uint64_t>(h);
        return true;
    case Op::MUL: case Op::MULU:  // the low 32 bits of the product are the same for both
        lo = uint64_t{alo} * blo; hi = uint64_t{ahi} * bhi; return hi <= 0xFFFFFFFFu;
    case Op::AND: lo = 0; hi = std::min(ahi, bhi); return true;
    default: return false;
    }
}

// Checks at run time that ebx + low >= stackLow (where it fails, the interpreter goes on at
// the current instruction); false when it can never hold.
bool Translator::GuardStackAbove(int low, uint32_t floor) {
    const int64_t need = int64_t{std::max(floor, g_engine.stackLow)} - low;
    if (need > 0xFFFFFFFFll) return false;
    if (need > 0) {
        a_.cmp(x86::ebx, static_cast<int32_t>(static_cast<uint32_t>(need)));
        a_.jb(ColdPathFrom(ColdKind::ExitAt, curPc_, startDelta_));
    }
    return true;
}

bool Translator::CachedAboveLow(int low) {
    if (spGuarded_ && low >= spGuard_) return true;
    // With a margin, so that the words pushed next are covered by the same check.
    if (GuardStackAbove(low - kVarMargin)) {
        low -= kVarMargin;
    } else if (!GuardStackAbove(low)) {
        return false;
    }
    spGuarded_ = true;
    spGuard_ = low;
    return true;
}

bool Translator::StoreBelowStack(int i, uint32_t size) {
    uint32_t lo = 0, hi = 0;
    if (!RangeOf(i, lo, hi) || uint64_t{hi} + size > g_engine.stackLow) return false;
    return CachedAboveLow(delta_ + 4 * (i + 1));  // the cached words left lie at SP + 4(i + 1) and up
}

bool Translator::LoadMissesPending(uint32_t hi, uint32_t size) {
    if (!HasPending()) return true;
    return uint64_t{hi} + size <= g_engine.stackLow && CachedAboveLow(delta_ + LowestPending());
}

bool KeepsVars(uint32_t op);
bool IsControl(uint32_t op);
uint32_t LoadSize(Op op);
bool GlobalLoadable(uint32_t address, uint32_t size);

// sqrt translated inline (the engine's own routine is installed): sqrtsd on the real cache,
// a cold path for a negative number or a NaN.
bool IsInlineSqrt(const Inst& in) {
    return static_cast<Op>(in.op) == Op::CALLSTD && in.a == vm::Number(vm::Std::Sqrt) && InstalledStd(in.a) == SqrtRoutine;
}

// Whether the variable cache survives the instruction: KeepsVars, and inline sqrt, which
// takes registers only through the caches.
bool KeepsVarsAt(const Inst& in) { return KeepsVars(in.op) || IsInlineSqrt(in); }

constexpr size_t kLookahead = 64;  // instructions

// The frame offset k of PUSHFP; ADDI/SUBI k; LOADW/LOADR at insts[j] (false if it is not one;
// with anyUse, whatever follows the frame address).
bool FrameLoadAt(const std::vector<Inst>& insts, const std::vector<bool>& isTarget, size_t j, int32_t& disp, bool anyUse = false) {
    if (j + 2 >= insts.size() || static_cast<Op>(insts[j].op) != Op::PUSHFP || isTarget[j + 1] || isTarget[j + 2]) return false;
    const Op add = static_cast<Op>(insts[j + 1].op), load = static_cast<Op>(insts[j + 2].op);
    if ((add != Op::ADDI && add != Op::SUBI) || (!anyUse && load != Op::LOADW && load != Op::LOADR)) return false;
    disp = static_cast<int32_t>(add == Op::ADDI ? insts[j + 1].a : 0u - insts[j + 1].a);
    return true;
}

// PUSHI a at instruction j, with an ADDI or SUBI k right after it or not: the constant
// address a + k of a global (k = 0 without one); use: the instruction that takes it.
bool GlobalAddressAt(const std::vector<Inst>& insts, const std::vector<bool>& isTarget, size_t j, uint32_t& address, size_t& use) {
    if (j + 1 >= insts.size() || static_cast<Op>(insts[j].op) != Op::PUSHI || isTarget[j + 1]) return false;
    address = insts[j].a;
    use = j + 1;
    const Op add = static_cast<Op>(insts[use].op);
    if (add != Op::ADDI && add != Op::SUBI) return true;
    address += add == Op::ADDI ? insts[use].a : 0u - insts[use].a;
    return ++use < insts.size() && !isTarget[use];
}

bool Translator::LoadedLater(uint32_t address, bool fp) const {
    for (size_t j = index_ + static_cast<size_t>(folded_) + 1; j < insts_.size() && j <= index_ + kLookahead; ++j) {
        const Inst& in = insts_[j];
        if (isTarget_[j] || in.op == kBadOp || !KeepsVarsAt(in) || IsControl(in.op)) return false;
        if (fp) {
            int32_t disp = 0;
            if (FrameLoadAt(insts_, isTarget_, j, disp) && static_cast<uint32_t>(disp) == address) return true;
            continue;
        }
        uint32_t a = 0;
        size_t use = 0;
        if (GlobalAddressAt(insts_, isTarget_, j, a, use) && a == address &&
            (static_cast<Op>(insts_[use].op) == Op::LOADW || static_cast<Op>(insts_[use].op) == Op::LOADR))
            return true;
    }
    return false;
}

// The lowest frame offset among disp and the frame addresses ahead in the stretch (of the
// locals it goes on to load, store or index), so that one check covers them all.
int32_t Translator::LowestFrameLoadAhead(int32_t disp) const {
    const size_t j = index_ + static_cast<size_t>(folded_) + 1;
    return j < lowestFrameAhead_.size() ? std::min(disp, lowestFrameAhead_[j]) : disp;
}

// lowestFrameAhead_[j]: the lowest frame offset above -64 Ki of the frame addresses from
// instruction j to the end of its stretch (INT32_MAX: none), for LowestFrameLoadAhead.
void Translator::FindLowestFrameAhead() {
    lowestFrameAhead_.assign(insts_.size() + 1, INT32_MAX);
    for (size_t j = insts_.size(); j-- > 0;) {
        const Inst& in = insts_[j];
        if (isTarget_[j] || in.op == kBadOp || !KeepsVarsAt(in) || IsControl(in.op)) continue;
        int32_t d = 0;
        const bool frame = FrameLoadAt(insts_, isTarget_, j, d, true) && d > -65536;
        lowestFrameAhead_[j] = std::min(frame ? d : INT32_MAX, lowestFrameAhead_[j + 1]);
    }
}

bool Translator::FpGuard(int32_t disp, uint32_t size, int room) {
    if (FpCovers(disp, size)) return true;
    return GuardFrame(LowestFrameLoadAhead(disp), disp, size, room);
}

bool Translator::GuardFrame(int32_t lowest, int32_t disp, uint32_t size, int room) {
    if (g_engine.stackLow > 0x7FFFFFFFu || g_engine.stackTop > 0x7FFFFFFFu) return false;
    const int32_t was = fpLowest_;
    const bool wasGuarded = fpGuarded_;
    fpGuarded_ = true;
    fpLowest_ = lowest;
    if (!FpCovers(disp, size)) { fpGuarded_ = wasGuarded; fpLowest_ = was; return false; }
    // FP <= stackTop; FP + lowest >= stackLow and >= ebx + room, as 64-bit sums (FP's upper
    // half is zero).
    // (The scratch register first: taking it may write a pending word, which the cold
    // path must not write again from a register that no longer holds it.)
    const x86::Gp t = Reg(FreeReg()).r64();
    x64::Label fail = ColdPathFrom(ColdKind::ExitAt, curPc_, startDelta_);
    a_.cmp(x86::r13d, static_cast<int32_t>(g_engine.stackTop));
    a_.ja(fail);
    a_.lea(t, x86::Mem{x86::r13.id, x86::kNoReg, 0, lowest - room, 8});
    a_.cmp(t, static_cast<int32_t>(g_engine.stackLow) - room);
    a_.jl(fail);
    a_.cmp(t, x86::rbx);
    a_.jl(fail);
    fpRoom_ = room;
    return true;
}

bool Translator::VarGuard() {
    if (varGuarded_ && delta_ - kVarMargin / 2 >= varGuard_) return true;
    const int guard = delta_ - kVarMargin;
    if (!GuardStackAbove(guard)) return false;
    varGuarded_ = true;
    varGuard_ = guard;
    return true;
}

void Translator::NoteVar(uint32_t address, uint32_t size, int reg, bool fp, Range range) {
    if (!fp && size == 4 && reg >= 0) {
        for (Var& v : intVars_) {
            if (!v.pinned || v.address != address) continue;
            // A pinned variable keeps its register: the stored value is copied into it. (No
            // other kept variable overlaps it: they are all aligned words or reals kept apart.)
            for (Var& r : realVars_) if (r.reg >= 0 && !r.fp && r.address < address + 4 && r.address + 8 > address) r.reg = -1;
            if (reg != v.reg) DetachPinCopies(v.reg, 0);
            MovIfOther(v.reg, reg);
            v.range = Range{};
            v.checked = false;
            v.id = nextVarId_++;
            return;
        }
    }
    if (fp) {
        FpVarsWritten(static_cast<int32_t>(address), size);
        if (reg < 0 || !FpCovers(static_cast<int32_t>(address), size) || delta_ > fpRoom_ || !LoadedLater(address, true)) return;
    } else {
        VarsWritten(address, uint64_t{address} + size);
        if (reg < 0 || !VarCandidate(address, size) || !varGuarded_ || delta_ < varGuard_) return;
    }
    Var* vars = size == 8 ? realVars_ : intVars_;
    const int count = size == 8 ? kRealVars : kIntVars;
    for (int i = 0; i < count; ++i) {
        if (vars[i].reg != reg) continue;
        if (vars[i].pinned) return;  // the register is a pinned variable's: it changes with it
        vars[i].reg = -1;
    }
    // A free entry, else the oldest one that is not pinned (entries are taken in order, and
    // the others move up when one is given up).
    Var* slot = nullptr;
    for (int i = 0; i < count && slot == nullptr; ++i) if (vars[i].reg < 0) slot = &vars[i];
    if (slot == nullptr) {
        int out = 0;
        while (out < count && vars[out].pinned) ++out;
        if (out == count) return;
        int last = out;
        for (int i = out + 1; i < count; ++i) {
            if (vars[i].pinned) continue;
            vars[last] = vars[i];
            last = i;
        }
        slot = &vars[last];
    }
    *slot = Var{address, reg, fp, size == 4 ? range : Range{}, false, false, nextVarId_++};
}

void Translator::StoreVars(bool known, uint32_t lo, uint32_t hi, bool frame, int32_t disp, uint32_t size, int value, Range range) {
    if (known) {
        if (uint64_t{hi} + size > g_engine.stackLow) ForgetVarsOf(true);  // it may reach a local
        if (lo == hi && value >= 0) NoteVar(lo, size, value, false, range);
        else VarsWritten(lo, uint64_t{hi} + size);
    } else if (frame) {
        if (!FpCovers(disp, size)) ForgetVarsOf(false);  // FP + disp may lie in the globals
        if (value >= 0) NoteVar(static_cast<uint32_t>(disp), size, value, true, range);
        else FpVarsWritten(disp, size);
    } else {
        ForgetVarValues();
        ReloadPins(0, UINT64_MAX);
    }
}

void Translator::Binary(const Inst& in) {
    if (static_cast<Op>(in.op) == Op::ADD && (konst_[0] || konst_[1])) {
        // A constant plus a word: a sum, computed where it is used (AddressOf, Top).
        const int k = konst_[1] ? 1 : 0;
        int reg = -1;
        int32_t addend = 0;
        SumAt(1 - k, reg, addend);
        const auto sum = static_cast<int32_t>(static_cast<uint32_t>(addend) + static_cast<uint32_t>(addend_[k]));
        uint32_t alo = 0, ahi = 0, blo = 0, bhi = 0;
        uint64_t lo = 0, hi = 0;
        const bool known = RangeOf(1, alo, ahi) && RangeOf(0, blo, bhi) && CombineRanges(Op::ADD, alo, ahi, blo, bhi, lo, hi);
        const bool frame = range_[1 - k].fp;
        Move(1);
        ReplaceBySum(reg, sum);
        range_[0] = Range{};
        if (known) SetRange(0, lo, hi);
        else range_[0].indexed = !frame;
        return;
    }
    int b = Top(0), a = Top(1);
    uint32_t alo = 0, ahi = 0, blo = 0, bhi = 0;
    const bool known = RangeOf(1, alo, ahi) && RangeOf(0, blo, bhi);
    Move(1);
    ClearSlot(0);
    // The result goes to a register no other slot or variable needs: a (or a pinned
    // variable's, when the result is stored back to it next), else (the operation
    // commuting) b, else a free one, where a sum takes one lea.
    const Op op = static_cast<Op>(in.op);
    int r = -1;
    if ((!InUse(a) || StoredBackTo(a)) && a != b) {
        r = a;
    } else if (op != Op::SUB && !InUse(b) && a != b) {
        r = b;
        std::swap(a, b);
    } else {
        r = FreeReg(a, b);
        if (op == Op::ADD) {
            a_.lea(Reg(r), x86::Mem{Reg(a).r64().id, Reg(b).r64().id, 0, 0, 4});
            Replace(r);
            uint64_t lo = 0, hi = 0;
            if (known && CombineRanges(op, alo, ahi, blo, bhi, lo, hi)) SetRange(0, lo, hi);
            return;
        }
        a_.mov(Reg(r), Reg(a));
    }
    x86::Gp R = Reg(r), B = Reg(b);
    switch (op) {
    case Op::ADD: a_.add(R, B); break;
    case Op::SUB: a_.sub(R, B); break;
    case Op::MUL: case Op::MULU: a_.imul(R, B); break;
    case Op::AND: a_.and_(R, B); break;
    case Op::OR: a_.or_(R, B); break;
    case Op::XOR: a_.xor_(R, B); break;
    default: break;
    }
    Replace(r);
    uint64_t lo = 0, hi = 0;
    if (known && CombineRanges(op, alo, ahi, blo, bhi, lo, hi)) SetRange(0, lo, hi);
}

// Where a forward jump to target ends up when the constants it leaves on the stack decide
// the way on there: `and` and `or` push their result below each operand and jump with it to
// the next branch of the chain, which then branches on that constant; the chain is followed
// here instead of at run time. first: the cache slot of the top word the jump leaves. The
// instructions followed (branches forward, LNOT, POP) have no other effect; the jump lands
// on the last jump target reached with only the jump's own words popped (pops of them),
// which the interpreter leaves below SP. (A jump straight into a loop from outside keeps
// the loop from pinning globals: ChoosePins finds the jump.)
Translator::Threaded Translator::Thread(uint32_t target, int first) const {
    constexpr int kFollowed = 16;  // instructions followed at most
    Threaded landing{target, 0};
    uint32_t pc = target;
    int pops = 0;
    // The word an LNOT followed computed, on top (each instruction followed pops what it
    // takes, so there is at most one).
    bool computed = false;
    uint32_t computedValue = 0;
    auto top = [&](uint32_t& v) {
        if (computed) return v = computedValue, true;
        const int i = first + pops;
        if (i >= kCacheDepth || !konst_[i]) return false;
        v = static_cast<uint32_t>(addend_[i]);
        return true;
    };
    auto pop = [&] {
        if (computed) computed = false; else ++pops;
    };
    for (int step = 0; step < kFollowed && pc < g_engine.codeSize && indexOf[pc] >= 0; ++step) {
        const auto j = static_cast<size_t>(indexOf[pc]);
        // Not past a fixed target: past a loop's head, a jump from outside the loop would
        // land inside it, bypassing the code that enters the loop (its pinned globals).
        if (fixedTarget_[j]) return landing;
        const Inst& in = insts_[j];
        uint32_t next = pc + in.length, v = 0;
        if (in.op == kBadOp) return landing;
        switch (static_cast<Op>(in.op)) {
        case Op::JZ: case Op::JNZ:
            if (!top(v)) return landing;
            pop();
            if ((static_cast<Op>(in.op) == Op::JZ) == (v == 0)) next = in.a;
            break;
        case Op::JMP: next = in.a; break;
        case Op::LNOT:
            if (!top(v)) return landing;
            pop();
            computed = true;
            computedValue = v == 0 ? 1 : 0;
            break;
        case Op::POP:
            if (!computed && first + pops >= kCacheDepth) return landing;
            pop();
            break;
        default: return landing;
        }
        if (next <= pc || next >= g_engine.codeSize || indexOf[next] < 0) return landing;
        pc = next;
        if (!computed && isTarget_[static_cast<size_t>(indexOf[pc])]) landing = {pc, pops};
    }
    return landing;
}

// a b -- flag, for the integer comparisons. A JZ or JNZ right after it branches on the
// comparison's own condition.
// With a constant: the right operand is the constant just pushed (already written, not
// in a register).
void Translator::Compare(const Inst& in, x64::Cond cc, const uint32_t* constant) {
    const Inst* jump = Foldable(static_cast<size_t>(folded_) + 1);
    if (jump != nullptr && static_cast<Op>(jump->op) != Op::JZ && static_cast<Op>(jump->op) != Op::JNZ) jump = nullptr;
    // A backward branch polls the break flag before the comparison (the poll's own compare
    // would clobber the flags); a break taken there goes on at the comparison.
    if (jump != nullptr && jump->a <= jump->pc) {
        // The interpreter goes on at the comparison when a break is taken: the constant
        // operand, held nowhere else, is written for it.
        if (constant != nullptr) a_.mov(StackWord(0), static_cast<int32_t>(*constant));
        PollBreak(in.pc);
    }
    const Threaded to = jump == nullptr ? Threaded{}
                        : jump->a > jump->pc ? Thread(jump->a, 2) : Threaded{jump->a, 0};
    if (jump != nullptr) PinRoomBefore(to.target, delta_ + 8 + 4 * to.pops);
    if (constant != nullptr) {
        a_.cmp(Reg(Top(1)), static_cast<int32_t>(*constant));
    } else {
        int b = Top(0), a = Top(1);
        a_.cmp(Reg(a), Reg(b));
    }
    Move(1);  // lea, mov and setcc leave the flags alone
    ClearSlot(0);
    if (jump == nullptr) {
        int r = FreeReg();
        a_.set(cc, Reg(r).r8());
        a_.movzx(Reg(r), Reg(r).r8());
        Replace(r);
        return;
    }
    // The branch pops the flag at once: it is neither computed nor written.
    folded_ += 1;
    Mark(jump->pc);
    Move(1);
    LeaveForJump(to.pops);  // (mov and lea leave the flags alone)
    bool onTrue = static_cast<Op>(jump->op) == Op::JNZ;
    a_.j(onTrue ? cc : static_cast<x64::Cond>(cc ^ 1), TargetLabel(to.target));
}

// a b -- a op b for reals, in the xmm registers of the real cache: the operands come from
// the registers that loaded or computed them, not back from the stack just written.
void Translator::RealBinary(const Inst& in) {
    // A trapped floating-point exception is reported at this instruction: the fault
    // handler finds it from the faulting host instruction (NoteNativeFault).
    int b = RealTop(0), a = RealTop(8, b);
    a = RealToComputeIn(a, 0, 16, b);
    x86::Xmm A = x86::xmm(a), B = x86::xmm(b);
    SetClean(a, Clean(a) && Clean(b));
    switch (static_cast<Op>(in.op)) {
    case Op::ADDR: a_.addsd(A, B); break;
    case Op::SUBR: a_.subsd(A, B); break;
    case Op::MULR: a_.mulsd(A, B); break;
    default: {  // DIVR: a zero divisor is the interpreter's error
        a_.xorpd(x86::xmm0, x86::xmm0);
        a_.ucomisd(B, x86::xmm0);
        x64::Label nonzero = a_.newLabel();
        a_.jp(nonzero);
        a_.je(ColdPath(ColdKind::Step, in.pc));
        a_.bind(nonzero);
        a_.divsd(A, B);
    }
    }
    RealsWritten(0, 16);
    Move(2);
    PushedReal(a);
}

// a b -- flag for reals; a NaN operand makes every relation false but NER.
void Translator::RealCompare(const Inst& in) {
    int b = RealTop(0), a = RealTop(8, b);
    const int r = FreeReg(), t = FreeReg(r);  // the flag, and a second condition for EQR, NER
    const x86::Gp R = Reg(r).r8(), T = Reg(t).r8();
    Op op = static_cast<Op>(in.op);
    bool swapped = op == Op::LTR || op == Op::LER;  // a < b is b > a
    a_.ucomisd(x86::xmm(swapped ? b : a), x86::xmm(swapped ? a : b));
    RealsWritten(0, 16);
    switch (op) {
    case Op::EQR: a_.sete(R); a_.setnp(T); a_.and_(R, T); break;
    case Op::NER: a_.setne(R); a_.setp(T); a_.or_(R, T); break;
    case Op::GTR: case Op::LTR: a_.seta(R); break;
    default: a_.setae(R); break;  // GER, LER
    }
    a_.movzx(Reg(r), R);
    Move(3);  // (the integer words cached over the two reals go with them)
    Replace(r);
}

// Loads through the address on top; address 0 reads as 0, as in the interpreter (which
// also reads the always-committed first page and then selects).
void Translator::Load(const Inst& in, bool missesPending, bool missesPins) {
    if (LoadComputedGlobal(static_cast<Op>(in.op))) return;
    GuardIndexed(0, LoadSize(static_cast<Op>(in.op)));
    // The address is a constant other than 0, or its range excludes 0.
    uint32_t lo = 0, hi = 0;
    const bool known = RangeOf(0, lo, hi);
    int32_t disp = 0;
    if (!missesPins) WritePinsReached(known, lo, hi, FrameAddressOf(0, disp), disp, LoadSize(static_cast<Op>(in.op)));
    const bool knownNonZero = topNonZero_ || (known && lo > 0);
    const Op op = static_cast<Op>(in.op);
    // An address that may point into the stack reads the pending words from memory (the
    // address itself among them).
    if (!missesPending && (!known || !LoadMissesPending(hi, LoadSize(op)))) Sync();
    int reg = -1;
    disp = 0;
    if (!knownNonZero || !FoldedAddress(0, reg, disp, LoadSize(op))) {
        reg = Top(0);
        disp = 0;
    }
    LoadFrom(op, reg, disp, !knownNonZero);
}

// The load op from [base + address register a + disp] (a < 0: from [base + disp]), its
// value replacing the address on top (a slot the caller has emptied when a < 0); select:
// address 0 (a's value) reads as 0. The address stays in its slot until the value is
// loaded, for a cold path on the way.
void Translator::LoadFrom(Op op, int a, int32_t disp, bool select) {
    const uint8_t index = IndexOf(a);
    auto at = [&](uint8_t size) { return x86::Mem{x86::r12.id, index, 0, disp, size}; };
    int r = FreeReg(a);
    if (op == Op::LOADR && !select) {
        // Straight into an xmm register; a CHKUD right after compares the memory word.
        int x = FreeXmm();
        a_.movsd(x86::xmm(x), at(8));
        Move(-1);
        PushedReal(x);
        loadedFrom_ = at(8);
        loadedFromNext_ = true;
        return;
    }
    if (op == Op::LOADR) {
        x86::Gp R = Reg(r).r64();
        a_.mov(R, at(8));
        if (select) {
            a_.test(Reg(a), Reg(a));
            a_.cmovz(R, Reg(a).r64());
        }
        Move(-1);
        int x = FreeXmm();
        a_.movq(x86::xmm(x), R);
        PushedReal(x);
        loadedReal_ = r;
        return;
    }
    x86::Gp R = Reg(r);
    switch (op) {
    case Op::LOADB: a_.movzx(R, at(1)); break;
    case Op::LOADH: a_.movzx(R, at(2)); break;
    case Op::LOADHS: a_.movsx(R, at(2)); break;
    default: a_.mov(R, at(4)); break;
    }
    if (select) {
        a_.test(Reg(a), Reg(a));
        a_.cmovz(R, Reg(a));
    }
    Replace(r);
}

// The condition under which an integer comparison's flag is 1; false for any other op.
bool IntegerCondition(Op op, x64::Cond& cc) {
    switch (op) {
    case Op::EQ: cc = x64::kE; return true;
    case Op::NE: cc = x64::kNE; return true;
    case Op::GE: cc = x64::kGE; return true;
    case Op::GT: cc = x64::kG; return true;
    case Op::LE: cc = x64::kLE; return true;
    case Op::LT: cc = x64::kL; return true;
    case Op::GEU: cc = x64::kAE; return true;
    case Op::GTU: cc = x64::kA; return true;
    case Op::LEU: cc = x64::kBE; return true;
    case Op::LTU: cc = x64::kB; return true;
    default: return false;
    }
}

bool IsLoad(uint32_t op) {
    switch (static_cast<Op>(op)) {
    case Op::LOADB: case Op::LOADH: case Op::LOADHS: case Op::LOADW: case Op::LOADR: return true;
    default: return false;
    }
}

uint32_t LoadSize(Op op) {
    switch (op) {
    case Op::LOADB: return 1;
    case Op::LOADH: case Op::LOADHS: return 2;
    case Op::LOADR: return 8;
    default: return 4;
    }
}

// A constant address other than 0 (a global variable's) with a load right after it: one
// load from the window base plus the constant, its value in the slot the address would
// have taken. Addresses from 2 GiB up keep the two instructions (a displacement is signed).
bool Translator::FoldConstantLoad(uint32_t address) {
    const Inst* load = Foldable(1);
    if (load == nullptr || !IsLoad(load->op) || !GlobalLoadable(address, LoadSize(static_cast<Op>(load->op)))) return false;
    ReadyGlobalLoad(static_cast<Op>(load->op), address);
    Move(-1);
    ClearSlot(0);
    RealsWritten(0, 4);
    folded_ = 1;
    Mark(load->pc);
    const Op op = static_cast<Op>(load->op);
    if ((op == Op::LOADW || op == Op::LOADR) && VarCandidate(address, op == Op::LOADR ? 8 : 4)) VarGuard();
    LoadGlobalValue(op, address);
    return true;
}

// A constant address a load may take as a global's: not 0, a displacement (below 2 GiB), and
// below the stack (an address in the stack may be the word a push itself would write).
bool GlobalLoadable(uint32_t address, uint32_t size) {
    return address != 0 && address <= 0x7FFF0000u && uint64_t{address} + size <= g_engine.stackLow;
}

// Before the load op of the global at address: memory made exact for it (pending stack
// words that may lie there, a stale pinned variable), unless a kept variable gives the
// value and memory is not read.
void Translator::ReadyGlobalLoad(Op op, uint32_t address) {
    const bool kept = (op == Op::LOADW && IntVar(address) >= 0) || (op == Op::LOADR && RealVar(address) >= 0);
    if (kept) return;
    if (!LoadMissesPending(address, LoadSize(op))) Sync();
    WritePinsIn(address, uint64_t{address} + LoadSize(op));
}

// The value of the global at address in slot 0, which the caller has emptied: from the
// register of a kept variable, else loaded (and a word or real noted as kept).
void Translator::LoadGlobalValue(Op op, uint32_t address) {
    if (op == Op::LOADW) {
        if (int v = IntVar(address); v >= 0) {  // the variable's value is in v
            Replace(v);
            range_[0] = VarRange(v);
            return;
        }
        LoadFrom(op, -1, static_cast<int32_t>(address), false);
        NoteVar(address, 4, slot_[0]);
        return;
    }
    if (op == Op::LOADR) {
        if (int x = RealVar(address); x >= 0) {
            Move(-1);
            PushedReal(x);
            return;
        }
        LoadFrom(op, -1, static_cast<int32_t>(address), false);
        NoteVar(address, 8, RealAt(0));
        return;
    }
    LoadFrom(op, -1, static_cast<int32_t>(address), false);
}

// A word or real load through a constant address that was computed (a field of a global
// record: PUSHI base; ADDI offset): as FoldConstantLoad, with the address in slot 0.
bool Translator::LoadComputedGlobal(Op op) {
    if (!konst_[0] || (op != Op::LOADW && op != Op::LOADR)) return false;
    const auto address = static_cast<uint32_t>(addend_[0]);
    if (!GlobalLoadable(address, LoadSize(op))) return false;
    // The check comes first: a run that fails it goes on at this load, with its address.
    if (VarCandidate(address, LoadSize(op))) VarGuard();
    ReadyGlobalLoad(op, address);
    ClearSlot(0);
    LoadGlobalValue(op, address);
    return true;
}

// PUSHFP; ADDI/SUBI k: the frame address from one lea, pushed once (the word FP alone is
// overwritten by the next instruction, in the same slot). A load through it right after is
// folded in as well: the address is held in a register and never written, since the
// loaded value takes its slot (and, for a real, the slot below). A fault in the load is
// reported at the load, which has its own start in the fault table.
bool Translator::FoldFrameAddress() {
    const Inst* add = Foldable(1);
    if (add == nullptr) return false;
    Op op = static_cast<Op>(add->op);
    if (op != Op::ADDI && op != Op::SUBI) return false;
    const auto disp = static_cast<int32_t>(op == Op::ADDI ? add->a : 0u - add->a);
    const Inst* load = Foldable(2);
    if (load != nullptr && !IsLoad(load->op)) load = nullptr;
    const Op loadOp = load != nullptr ? static_cast<Op>(load->op) : Op::NOP;
    const uint32_t size = loadOp == Op::LOADR ? 8 : 4;
    if (loadOp == Op::LOADW || loadOp == Op::LOADR) {
        // A local kept in a register: its value, without the address or the load.
        const int v = loadOp == Op::LOADW ? IntVar(static_cast<uint32_t>(disp), true) : RealVar(static_cast<uint32_t>(disp), true);
        if (v >= 0) {
            folded_ = 2;
            Mark(load->pc);
            if (loadOp == Op::LOADW) {
                Push(v);
                range_[0] = VarRange(v);
            } else {
                Move(-2);
                PushedReal(v);
            }
            return true;
        }
        folded_ = 2;  // (for the lookahead: the stretch goes on after the load)
        if (LoadedLater(static_cast<uint32_t>(disp), true)) FpGuard(disp, size);
    }
    // A local at or above ebx (FpGuard) cannot hold a pending word, all of which lie below.
    bool missesPending = !HasPending();
    if (load != nullptr && !missesPending) {
        const uint32_t loadSize = LoadSize(loadOp);
        const int room = HighestPendingEnd() + delta_;
        if (!FpCovers(disp, loadSize) && room <= kVarMargin) FpGuard(disp, loadSize, std::max(room, 0));
        missesPending = FpCovers(disp, loadSize) && HighestPendingEnd() + delta_ <= fpRoom_;
    }
    // (A local checked to lie above the globals needs no pinned variable written back.)
    if (load != nullptr && pinsActive_ && !FpCovers(disp, LoadSize(loadOp))) FpGuard(disp, LoadSize(loadOp));
    // The address is held as FP + disp, in no register: a load or store through it takes it
    // as FP plus displacement where the frame check covers it (else Top() forms it).
    folded_ = 1;
    if (load != nullptr) {
        Move(-1);
        SetSlot(0, -1);  // the address, held but not written
        frame_[0] = true;
        addend_[0] = disp;
        range_[0] = Range{};
        RealsWritten(0, 4);
        folded_ = 2;
        Mark(load->pc);
        topNonZero_ = FpCovers(disp, LoadSize(loadOp)) && g_engine.stackLow > 0;  // FP + disp >= stackLow
        Load(*load, missesPending, FpCovers(disp, LoadSize(loadOp)));
        if (loadOp == Op::LOADW) NoteVar(static_cast<uint32_t>(disp), 4, slot_[0], true);
        if (loadOp == Op::LOADR) NoteVar(static_cast<uint32_t>(disp), 8, RealAt(0), true);
        return true;
    }
    Move(-1);
    Replace(-1);
    frame_[0] = true;
    addend_[0] = disp;
    range_[0].fp = true;  // FP + disp, for a store through it
    range_[0].disp = disp;
    return true;
}

// A constant followed by an integer operation or comparison that takes it as its right
// operand: the constant is used as an immediate, without a register; the operation pops
// it, so it is not written.
bool Translator::FoldConstantOperand(uint32_t v) {
    const Inst* next = Foldable(1);
    if (next == nullptr) return false;
    const Op op = static_cast<Op>(next->op);
    x64::Cond cc = x64::kE;
    const bool compare = IntegerCondition(op, cc);
    if (!compare) {
        switch (op) {
        case Op::ADD: case Op::SUB: case Op::MUL: case Op::MULU: case Op::AND: case Op::OR: case Op::XOR: break;
        default: return false;
        }
    }
    const auto imm = static_cast<int32_t>(v);
    Move(-1);
    ClearSlot(0);
    RealsWritten(0, 4);
    folded_ = 1;
    if (compare) {
        Compare(*next, cc, &v);
        return true;
    }
    if (op == Op::ADD || op == Op::SUB) {
        AddToTop(op, v, 1);
        return true;
    }
    int a = Top(1);
    uint32_t alo = 0, ahi = 0;
    const bool known = RangeOf(1, alo, ahi);
    const bool product = op == Op::MUL || op == Op::MULU;
    const Var* var = product ? VarIn(intVars_, a) : nullptr;
    if (var != nullptr) {
        for (const Product& p : products_) {
            if (p.reg < 0 || p.varId != var->id || p.factor != v) continue;
            Move(1);
            Replace(p.reg);
            range_[0] = p.range;
            return true;
        }
    }
    Move(1);
    ClearSlot(0);
    int r = InUse(a) ? FreeReg(a) : a;
    x86::Gp R = Reg(r), A = Reg(a);
    switch (op) {
    case Op::ADD: MovIfOther(r, a); a_.add(R, imm); break;
    case Op::SUB: MovIfOther(r, a); a_.sub(R, imm); break;
    case Op::AND: MovIfOther(r, a); a_.and_(R, imm); break;
    case Op::OR: MovIfOther(r, a); a_.or_(R, imm); break;
    case Op::XOR: MovIfOther(r, a); a_.xor_(R, imm); break;
    default:  // MUL, MULU: the low 32 bits of the product are the same for both
        if (v != 0 && (v & (v - 1)) == 0) {
            MovIfOther(r, a);
            a_.shl(R, static_cast<uint8_t>(__builtin_ctz(v)));
        } else {
            a_.imul(R, A, imm);
        }
        break;
    }
    Replace(r);
    uint64_t lo = 0, hi = 0;
    if (known && CombineRanges(op, alo, ahi, v, v, lo, hi)) SetRange(0, lo, hi);
    if (var != nullptr && r != a) {  // remembered, in the oldest entry when both are taken
        Product* entry = &products_[0];
        for (Product& p : products_) if (p.reg < 0) { entry = &p; break; }
        if (entry == &products_[0] && products_[0].reg >= 0) {
            products_[0] = products_[1];
            entry = &products_[1];
        }
        *entry = Product{var->id, v, r, range_[0]};
    }
    return true;
}

// Word i (the top, or the word under a constant not pushed) plus or minus v: a sum,
// computed where it is used (AddressOf, Top), replacing the top after the pops.
void Translator::AddToTop(Op op, uint32_t v, int i) {
    int reg = -1;
    int32_t addend = 0;
    SumAt(i, reg, addend);
    uint32_t alo = 0, ahi = 0;
    uint64_t lo = 0, hi = 0;
    const bool known = RangeOf(i, alo, ahi) && CombineRanges(op, alo, ahi, v, v, lo, hi);
    const bool indexed = range_[i].indexed;
    if (i > 0) Move(i);
    const uint32_t k = op == Op::ADD ? v : 0u - v;
    ReplaceBySum(reg, static_cast<int32_t>(static_cast<uint32_t>(addend) + k));
    range_[0] = Range{};
    if (known) SetRange(0, lo, hi);
    else range_[0].indexed = indexed;  // a field of the element
}

// An element address whose range is not known (range checks off) is checked at run time
// to lie in the globals, as an index in its range puts an element of a global array: from 1
// to the stack, and between the pinned variables around the constant part of the address
// (the array's base less its low bound's elements: near its first element; a variable just
// above it may lie before the array, and stays in the range). Then its load or store is one
// of a known range, which keeps the caches and the pinned variables outside it. Elsewhere
// the interpreter goes on from this instruction (its start), and reads or writes wherever
// the address points.
void Translator::GuardIndexed(int i, uint32_t size) {
    const uint32_t stackLow = g_engine.stackLow;
    if (range_[i].known || !range_[i].indexed || konst_[i] || stackLow < size + 2 || stackLow > 0x7FFFFFFFu) return;
    int reg = -1;
    int32_t addend = 0;
    SumAt(i, reg, addend);
    const uint64_t anchor = addend > 0 ? static_cast<uint64_t>(addend) : 1;
    uint64_t lo = 1, hi = stackLow - size;
    for (const Var& v : intVars_) {
        if (!v.pinned) continue;
        if (v.address + uint64_t{4} <= anchor) lo = std::max(lo, v.address + uint64_t{4});
        else if (v.address >= anchor + kIndexedSlack) hi = std::min<uint64_t>(hi, v.address - size);
    }
    if (lo > hi) return;
    // (The scratch register first: taking it may write a pending word, which the cold path
    // must not write again from a register that no longer holds it.)
    const x86::Gp t = Reg(FreeReg(reg));
    a_.lea(t, x86::ptr(Reg(reg).r64(), static_cast<int32_t>(static_cast<uint32_t>(addend) - static_cast<uint32_t>(lo))));
    a_.cmp(t, static_cast<int32_t>(hi - lo));
    a_.ja(ColdPathFrom(ColdKind::ExitAt, curPc_, startDelta_));
    SetRange(i, lo, hi);
}

bool Translator::TranslateInline(const Inst& in) {
    const uint32_t next = in.pc + in.length;
    const auto stackLow = static_cast<int32_t>(g_engine.stackLow);
    const auto stackTop = static_cast<int32_t>(g_engine.stackTop);
    const auto A = static_cast<int32_t>(in.a), B = static_cast<int32_t>(in.b);
    const int loaded = loaded_;
    switch (static_cast<Op>(in.op)) {
    // ---- constants and stack ----
    case Op::PUSH0: case Op::PUSH1: case Op::PUSHT: case Op::PUSH1B: case Op::PUSH2:
    case Op::PUSH4: case Op::PUSH4B: case Op::PUSH8: case Op::PUSH8B: case Op::PUSHI: case Op::PUSHGP: {
        uint32_t v = 0;
        switch (static_cast<Op>(in.op)) {
        case Op::PUSH1: case Op::PUSHT: case Op::PUSH1B: v = 1; break;
        case Op::PUSH2: v = 2; break;
        case Op::PUSH4: case Op::PUSH4B: v = 4; break;
        case Op::PUSH8: case Op::PUSH8B: v = 8; break;
        case Op::PUSHI: v = in.a; break;
        case Op::PUSHGP: v = g_engine.dataBase; break;
        default: break;
        }
        if (FoldConstantLoad(v) || FoldConstantOperand(v)) return true;
        PushConst(v);
        if (v != 0) nonZeroTop_ = true;
        constTop_ = true;
        constValue_ = v;
        return true;
    }
    case Op::PUSHFP: {
        if (FoldFrameAddress()) return true;
        int r = FreeReg();
        a_.mov(Reg(r), x86::r13d);
        Push(r);
        range_[0].fp = true;
        range_[0].disp = 0;
        return true;
    }
    case Op::PUSHSP: { int r = FreeReg(); a_.lea(Reg(r), x86::ptr(x86::rbx, delta_)); Push(r); return true; }
    case Op::DUP: { int t = Top(0); Range r = range_[0]; Push(t); range_[0] = r; return true; }
    case Op::DUP2: {
        int b = Top(0), a = Top(1);
        Range rb = range_[0], ra = range_[1];
        Push(a);
        range_[0] = ra;
        Push(b);
        range_[0] = rb;
        return true;
    }
    case Op::PICK:
        if (in.a % 4 == 0 && in.a < 4 * kCacheDepth) {
            const int k = static_cast<int>(in.a / 4);
            int t = Top(k);
            Range r = range_[k];
            Push(t);
            range_[0] = r;
            return true;
        }
        {
            Sync();  // the word is read from memory
            WritePinsIn(0, UINT64_MAX);  // (SP plus a large offset wraps to any address)
            int r = FreeReg();
            a_.lea(Reg(r), x86::ptr(x86::rbx, A + delta_));  // a 32-bit sum: wraps as the interpreter's
            a_.mov(Reg(r), x86::dword_ptr(x86::r12, Reg(r).r64()));
            Push(r);
        }
        return true;
    case Op::POP: Move(1); return true;
    case Op::POP2: Move(2); return true;
    case Op::NOP: case Op::HOSTREL: case Op::RELHOST: return true;
    case Op::SETFP:
        // Frame addresses held as FP + k are formed with the old FP first.
        for (int i = 1; i < kCacheDepth; ++i) if (frame_[i]) Top(i);
        a_.mov(x86::r13d, Reg(Top(0)));
        Move(1);
        for (Range& r : range_) r.fp = false;  // frame addresses of the old FP
        return true;
    case Op::SETSP: {
        const int t = Top(0);
        Sync();  // at the old SP
        a_.mov(x86::ebx, Reg(t));
        DropAll();
        SpReloaded();
        a_.test(x86::bl, 3);
        a_.jnz(ColdPath(ColdKind::ExitAt, next));
        return true;
    }

    // ---- loads and stores ----
    case Op::LOADB: case Op::LOADH: case Op::LOADHS: case Op::LOADW: case Op::LOADR: Load(in); return true;
    case Op::STOREB: case Op::STOREH: case Op::STOREH2: case Op::STOREW:
    case Op::INCB: case Op::INCH: case Op::INCW: {
        const Op op = static_cast<Op>(in.op);
        const uint32_t size = op == Op::STOREB || op == Op::INCB ? 1 : op == Op::STOREW || op == Op::INCW ? 4 : 2;
        GuardIndexed(1, size);
        uint32_t lo = 0, hi = 0;
        int32_t disp = 0;
        const bool knownAddress = RangeOf(1, lo, hi), frame = FrameAddressOf(1, disp);
        // A word stored to a pinned variable goes to its register only.
        const bool toPin = (op == Op::STOREW || op == Op::INCW) && knownAddress && lo == hi && ToPin(lo);
        // A constant word is stored as an immediate (but into a pinned variable, whose
        // register takes it).
        const bool immediate = op == Op::STOREW && konst_[0] && !toPin;
        const int32_t value = addend_[0];
        // A stored word's known range stays with the variable kept in its register (a
        // with statement's element address, checked once, is loaded again as one of that
        // range).
        Range stored{};
        if (op == Op::STOREW && range_[0].known) stored = {true, range_[0].lo, range_[0].hi, false, 0, false};
        const int w = immediate ? -1 : Top(0);
        x86::Mem at = AddressOf(1, static_cast<uint8_t>(size));
        const bool belowStack = StoreBelowStack(1, size);
        if (knownAddress && op == Op::STOREW && lo == hi && VarCandidate(lo, 4)) VarGuard();
        if (frame && ((op == Op::STOREW && LoadedLater(static_cast<uint32_t>(disp), true)) || pinsActive_)) FpGuard(disp, size);
        // A store that may reach the stack finds the words that outlive it in memory (its
        // operands are popped: what it writes there lies below SP).
        if (!belowStack) WritePendingIn(8, INT32_MAX / 2);
        if (!toPin) WritePinsReached(knownAddress, lo, hi, frame, disp, size);  // (a partial overlap)
        // A pinned variable counted up: in its register.
        const int pin = op == Op::INCW && toPin ? PinRegister(lo) : -1;
        const x86::Gp W = Reg(std::max(w, 0));
        switch (toPin ? Op::NOP : static_cast<Op>(in.op)) {
        case Op::NOP:
            if (pin >= 0) {
                DetachPinCopies(pin, 2);
                a_.add(Reg(pin), W);
            }
            break;
        case Op::STOREB: case Op::INCB:
            if (op == Op::STOREB) a_.mov(at, W.r8()); else a_.add(at, W.r8());
            break;
        case Op::STOREH: case Op::STOREH2: case Op::INCH:
            if (op == Op::INCH) a_.add(at, W.r16()); else a_.mov(at, W.r16());
            break;
        case Op::STOREW:
            if (immediate) a_.mov(at, value); else a_.mov(at, W);
            break;
        default: a_.add(at, W); break;
        }
        Move(2);
        if (!belowStack) DropAll();  // the store may have written a stack word the cache holds
        StoreVars(knownAddress, lo, hi, frame, disp, size, op == Op::STOREW ? w : pin, stored);
        if (toPin) for (Var& v : intVars_) if (v.pinned && v.address == lo) v.stale = true;
        return true;
    }
    case Op::STORER: {
        GuardIndexed(2, 8);
        const x86::Mem at = AddressOf(2, 8);
        const bool belowStack = StoreBelowStack(2, 8);
        uint32_t lo = 0, hi = 0;
        int32_t disp = 0;
        const bool knownAddress = RangeOf(2, lo, hi), frame = FrameAddressOf(2, disp);
        const int x = RealAt(0);
        if (knownAddress && x >= 0 && lo == hi && VarCandidate(lo, 8)) VarGuard();
        if (frame && ((x >= 0 && LoadedLater(static_cast<uint32_t>(disp), true)) || pinsActive_)) FpGuard(disp, 8);
        if (!belowStack) WritePendingIn(12, INT32_MAX / 2);
        WritePinsReached(knownAddress, lo, hi, frame, disp, 8);
        if (x >= 0) {
            a_.movsd(at, x86::xmm(x));
        } else {
            x86::Gp value = Reg(FreeReg(slot_[2])).r64();
            WritePendingIn(0, 8);
            a_.mov(value, StackQwordRead(0));
            a_.mov(at, value);
        }
        Move(3);
        if (!belowStack) DropAll();
        StoreVars(knownAddress, lo, hi, frame, disp, 8, x);
        return true;
    }

    // ---- integer arithmetic and logic ----
    case Op::ADD: case Op::SUB: case Op::MUL: case Op::MULU: case Op::AND: case Op::OR: case Op::XOR:
        Binary(in);
        return true;
    case Op::ADDI: case Op::SUBI:
        AddToTop(static_cast<Op>(in.op) == Op::ADDI ? Op::ADD : Op::SUB, in.a, 0);
        return true;
    case Op::NEG: case Op::NOT: {
        int t = Top(0);
        ClearSlot(0);
        int r = InUse(t) ? FreeReg() : t;
        MovIfOther(r, t);
        if (static_cast<Op>(in.op) == Op::NEG) a_.neg(Reg(r)); else a_.not_(Reg(r));
        Replace(r);
        return true;
    }
    case Op::LNOT: {
        int t = Top(0);
        ClearSlot(0);
        int r = FreeReg(t);
        a_.test(Reg(t), Reg(t));
        a_.sete(Reg(r).r8());
        a_.movzx(Reg(r), Reg(r).r8());
        Replace(r);
        return true;
    }
    case Op::LAND: {
        int b = Top(0), a = Top(1);
        Move(1);
        ClearSlot(0);
        int r = FreeReg(a, b);
        SetSlot(0, r);  // so that the second scratch register differs from the first
        int s = FreeReg(a, b);
        a_.test(Reg(a), Reg(a));
        a_.setne(Reg(r).r8());
        a_.test(Reg(b), Reg(b));
        a_.setne(Reg(s).r8());
        a_.and_(Reg(r).r8(), Reg(s).r8());
        a_.movzx(Reg(r), Reg(r).r8());
        Replace(r);
        return true;
    }
    case Op::EQ: case Op::NE: case Op::GE: case Op::GT: case Op::LE: case Op::LT:
    case Op::GEU: case Op::GTU: case Op::LEU: case Op::LTU: {
        x64::Cond cc = x64::kE;
        IntegerCondition(static_cast<Op>(in.op), cc);
        Compare(in, cc);
        return true;
    }
    case Op::DIV: case Op::MOD: case Op::DIVU: case Op::MODU: {
        // A zero (and for MOD a negative) divisor: the interpreter reports it.
        Forget();
        Op op = static_cast<Op>(in.op);
        a_.mov(x86::ecx, StackWordRead(0));
        a_.test(x86::ecx, x86::ecx);
        if (op == Op::MOD) a_.jle(ColdPath(ColdKind::Step, in.pc));
        else a_.jz(ColdPath(ColdKind::Step, in.pc));
        a_.mov(x86::eax, StackWordRead(4));
        if (op == Op::DIV) {
            x64::Label minusOne = a_.newLabel(), done = a_.newLabel();
            a_.cmp(x86::ecx, -1);
            a_.je(minusOne);
            a_.cdq();
            a_.idiv(x86::ecx);
            a_.jmp(done);
            a_.bind(minusOne);
            a_.neg(x86::eax);  // INT_MIN div -1 wraps instead of trapping
            a_.bind(done);
        } else if (op == Op::MOD) {
            x64::Label done = a_.newLabel();
            a_.cdq();
            a_.idiv(x86::ecx);
            a_.mov(x86::eax, x86::edx);
            a_.test(x86::eax, x86::eax);
            a_.jns(done);
            a_.add(x86::eax, x86::ecx);
            a_.bind(done);
        } else {
            a_.xor_(x86::edx, x86::edx);
            a_.div(x86::ecx);
            if (op == Op::MODU) a_.mov(x86::eax, x86::edx);
        }
        Move(1);
        Replace(0);
        return true;
    }
    case Op::SHL: case Op::SHR:
        Forget();
        a_.mov(x86::ecx, StackWordRead(0));
        a_.test(x86::ecx, x86::ecx);
        a_.js(ColdPath(ColdKind::Step, in.pc));
        a_.mov(x86::eax, StackWordRead(4));
        if (static_cast<Op>(in.op) == Op::SHL) a_.shl_cl(x86::eax); else a_.shr_cl(x86::eax);
        Move(1);
        Replace(0);
        return true;

    // ---- reals ----
    case Op::ADDR: case Op::SUBR: case Op::MULR: case Op::DIVR: RealBinary(in); return true;
    case Op::EQR: case Op::NER: case Op::GER: case Op::GTR: case Op::LER: case Op::LTR: RealCompare(in); return true;
    case Op::NEGR: {
        const int x = RealToComputeIn(RealTop(0), 0, 8);
        const x86::Gp t = Reg(FreeReg()).r64();
        a_.mov(t, uint64_t{1} << 63);
        a_.movq(x86::xmm0, t);
        a_.xorpd(x86::xmm(x), x86::xmm0);
        IntsWritten2();
        NoteReal(0, x, true);
        return true;
    }
    case Op::PUSHR0: case Op::PUSHR1: case Op::PUSHR: {
        double d = static_cast<Op>(in.op) == Op::PUSHR ? in.r : static_cast<Op>(in.op) == Op::PUSHR1 ? 1.0 : 0.0;
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        Move(-2);
        const x86::Gp t = Reg(FreeReg()).r64();
        a_.mov(t, bits);
        int x = FreeXmm();
        a_.movq(x86::xmm(x), t);
        SetClean(x, (bits & kPayloadBits) != kPayloadBits || (bits & kExponentBits) != kExponentBits);
        PushedReal(x);
        return true;
    }
    case Op::ITOR: case Op::UTOR: {
        int w = Top(0);
        int x = FreeXmm();
        if (static_cast<Op>(in.op) == Op::ITOR) a_.cvtsi2sd(x86::xmm(x), Reg(w));
        else a_.cvtsi2sd(x86::xmm(x), Reg(w).r64());  // the 32-bit value is zero-extended
        SetClean(x, true);
        Move(-1);
        PushedReal(x);
        return true;
    }
    case Op::TRUNC: case Op::TRUNC2: {
        // Out of range or NaN raises the invalid-operation exception, as in the interpreter.
        int x = RealTop(0);
        const int r = FreeReg();
        a_.cvttsd2si(Reg(r), x86::xmm(x));
        RealsWritten(0, 8);  // popped
        Move(1);
        Replace(r);
        return true;
    }

    case Op::CALLSTD: {
        // sqrt of a non-negative number (or +0, -0, +inf) cannot fail: sqrtsd gives the
        // routine's result. A negative number or a NaN goes to the routine, for its error.
        if (!IsInlineSqrt(in)) return false;
        const int x = RealToComputeIn(RealTop(0), 0, 8);
        a_.xorpd(x86::xmm0, x86::xmm0);
        a_.ucomisd(x86::xmm(x), x86::xmm0);
        a_.jb(ColdPath(ColdKind::Step, in.pc));  // below zero, or unordered
        a_.sqrtsd(x86::xmm(x), x86::xmm(x));
        SetClean(x, true);  // the root of a number, not a NaN
        IntsWritten2();
        NoteReal(0, x, true);
        return true;
    }

    // ---- control flow ----
    case Op::JMP: {
        const bool back = in.a <= in.pc;
        const Threaded to = back ? Threaded{in.a, 0} : Thread(in.a, 0);
        PinRoomBefore(to.target, delta_ + 4 * to.pops);
        Move(to.pops);  // (nothing falls through: the popped words are dead)
        Forget();
        Flush();
        if (!back) {
            JumpTo(to.target);
            return true;
        }
        // A loop's jump back polls the break flag itself: taken while the flag is clear,
        // else the interpreter goes on at the jump (and stops the run there).
        CompareBreakFlag();
        a_.je(TargetLabel(to.target));
        a_.jmp(ColdPath(ColdKind::ExitAt, in.pc));
        return true;
    }
    case Op::JZ: case Op::JNZ: {
        if (in.a <= in.pc) PollBreak(in.pc);
        int w = Top(0);
        const Threaded to = in.a > in.pc ? Thread(in.a, 1) : Threaded{in.a, 0};
        PinRoomBefore(to.target, delta_ + 4 + 4 * to.pops);
        Move(1);
        LeaveForJump(to.pops);
        a_.test(Reg(w), Reg(w));
        if (static_cast<Op>(in.op) == Op::JZ) a_.jz(TargetLabel(to.target)); else a_.jnz(TargetLabel(to.target));
        return true;
    }
    case Op::CALL:
        if (in.a >= g_engine.codeSize) return false;  // the interpreter reports it
        PollBreak(in.pc);
        Forget();
        Move(-1);
        a_.mov(StackWord(0), static_cast<int32_t>(next));
        Flush();
        JumpTo(in.a);
        return true;
    case Op::RET: {
        int t = Top(0);
        Move(1);
        Sync();  // before eax is taken for the return address
        MovIfOther(0, t);
        DropAll();
        Flush();
        DispatchEax();
        return true;
    }
    case Op::RETD:
        if (in.a % 4 != 0) return false;
        Forget();
        Flush();
        a_.cmp(x86::dword_ptr(x86::r12, stackLow), -1);
        a_.jne(ColdPath(ColdKind::Step, in.pc));
        a_.cmp(x86::dword_ptr(x86::r12, stackLow + 4), -1);
        a_.jne(ColdPath(ColdKind::Step, in.pc));
        a_.mov(x86::eax, StackWordRead(0));
        a_.lea(x86::ebx, x86::ptr(x86::rbx, static_cast<int32_t>(4 + in.a)));
        DispatchEax();
        return true;
    case Op::LEAVE:
        Forget();
        SpReloaded();
        a_.mov(x86::ebx, x86::r13d);
        a_.mov(x86::r13d, StackWordRead(0));
        a_.lea(x86::ebx, x86::ptr(x86::rbx, 4));
        a_.test(x86::bl, 3);
        a_.jnz(ColdPath(ColdKind::ExitAt, next));
        return true;
    case Op::ALLOC:
        if (in.a % 4 != 0 || in.a > kInlineAllocBytes) return false;  // Translate calls Allocate
        Forget();
        if (in.a == 0) return true;
        Flush();
        floorGuard_ = kNoFloor;  // ebx goes down to as low as stackLow
        // The interpreter's bounds: stackLow + n <= SP <= stackTop + n.
        a_.cmp(x86::ebx, stackLow + A);
        a_.jb(ColdPath(ColdKind::Step, in.pc));
        a_.cmp(x86::ebx, stackTop + A);
        a_.ja(ColdPath(ColdKind::Step, in.pc));
        a_.lea(x86::ebx, x86::ptr(x86::rbx, -A));
        if (A >= 8) a_.mov(x86::rax, ~uint64_t{0});
        for (int32_t i = 0; i < A; i += 8) {
            if (i + 8 <= A) a_.mov(StackQword(i), x86::rax); else a_.mov(StackWord(i), -1);
        }
        return true;

    // ---- checks (a failure is reported by the interpreter) ----
    case Op::CHKRNG: case Op::CHKRNGU: {
        bool isSigned = static_cast<Op>(in.op) == Op::CHKRNG;
        bool ordered = isSigned ? A <= B : in.a <= in.b;
        if (topIsConst_) {  // a constant index: the check's outcome is known now
            bool inside = isSigned ? A <= static_cast<int32_t>(topConst_) && static_cast<int32_t>(topConst_) <= B
                                   : in.a <= topConst_ && topConst_ <= in.b;
            if (inside) { constTop_ = true; constValue_ = topConst_; return true; }
        }
        // Past the check the word lies in the bounds: an unsigned range unless a signed one
        // spans 0 (-1 and 0 are far apart as unsigned numbers). A word already known to lie
        // in that range needs no check.
        const bool asUnsigned = ordered && (!isSigned || A >= 0 || B < 0);
        if (uint32_t lo = 0, hi = 0; asUnsigned && RangeOf(0, lo, hi) && in.a <= lo && hi <= in.b) return true;
        int w = Top(0);
        x86::Gp W = Reg(w);
        if (ordered) {
            // lo <= w <= hi is w - lo <= hi - lo as unsigned numbers, signed or not
            x86::Gp T = Reg(FreeReg(w));  // (before the cold path: see FpGuard)
            x64::Label fail = ColdPath(ColdKind::Step, in.pc);
            a_.lea(T, x86::ptr(W.r64(), static_cast<int32_t>(0u - in.a)));
            a_.cmp(T, static_cast<int32_t>(in.b - in.a));
            a_.ja(fail);
            if (asUnsigned) {
                SetRange(0, in.a, in.b);
                for (Var& v : intVars_) if (v.reg == w) v.range = range_[0];  // a kept variable's value
            }
            return true;
        }
        x64::Label fail = ColdPath(ColdKind::Step, in.pc);
        a_.cmp(W, A);
        if (isSigned) a_.jl(fail); else a_.jb(fail);
        a_.cmp(W, B);
        if (isSigned) a_.jg(fail); else a_.ja(fail);
        return true;
    }
    case Op::CHKPTR: {
        x86::Gp W = Reg(Top(0));
        x64::Label fail = ColdPath(ColdKind::Step, in.pc);
        a_.cmp(W, -1);
        a_.je(fail);
        a_.test(W, W);
        a_.je(fail);
        return true;
    }
    case Op::CHKUW: {
        const int w = Top(0);
        Var* var = VarIn(intVars_, w);
        if (var != nullptr && var->checked) return true;  // the kept value passed before
        a_.cmp(Reg(w), -1);
        a_.je(ColdPath(ColdKind::Step, in.pc));
        if (var != nullptr) var->checked = true;
        return true;
    }
    case Op::CHKUB: a_.cmp(Reg(Top(0)), 0xFF); a_.je(ColdPath(ColdKind::Step, in.pc)); return true;
    case Op::CHKUD: {
        // A kept real variable's register holding the top real, checked once in a stretch.
        const int x = RealAt(0);
        Var* var = x >= 0 ? VarIn(realVars_, x) : nullptr;
        if (var != nullptr && var->checked) return true;
        if (x >= 0 && Clean(x)) return true;
        // In an xmm register, the real becomes clean: its low word all ones, rare in a
        // real, goes to the NaN path, which comes back unless the low 51 bits are all ones.
        const x64::Label back = a_.newLabel();
        if (loaded >= 0 && x >= 0) {  // right after LOADR: the low word in a register
            a_.cmp(Reg(loaded), -1);
            a_.je(NanPath(in.pc, x, back));
        } else if (loadedFromNow_ && x >= 0) {  // likewise, in memory
            x86::Mem low = loadedFrom_;
            low.size = 4;
            a_.cmp(low, -1);
            a_.je(NanPath(in.pc, x, back));
        } else if (x >= 0) {
            const x86::Gp t = Reg(FreeReg()).r64();
            a_.movq(t, x86::xmm(x));
            a_.cmp(t.r32(), -1);
            a_.je(NanPath(in.pc, x, back));
        } else {
            const int low = Top(0), high = Top(1);  // both loaded before the branch
            x64::Label defined = a_.newLabel();
            a_.cmp(Reg(low), -1);
            a_.jne(defined);
            a_.cmp(Reg(high), -1);
            a_.je(ColdPath(ColdKind::Step, in.pc));
            a_.bind(defined);
        }
        a_.bind(back);
        if (x >= 0) SetClean(x, true);
        if (var != nullptr) var->checked = true;
        return true;
    }
    case Op::CHKERR: {
        // Nothing pending, the usual case, is one comparison; a pending error is the
        // interpreter's check, which reports it (or with trapping off goes on).
        const x86::Gp P = Reg(FreeReg()).r64();
        a_.mov(P, reinterpret_cast<uint64_t>(&g_errors.pending));
        a_.cmp(x86::dword_ptr(P), 0);
        a_.jne(ColdPath(ColdKind::Step, in.pc));
        return true;
    }
    case Op::CHKSTK:
        Flush();
        a_.cmp(x86::ebx, stackLow);
        a_.jb(ColdPath(ColdKind::Step, in.pc));
        a_.cmp(x86::ebx, stackTop);
        a_.ja(ColdPath(ColdKind::Step, in.pc));
        return true;
    case Op::ASSERT: {
        x86::Gp W = Reg(Top(0));
        a_.test(W, W);
        a_.jz(ColdPath(ColdKind::Step, in.pc));
        Move(1);
        return true;
    }
    default:
        return false;
    }
}

// Instructions that may leave the next one by a jump: after the interpreter runs one of
// them the run goes on at the code offset it left.
// Instructions whose inline translation takes registers only through FreeReg/FreeXmm (so
// the variable cache survives them); every other one forgets the variables first.
bool KeepsVars(uint32_t op) {
    switch (static_cast<Op>(op)) {
    case Op::PUSH0: case Op::PUSH1: case Op::PUSHT: case Op::PUSH1B: case Op::PUSH2:
    case Op::PUSH4: case Op::PUSH4B: case Op::PUSH8: case Op::PUSH8B: case Op::PUSHI: case Op::PUSHGP:
    case Op::PUSHFP: case Op::PUSHSP: case Op::DUP: case Op::DUP2: case Op::PICK: case Op::POP: case Op::POP2:
    case Op::NOP: case Op::HOSTREL: case Op::RELHOST:
    case Op::LOADB: case Op::LOADH: case Op::LOADHS: case Op::LOADW: case Op::LOADR:
    case Op::STOREB: case Op::STOREH: case Op::STOREH2: case Op::STOREW: case Op::INCB: case Op::INCH: case Op::INCW:
    case Op::STORER:
    case Op::ADD: case Op::SUB: case Op::MUL: case Op::MULU: case Op::AND: case Op::OR: case Op::XOR:
    case Op::ADDI: case Op::SUBI: case Op::NEG: case Op::NOT: case Op::LNOT: case Op::LAND:
    case Op::EQ: case Op::NE: case Op::GE: case Op::GT: case Op::LE: case Op::LT:
    case Op::GEU: case Op::GTU: case Op::LEU: case Op::LTU:
    case Op::ADDR: case Op::SUBR: case Op::MULR: case Op::DIVR: case Op::PUSHR0: case Op::PUSHR1: case Op::PUSHR:
    case Op::ITOR: case Op::UTOR: case Op::NEGR: case Op::TRUNC: case Op::TRUNC2:
    case Op::EQR: case Op::NER: case Op::GER: case Op::GTR: case Op::LER: case Op::LTR:
    case Op::JMP: case Op::JZ: case Op::JNZ:
    case Op::CHKRNG: case Op::CHKRNGU: case Op::CHKPTR: case Op::CHKUW: case Op::CHKUB: case Op::CHKUD:
    case Op::CHKSTK: case Op::ASSERT: case Op::CHKERR:
        return true;
    default:
        return false;
    }
}

bool IsControl(uint32_t op) {
    switch (static_cast<Op>(op)) {
    case Op::JMP: case Op::JMPS: case Op::JZ: case Op::JNZ: case Op::JZS: case Op::JNZS:
    case Op::JCASE: case Op::CALL: case Op::CALLS: case Op::RET: case Op::RETD:
    case Op::RTERROR: case Op::UNIMPL:
        return true;
    default:
        return false;
    }
}

void Translator::Translate(const Inst& in) {
    loaded_ = loadedReal_;
    loadedReal_ = -1;
    loadedFromNow_ = loadedFromNext_;
    loadedFromNext_ = false;
    topNonZero_ = nonZeroTop_;
    nonZeroTop_ = false;
    topIsConst_ = constTop_;
    topConst_ = constValue_;
    constTop_ = false;
    if (in.op == kBadOp) {
        // Undefined opcode or cut off by the end of the code: the interpreter reports it.
        Forget();
        Flush();
        a_.mov(x86::eax, uint64_t{in.pc});
        a_.jmp(exitEax);
        return;
    }
    if (!KeepsVarsAt(in)) ForgetVars();
    FuseSetSequence(in);
    if (TranslateInline(in)) return;
    if (static_cast<Op>(in.op) == Op::ALLOC) {
        // A frame too large to fill inline: ALLOCF with the undefined byte is the same
        // instruction (Allocate, its bounds and its errors) as ALLOC of any size.
        Inst fill = in;
        fill.b = kUndefinedByte;
        CallOutOfLine(fill, OutOfLineFor(static_cast<uint32_t>(Op::ALLOCF)));
        return;
    }
    if (OutOfLineInstruction routine = OutOfLineFor(in.op)) {
        CallOutOfLine(in, routine);
        return;
    }
    CallStepAndContinue(in, IsControl(in.op));
}

// ---- variables pinned through a loop ----

// The globals to pin through the loop headed by instruction head, the most often loaded
// first, a load inside an inner loop counting eight times as much as one outside it (false
// when the loop does not qualify: see pinsActive_).
bool Translator::ChoosePins(size_t head, std::vector<uint32_t>& pins) const {
    const size_t end = loopEnds_[head];
    if (end < head || end == 0 || end - head >= kMaxLoop) return false;
    std::vector<uint64_t> weight(end - head + 1, 1);
    for (size_t t = head + 1; t <= end; ++t) {
        if (loopEnds_[t] < t || loopEnds_[t] > end) continue;
        for (size_t j = t; j <= loopEnds_[t]; ++j) weight[j - head] = std::min<uint64_t>(weight[j - head] * 8, 1u << 30);
    }
    std::vector<std::pair<uint32_t, uint64_t>> loads;  // address, weighted count
    for (size_t j = head; j <= end; ++j) {
        const Inst& in = insts_[j];
        if (in.op == kBadOp || !KeepsVarsAt(in)) return false;
        if (j > head && (minSource_[j] < head || (maxSource_[j] > end && maxSource_[j] != 0))) return false;
        uint32_t a = 0;
        size_t use = 0;
        if (!GlobalAddressAt(insts_, isTarget_, j, a, use) || use > end || static_cast<Op>(insts_[use].op) != Op::LOADW) continue;
        if (a == 0 || a > 0x7FFF0000u || uint64_t{a} + 4 > g_engine.stackLow || a % 4 != 0) continue;
        auto it = std::find_if(loads.begin(), loads.end(), [&](const auto& l) { return l.first == a; });
        if (it == loads.end()) loads.push_back({a, weight[j - head]}); else it->second += weight[j - head];
    }
    std::stable_sort(loads.begin(), loads.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    pins.clear();
    for (const auto& l : loads) {
        if (l.second < 2 || static_cast<int>(pins.size()) == kPins) break;
        pins.push_back(l.first);
    }
    return true;  // a loop without globals to pin still keeps its room and frame guards
}

// The lowest frame offset the loop loads from or stores to (kNoFrame: none).
int32_t Translator::LoopFrameLowest() const {
    int32_t lowest = kNoFrame;
    for (size_t j = loopHead_; j <= loopEnd_; ++j) {
        int32_t d = 0;
        if (FrameLoadAt(insts_, isTarget_, j, d, true) && d > -65536) lowest = std::min(lowest, d);
    }
    return lowest;
}

// The way into the loop from outside: room for pushes checked, the pinned globals loaded;
// backward jumps arrive after it, at loopHeadLabel_.
void Translator::EnterLoop(const std::vector<uint32_t>& pins) {
    if (!GuardStackAbove(-kVarMargin, PushFloor())) return;
    pinsActive_ = true;
    loopHead_ = index_;
    loopEnd_ = loopEnds_[index_];
    const int32_t lowest = LoopFrameLowest();
    if (lowest != kNoFrame && GuardFrame(lowest, lowest, 4, 0)) loopFpLowest_ = lowest;
    LoopGuardsHold();
    for (uint32_t address : pins) {
        const int r = FreeReg();
        a_.mov(Reg(r), x86::dword_ptr(x86::r12, static_cast<int32_t>(address)));
        Var* slot = nullptr;
        for (Var& v : intVars_) if (slot == nullptr && v.reg < 0) slot = &v;
        *slot = Var{address, r, false, Range{}, false, true, nextVarId_++, StoredInLoop(address), false};
    }
    loopHeadLabel_ = a_.newLabel();
    a_.bind(loopHeadLabel_);
    // The backward jumps arrive here, with whatever the loop stored.
    for (Var& v : intVars_) if (v.pinned) v.stale = v.deferred;
}

// Whether the loop may store to the word at address by its constant address: a PUSHI of it
// (or of a base an ADDI/SUBI right after it turns into it) that no LOADW takes at once.
// (Not deferred, a pinned variable is written through on every store, however the store
// found its address.)
bool Translator::StoredInLoop(uint32_t address) const {
    for (size_t j = loopHead_; j <= loopEnd_; ++j) {
        if (static_cast<Op>(insts_[j].op) != Op::PUSHI) continue;
        uint32_t a = 0;
        size_t use = 0;
        if (!GlobalAddressAt(insts_, isTarget_, j, a, use)) {
            if (insts_[j].a == address) return true;  // a jump lands between the two
            continue;
        }
        if ((a == address || insts_[j].a == address) && (use > loopEnd_ || static_cast<Op>(insts_[use].op) != Op::LOADW)) return true;
    }
    return false;
}

// ---- set sequences computed on bits (runtime/setsequence.h) ----

// At the first instruction of a set sequence: a call of RunSetSequence, which either does
// the whole sequence and jumps past it or changes nothing; the sequence's own instructions
// follow as usual, for whatever it leaves to them. The instruction after the sequence is
// made a jump target, so that both ways arrive there with SP applied and an empty cache.
void Translator::FuseSetSequence(const Inst& in) {
    constexpr size_t kLongest = 1024;  // instructions a sequence may take in
    if (index_ < setSequenceEnd_ || !SetSequenceMayTake(in.op) || pinsActive_) return;
    if (setPlanBudget_ == 0) return;
    std::vector<SetSequenceInst> run{{in.pc, in.op, in.a, in.b}};
    for (size_t k = 1; k < kLongest; ++k) {
        const Inst* next = Foldable(k);
        if (next == nullptr || !SetSequenceMayTake(next->op)) break;
        run.push_back({next->pc, next->op, next->a, next->b});
    }
    setPlanBudget_ -= std::min(setPlanBudget_, run.size());
    std::unique_ptr<SetSequence> seq = PlanSetSequence(run);
    if (seq == nullptr || index_ + seq->length >= insts_.size()) return;
    const size_t end = index_ + seq->length;
    setSequenceEnd_ = end;
    isTarget_[end] = true;
    fixedTarget_[end] = true;
    Forget();
    ForgetVars();  // the call clobbers the registers that hold them, and writes memory
    Flush();
    a_.mov(x86::eax, x86::r13d);  // SP and FP in one store, as CallOutOfLine
    a_.shl(x86::rax, 32);
    a_.or_(x86::rax, x86::rbx);
    a_.mov(x86::qword_ptr(x86::r15, offsetof(VmState, sp)), x86::rax);
    a_.mov(x86::rdi, x86::r15);
    a_.mov(x86::rsi, reinterpret_cast<uint64_t>(seq.get()));
    a_.mov(x86::rax, reinterpret_cast<uint64_t>(&RunSetSequence));
    a_.call(x86::rax);
    a_.mov(x86::ebx, x86::dword_ptr(x86::r15, offsetof(VmState, sp)));
    SpReloaded();
    a_.test(x86::eax, x86::eax);
    a_.jnz(labels[end]);
    loaded_ = -1;  // the call has clobbered the register a LOADR left its value in
    loadedFromNow_ = false;  // and the address register
    setSequences.push_back(std::move(seq));
}

void Translator::EmitEntryAndExit() {
    // entry(context, target): saves the host's callee-saved registers, loads the VM's and
    // jumps to the target. The stack stays 16-byte aligned at every call the code makes.
    a_.bind(entry);
    a_.push(x86::rbx); a_.push(x86::rbp); a_.push(x86::r12);
    a_.push(x86::r13); a_.push(x86::r14); a_.push(x86::r15);
    a_.sub(x86::rsp, 8);
    a_.mov(x86::r15, x86::rdi);
    a_.mov(x86::r12, x86::qword_ptr(x86::r15, offsetof(NativeContext, mem)));
    a_.mov(x86::r14, x86::qword_ptr(x86::r15, offsetof(NativeContext, table)));
    a_.mov(x86::rbp, x86::qword_ptr(x86::r15, offsetof(NativeContext, cur)));
    a_.mov(x86::ebx, x86::dword_ptr(x86::r15, offsetof(VmState, sp)));
    a_.mov(x86::r13d, x86::dword_ptr(x86::r15, offsetof(VmState, fp)));
    a_.mov(x86::eax, x86::dword_ptr(x86::r15, offsetof(VmState, pc)));  // for an entry at the exit
    a_.jmp(x86::rsi);

    // exit: eax is the code offset where the interpreter goes on (nothing does after a stop).
    a_.bind(exitEax);
    a_.mov(x86::dword_ptr(x86::r15, offsetof(VmState, pc)), x86::eax);
    a_.mov(x86::dword_ptr(x86::r15, offsetof(VmState, sp)), x86::ebx);
    a_.mov(x86::dword_ptr(x86::r15, offsetof(VmState, fp)), x86::r13d);
    a_.add(x86::rsp, 8);
    a_.pop(x86::r15); a_.pop(x86::r14); a_.pop(x86::r13);
    a_.pop(x86::r12); a_.pop(x86::rbp); a_.pop(x86::rbx);
    a_.ret();

    // A directly called standard routine ended the run: stopped, with the exit code it set.
    a_.bind(stdStopped);
    a_.mov(x86::eax, x86::dword_ptr(x86::r15, offsetof(NativeContext, stdExitCode)));
    a_.mov(x86::dword_ptr(x86::r15, offsetof(VmState, exitCode)), x86::eax);
    a_.mov(x86::eax, uint64_t{1});
    a_.mov(x86::byte_ptr(x86::r15, offsetof(VmState, stopped)), x86::al);
    a_.jmp(exitEax);
}

void Translator::EmitCold() {
    // Cold paths run with the registers as they were at their instruction's start (ExitAt
    // after a jump: as they are at its target).
    for (size_t i = 0; i < cold_.size(); ++i) {
        Cold c = cold_[i];
        a_.bind(c.label);
        if (c.kind == ColdKind::NanStep) {
            // Shifted left by 13, the low 51 bits all ones are -8192. Integer instructions:
            // a floating-point comparison would trap on a signalling NaN. (rax is saved
            // around it, as every pool register may hold a pending word; pop leaves the
            // flags.)
            a_.push(x86::rax);
            a_.movq(x86::rax, x86::xmm(c.xmm));
            a_.shl(x86::rax, 13);
            a_.cmp(x86::rax, -8192);
            a_.pop(x86::rax);
            a_.jne(c.to);
        }
        for (const PendingWrite& w : c.writes) {
            if (w.real) a_.movsd(x86::qword_ptr(x86::r12, x86::rbx, 0, w.pos), x86::xmm(w.reg));
            else WriteWord(x86::dword_ptr(x86::r12, x86::rbx, 0, w.pos), w.reg, w.konst, w.frame, w.addend);
        }
        for (const PinWrite& p : c.pins) a_.mov(x86::dword_ptr(x86::r12, static_cast<int32_t>(p.address)), Reg(p.reg));
        if (c.delta != 0) a_.lea(x86::ebx, x86::ptr(x86::rbx, c.delta));
        if (c.kind == ColdKind::Jump) {
            a_.jmp(c.to);
        } else if (c.kind == ColdKind::ExitAt) {
            a_.mov(x86::eax, uint64_t{c.pc});
            a_.jmp(exitEax);
        } else {
            EmitStep(c.pc);
            DispatchEax();
        }
    }
}

void Translator::Run() {
    const uint32_t codeSize = g_engine.codeSize;
    entry = a_.newLabel();
    exitEax = a_.newLabel();
    stdStopped = a_.newLabel();
    indexOf.assign(codeSize, -1);
    isTarget_.assign(insts_.size(), false);
    fixedTarget_.assign(insts_.size(), false);
    jumpsEmitted_.assign(insts_.size(), 0);
    setPlanBudget_ = kSetPlanBudgetPerInstruction * insts_.size() + kSetPlanBudgetBase;
    for (size_t i = 0; i < insts_.size(); ++i) {
        indexOf[insts_[i].pc] = static_cast<int32_t>(i);
        labels.push_back(a_.newLabel());
    }
    auto markTarget = [&](uint32_t t, bool fixed) {
        if (t >= codeSize || indexOf[t] < 0) return;
        isTarget_[indexOf[t]] = true;
        if (fixed) fixedTarget_[indexOf[t]] = true;
    };
    loopEnds_.assign(insts_.size(), 0);
    minSource_.assign(insts_.size(), SIZE_MAX);
    maxSource_.assign(insts_.size(), 0);
    for (size_t j = 0; j < insts_.size(); ++j) {
        const Inst& in = insts_[j];
        if (in.op == kBadOp) continue;
        switch (static_cast<Op>(in.op)) {
        case Op::JMP: case Op::JZ: case Op::JNZ: case Op::CALL:
            markTarget(in.a, in.a <= in.pc || static_cast<Op>(in.op) == Op::CALL);
            if (in.a < codeSize && indexOf[in.a] >= 0) {
                const auto t = static_cast<size_t>(indexOf[in.a]);
                minSource_[t] = std::min(minSource_[t], j);
                maxSource_[t] = std::max(maxSource_[t], j);
                if (t <= j && static_cast<Op>(in.op) != Op::CALL) loopEnds_[t] = std::max(loopEnds_[t], j);
            }
            break;
        default: break;
        }
        // Return points, and whatever follows a jump that may be stepped by the interpreter
        // (which goes on through the entry table). JZ and JNZ are always translated inline:
        // their fall-through continues the stretch, so the caches live on past the branch.
        const bool inlineBranch = static_cast<Op>(in.op) == Op::JZ || static_cast<Op>(in.op) == Op::JNZ;
        if (IsControl(in.op) && !inlineBranch) markTarget(in.pc + in.length, true);
    }

    FindLowestFrameAhead();
    EmitEntryAndExit();
    Forget();
    ForgetVars();
    enterable.assign(insts_.size(), false);
    entryStubOf_.assign(insts_.size(), -1);
    std::vector<uint32_t> pins;
    for (size_t i = 0; i < insts_.size(); ++i) {
        curPc_ = insts_[i].pc;
        startDelta_ = delta_;
        index_ = i;
        folded_ = 0;
        if (pinsActive_ && i > loopEnd_) LeaveLoop();
        const bool join = WillJoin(i);
        if (join) {
            if (pinsActive_) PinRoomBefore(curPc_, delta_);  // the way in by falling through
            Forget();  // before the label: the code that falls through writes its words
            Flush();   // and applies its moves
            ForgetVars();
            spGuarded_ = false;
            loadedReal_ = -1;
            loadedFromNext_ = false;
            nonZeroTop_ = false;
            constTop_ = false;
            floorGuard_ = kNoFloor;  // other ways in may bring another SP
            if (pinsActive_) PinsArrive();
        }
        const bool loop = !pinsActive_ && join && ChoosePins(i, pins);
        // (Not inside a loop: the guards that hold at its jump targets are not checked on
        // the way in through the entry table.)
        enterable[i] = Empty() && delta_ == 0 && !pinsActive_;
        if (enterable[i]) {
            floorGuard_ = kNoFloor;  // a computed jump may arrive with any SP
            NoteEntryGuards(i);
        }
        a_.bind(labels[i]);
        Mark(insts_[i].pc);
        if (loop) EnterLoop(pins);
        Translate(insts_[i]);
        // Folded instructions are not enterable (a computed jump there hands the run to
        // the interpreter) and no direct jump lands on them (Foldable), so their labels
        // stay unbound.
        i += static_cast<size_t>(folded_);
    }
    // Running off the end of the code: the interpreter reports it.
    if (pinsActive_) LeaveLoop();
    Forget();
    Flush();
    a_.mov(x86::eax, uint64_t{codeSize});
    a_.jmp(exitEax);
    bodyEnd = a_.offset();
    EmitCold();
    EmitEntryStubs();
}

void Translator::EmitEntryStubs() {
    for (const EntryStub& e : entryStubs_) {
        a_.bind(e.label);
        const x64::Label fail = a_.newLabel();
        // ebx + guard >= stackLow (delta_ is 0 at an enterable instruction).
        for (const auto& [checked, guard] : {std::pair{e.sp, e.spGuard}, std::pair{e.var, e.varGuard}}) {
            const int64_t need = int64_t{g_engine.stackLow} - guard;
            if (!checked || need <= 0) continue;
            if (need > 0xFFFFFFFFll) {
                a_.jmp(fail);
                continue;
            }
            a_.cmp(x86::ebx, static_cast<int32_t>(static_cast<uint32_t>(need)));
            a_.jb(fail);
        }
        if (e.fp) {  // as GuardFrame checks it
            a_.cmp(x86::r13d, static_cast<int32_t>(g_engine.stackTop));
            a_.ja(fail);
            a_.lea(x86::rax, x86::Mem{x86::r13.id, x86::kNoReg, 0, e.fpLowest - e.fpRoom, 8});
            a_.cmp(x86::rax, static_cast<int32_t>(g_engine.stackLow) - e.fpRoom);
            a_.jl(fail);
            a_.cmp(x86::rax, x86::rbx);
            a_.jl(fail);
        }
        a_.jmp(labels[e.index]);
        a_.bind(fail);
        a_.mov(x86::eax, uint64_t{insts_[e.index].pc});
        a_.jmp(exitEax);
    }
}

}  // namespace

bool UseNativeTier() {
    const char* tier = std::getenv("TARN_TIER");
    return !(tier != nullptr && std::strcmp(tier, "interp") == 0);
}

void NoteBreakForNative() { g_context.breakRequested = 1; }

void NoteNativeFault(const void* context) {
    if (g_image.code == nullptr || context == nullptr) return;
    auto* uc = static_cast<const ucontext_t*>(context);
    auto rip = static_cast<uint64_t>(uc->uc_mcontext.gregs[REG_RIP]);
    auto base = reinterpret_cast<uint64_t>(g_image.code);
    if (rip < base || rip >= base + g_image.bodyEnd) return;
    auto offset = static_cast<uint32_t>(rip - base);
    auto it = std::upper_bound(g_image.starts.begin(), g_image.starts.end(), offset);
    if (it == g_image.starts.begin()) return;
    g_engine.cur = g_image.pcs[static_cast<size_t>(it - g_image.starts.begin()) - 1];
}

// For profiling and reading the translated code (developers only): TARN_PERF_MAP=1 writes
// /tmp/perf-PID.map, which perf report reads, with one symbol per instruction's code
// ("tarn 311 LOADW"); TARN_NATIVE_DUMP=FILE writes the host code itself, whose first byte
// lies at the map's lowest address (tools/native-listing.py shows both together).
void WriteProfilerMap(const std::vector<uint8_t>& bytes, const std::vector<Inst>& insts) {
    const char* perfMap = std::getenv("TARN_PERF_MAP");
    const char* dump = std::getenv("TARN_NATIVE_DUMP");
    if (dump != nullptr && *dump != '\0') {
        if (FILE* f = std::fopen(dump, "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
    }
    if (perfMap == nullptr || std::strcmp(perfMap, "1") != 0) return;
    char name[64];
    std::snprintf(name, sizeof name, "/tmp/perf-%d.map", static_cast<int>(getpid()));
    FILE* f = std::fopen(name, "w");
    if (f == nullptr) return;
    const auto base = reinterpret_cast<uint64_t>(g_image.code);
    if (!g_image.starts.empty()) std::fprintf(f, "%lx %x tarn entry\n", static_cast<unsigned long>(base), g_image.starts[0]);
    std::vector<int32_t> opAt(g_engine.codeSize, -1);
    for (const Inst& in : insts) opAt[in.pc] = static_cast<int32_t>(in.op);
    for (size_t i = 0; i < g_image.starts.size(); ++i) {
        uint32_t from = g_image.starts[i];
        uint32_t to = i + 1 < g_image.starts.size() ? g_image.starts[i + 1] : static_cast<uint32_t>(g_image.bodyEnd);
        if (to <= from) continue;
        const uint32_t pc = g_image.pcs[i];
        const int32_t op = pc < opAt.size() ? opAt[pc] : -1;
        const char* mnemonic = op >= 0 && vm::IsDefinedOpcode(static_cast<uint32_t>(op))
                                   ? vm::kOpTable[static_cast<size_t>(op)].mnemonic.data()
                                   : "?";
        std::fprintf(f, "%lx %x tarn %u %s\n", static_cast<unsigned long>(base + from), to - from, pc, mnemonic);
    }
    std::fprintf(f, "%lx %lx tarn cold\n", static_cast<unsigned long>(base + g_image.bodyEnd),
                 static_cast<unsigned long>(bytes.size() - g_image.bodyEnd));
    std::fclose(f);
}

int RunNative(VmState vm) {
    ReleaseImage();
    if (g_userBreak) return InterpretFrom(vm);  // it stops the run before its first instruction
    std::vector<Inst> insts = Decode();
    Translator t(insts);
    t.Run();
    x64::Assembler& code = t.Code();
    if (!code.finish()) return InterpretFrom(vm);

    size_t page = 4096;
    size_t mapped = (code.code.size() + page - 1) / page * page;
    void* mem = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mem == MAP_FAILED) return InterpretFrom(vm);
    std::memcpy(mem, code.code.data(), code.code.size());
    if (mprotect(mem, mapped, PROT_READ | PROT_EXEC) != 0) {
        munmap(mem, mapped);
        return InterpretFrom(vm);
    }
    auto base = reinterpret_cast<uint64_t>(mem);
    g_image.code = static_cast<uint8_t*>(mem);
    g_image.mapped = mapped;
    g_image.bodyEnd = t.bodyEnd;
    uint64_t exitAddress = base + code.labelOffset(t.exitEax);
    g_image.table.assign(g_engine.codeSize + 1, exitAddress);
    for (size_t i = 0; i < insts.size(); ++i) {
        if (t.enterable[i]) g_image.table[insts[i].pc] = base + code.labelOffset(t.EntryLabel(i));
    }
    g_image.starts = t.starts;
    g_image.pcs = t.startPcs;
    g_image.setSequences = std::move(t.setSequences);
    WriteProfilerMap(code.code, insts);

    g_context.vm = vm;
    g_context.mem = Mem();
    g_context.table = g_image.table.data();
    g_context.cur = &g_engine.cur;
    g_context.breakRequested = g_userBreak ? 1 : 0;

    using Entry = void (*)(NativeContext*, uint64_t);
    auto enter = reinterpret_cast<Entry>(base + code.labelOffset(t.entry));
    // An entry that is not enterable goes straight to the exit, which hands over vm.pc.
    enter(&g_context, vm.pc < g_engine.codeSize ? g_image.table[vm.pc] : exitAddress);

    VmState after = g_context.vm;
    if (after.stopped) {
        ReleaseImage();
        return after.exitCode;
    }
    // The rest of the run belongs to the interpreter; the translated code stays mapped
    // only until the next run (a fault report may still look it up meanwhile).
    return InterpretFrom(after);
}

#endif

}  // namespace tarn::rt
