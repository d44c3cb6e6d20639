// The dispatch loop (see interp.h).
//
// One function runs the whole loop with PC, SP, FP and the memory base in locals. Every
// instruction body is a label; the label names and the operand fetching are generated from
// vm/opcodes.def, so an opcode without a body does not compile. Dispatch is threaded
// (computed goto through a label table) unless TARN_SWITCH_DISPATCH selects the portable
// switch. The loop is instantiated for 1-byte and 4-byte opcodes so that the common byte
// case pays nothing for the other.
//
// Before every instruction the loop checks PC against the code end, SP alignment and the
// user-break flag, and records CUR. The fast path does this with one compare and one
// store: PC is compared with g_fastLimit, which is the code end less the longest
// instruction (so a fetch never needs its own bound check) and which a user break sets to
// 0 (so the same compare notices the break); CUR is stored on every instruction, so a
// fault inside any instruction, even a plain load, reports that instruction's line. The
// exact checks run in the slow path, for the last instructions of the code and after a
// break. SP alignment is tested where SP can lose it (see NEXT_SP).
//
// Measured on the dispatch benchmark, most of the time goes to the number of host
// instructions per VM instruction, so the hot paths avoid extra work: PC is a code offset
// (CUR is a copy of it, no subtraction), each instruction advances PC once by its whole
// length, nil loads select instead of branching, and small ALLOCs are filled inline.
#include "runtime/interp.h"

#include <atomic>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/jit.h"
#include "runtime/stdroutines.h"
#include "runtime/vmsets.h"
#include "runtime/vmstrings.h"
#include "runtime/vmvariant.h"
#include "vm/opcodes.h"

namespace tarn::rt {

namespace {

using vm::Op;
using vm::Operands;

constexpr uint32_t kLongestInstruction = 4 + 8;  // word opcode + two words or one real
constexpr uint32_t kUndefinedSlot = 256;         // label slot of 4-byte opcodes above 0xff
constexpr uint32_t kInlineAllocBytes = 64;       // ALLOC sizes filled without a call

// Reads the operands of the instruction at pc and moves pc past it. The dispatch leaves pc
// on the opcode, so each instruction advances it once, by its whole length.
template <Op op, bool kWordOps>
inline void FetchOperands(const uint8_t* code, uint32_t& pc, uint32_t& a, uint32_t& b, double& r) {
    constexpr Operands shape = vm::Info(op).operands;
    const uint8_t* operands = code + pc + (kWordOps ? 4 : 1);
    if constexpr (shape == Operands::W || shape == Operands::WW) a = LoadWord(operands);
    if constexpr (shape == Operands::WW) b = LoadWord(operands + 4);
    if constexpr (shape == Operands::R8) r = LoadReal(operands);
    pc += (kWordOps ? 4 : 1) + vm::OperandBytes(shape);
    (void)a, (void)b, (void)r;
}

// The fast-path limit of the dispatch loop: a code offset below which an instruction needs
// no check of its own beyond "pc < limit" (it cannot run off the code end). A user break
// sets it to 0, so that same compare also sends the next instruction to the slow path,
// which sees the break flag: one compare per instruction covers both checks.
std::atomic<uint32_t> g_fastLimit{0};

// The user break: reported like a run-time error but the run returns normally, with the
// program's exit-code variable as its result.
int UserAbort(uint32_t at) {
    g_userBreak = 0;
    Report("User abort", at);
    ReleaseResources();
    return g_engine.exitCodeVar ? static_cast<int>(VmWord(g_engine.exitCodeVar)) : 0;
}

// Exact check for an instruction near the end of the code: its opcode and operands must
// lie inside the code segment.
template <bool kWordOps>
void CheckLastInstruction(const uint8_t* code, uint32_t pc, uint32_t codeSize) {
    uint32_t width = kWordOps ? 4 : 1;
    if (codeSize - pc < width) RunTimeError("Code segment overflow");
    uint32_t op = kWordOps ? LoadWord(code + pc) : code[pc];
    uint32_t length = width + (vm::IsDefinedOpcode(op) ? vm::OperandBytes(vm::kOpTable[op].operands) : 0);
    if (codeSize - pc < length) RunTimeError("Code segment overflow");
}

// Real to word, truncating. Out of range and NaN raise the invalid-operation exception
// (a trapped run reports it as invalid arithmetic) and give the integer-indefinite value.
uint32_t TruncateReal(double d) {
    if (d > -2147483649.0 && d < 2147483648.0) return static_cast<uint32_t>(static_cast<int32_t>(d));
    std::feraiseexcept(FE_INVALID);
    return 0x80000000u;
}

uint32_t DivideSigned(int32_t a, int32_t b) {
    if (b == 0) RunTimeError("Division by zero");
    return DivideWrapping(a, b);
}

uint32_t ModSigned(int32_t a, int32_t b) {
    if (b == 0) RunTimeError("MOD zero");
    if (b < 0) RunTimeError("MOD negative");
    return ModPositive(a, b);
}

uint32_t ShiftCount(uint32_t b) {
    if (static_cast<int32_t>(b) < 0) RunTimeError("Shift count negative");
    return b & 31;
}

const char* RtErrorMessage(uint32_t code, char (&buf)[32]) {
    switch (code) {
    case 0x1000: return "Invalid code address";
    case 0x1001: return "Case index does not match case constant(s)";
    case 0x1002: return "Invalid assertion";
    default: std::snprintf(buf, sizeof buf, "#%lu", static_cast<unsigned long>(code)); return buf;
    }
}

// Reserves n bytes of stack filled with fill (ALLOC, ALLOCF).
uint32_t Allocate(uint32_t sp, uint32_t n, uint8_t fill) {
    if (n % 4 != 0) RunTimeError("Bad allocation size");
    if (n == 0) return sp;
    int64_t newSp = int64_t{sp} - n;
    if (newSp < g_engine.stackLow || newSp > g_engine.stackTop) RunTimeError("Stack overflow");
    std::memset(Mem() + newSp, fill, n);
    return static_cast<uint32_t>(newSp);
}

// ENTER size level: builds a display frame and returns the new SP; FP is set through fp.
uint32_t Enter(uint32_t sp, uint32_t& fp, uint32_t size, uint32_t level) {
    uint32_t callerFp = fp;
    // The size is judged before the frame words are pushed: pushing them cannot fail on
    // its own, so the one error a bad size gives must not depend on how full the stack is.
    if (size % 4 != 0) RunTimeError("Illegal size of local storage");
    uint64_t pushes = 1 + (level > 2 ? level - 2 : 0) + (level > 1 ? 1 : 0);
    if (int64_t{sp} - 4 * int64_t(pushes) < g_engine.stackLow) RunTimeError("Invalid Stack Pointer");
    Regs r{sp, fp};
    Push(r, callerFp);
    uint32_t frame = r.sp;
    for (uint32_t k = 1; level > 2 && k <= level - 2; ++k) Push(r, VmWord(callerFp - 4 * k));
    if (level > 1) Push(r, frame);
    fp = frame;
    int64_t newSp = int64_t{r.sp} - size;
    if (newSp < g_engine.stackLow || newSp > g_engine.stackTop) RunTimeError("Invalid Stack Pointer");
    std::memset(Mem() + newSp, kUndefinedByte, size);
    return static_cast<uint32_t>(newSp);
}

// a + b and a * b as the hardware computes them in this order: when both are NaNs the
// result is the left one (with its sign), whatever order the C++ compiler would pick for
// an operation it may treat as commutative. The native tier computes the same.
inline double AddReals(double a, double b) {
#if defined(__x86_64__)
    asm("addsd %1, %0" : "+x"(a) : "x"(b));
    return a;
#else
    return a + b;
#endif
}
inline double MulReals(double a, double b) {
#if defined(__x86_64__)
    asm("mulsd %1, %0" : "+x"(a) : "x"(b));
    return a;
#else
    return a * b;
#endif
}

// The loop, from the registers in vm. With kStep it runs exactly one instruction, the one
// at vm.pc, and returns with vm holding the registers after it (vm.stopped when a standard
// routine ended the program): the native tier runs the instructions it does not translate
// this way, so both tiers share one implementation of them. A step makes none of the
// per-instruction checks; its caller has made them.
template <bool kWordOps, bool kStep>
int Run(VmState& vm) {
    const uint32_t codeSize = g_engine.codeSize;
    if constexpr (!kStep) {
        // The limit is set before the flag is read: a break arriving in between still
        // leaves the limit at 0 (BreakDispatch sets the flag first).
        g_fastLimit.store(codeSize > kLongestInstruction ? codeSize - kLongestInstruction : 0);
        if (g_userBreak) g_fastLimit.store(0);
    }

    uint8_t* const M = Mem();
    const uint8_t* const code = g_engine.code;
    const uint32_t gp = g_engine.dataBase;
    uint32_t sp = vm.sp;
    uint32_t fp = vm.fp;
    const uint32_t stackLow = g_engine.stackLow;
    const uint32_t stackTop = g_engine.stackTop;
    // PC is a code offset rather than a host pointer: CUR is then a plain copy of it, and
    // jumps, calls and returns store and load offsets without converting. (A 64-bit PC
    // would save the zero-extension before each fetch, but measured slower: the compiler
    // then turns JZ/JNZ into branches to out-of-line copies of the dispatch.)
    uint32_t pc = vm.pc;
    uint32_t op = 0, opA = 0, opB = 0;
    double opR = 0;

#define W(a) LoadWord(M + (a))
#define SETW(a, v) StoreWord(M + (a), (v))
#define R(a) LoadReal(M + (a))
#define SETR(a, v) StoreReal(M + (a), (v))
#define PUSH(v) do { uint32_t v_ = (v); sp -= 4; SETW(sp, v_); } while (0)
#define SYNC_CALL(call) do { Regs r_{sp, fp}; call; sp = r_.sp; } while (0)
#define BINARY(expr) do { uint32_t b = W(sp); sp += 4; uint32_t a = W(sp); SETW(sp, (expr)); } while (0)
#define SIGNED_BINARY(expr) do { int32_t b = static_cast<int32_t>(W(sp)); sp += 4; \
        int32_t a = static_cast<int32_t>(W(sp)); SETW(sp, static_cast<uint32_t>(expr)); } while (0)
#define REAL_BINARY(expr) do { double b = R(sp); sp += 8; double a = R(sp); SETR(sp, (expr)); } while (0)
#define REAL_COMPARE(expr) do { double b = R(sp); double a = R(sp + 8); sp += 12; SETW(sp, (expr) ? 1u : 0u); } while (0)

#define FETCH_OPCODE                                                        \
    if constexpr (kWordOps) {                                               \
        op = LoadWord(code + pc);                                           \
        if (op > 0xff) op = kUndefinedSlot;                                 \
    } else {                                                                \
        op = code[pc];                                                      \
    }
#define FAST_PATH_ENDS (pc >= g_fastLimit.load(std::memory_order_relaxed))

#ifdef TARN_SWITCH_DISPATCH
#define NEXT do { if constexpr (kStep) goto step_done; else goto next_instruction; } while (0)
#define NEXT_SP NEXT
#else
    void* labels[kUndefinedSlot + 1];
    if constexpr (!kStep) {
        for (void*& l : labels) l = &&L_undefined;
#define OP(value, name, shape) labels[value] = &&L_##name;
#include "vm/opcodes.def"
#undef OP
    }
// Threaded dispatch tests SP alignment only after the instructions that can break it
// (SP set from a popped word, an operand size or an out-of-line helper); every other
// instruction moves SP by multiples of 4, so the per-instruction check sees the same.
#define DISPATCH_IF(cond)                                                                    \
    do {                                                                                     \
        if (__builtin_expect((cond), 0)) goto slow_path;                                     \
        g_engine.cur = pc;                                                                   \
        FETCH_OPCODE                                                                         \
        goto* labels[op];                                                                    \
    } while (0)
#define NEXT do { if constexpr (kStep) goto step_done; else DISPATCH_IF(FAST_PATH_ENDS); } while (0)
#define NEXT_SP do { if constexpr (kStep) goto step_done; else DISPATCH_IF(FAST_PATH_ENDS | ((sp & 3) != 0)); } while (0)
#endif

#define INSTR(name) L_##name: FetchOperands<Op::name, kWordOps>(code, pc, opA, opB, opR);

    if constexpr (kStep) {
        g_engine.cur = pc;
        FETCH_OPCODE
        goto dispatch;
    }
    goto next_instruction;
next_instruction:
    if (__builtin_expect(FAST_PATH_ENDS | ((sp & 3) != 0), 0)) goto slow_path;
    g_engine.cur = pc;
    FETCH_OPCODE
    goto dispatch;

slow_path:
    if (pc >= codeSize) RunTimeError("Code segment overflow");
    if (sp & 3) RunTimeError("Misaligned stack");
    g_engine.cur = pc;
    if (g_userBreak) return UserAbort(pc);
    CheckLastInstruction<kWordOps>(code, pc, codeSize);
    FETCH_OPCODE

dispatch:
#ifndef TARN_SWITCH_DISPATCH
    if constexpr (!kStep) goto* labels[op];
#endif
    switch (op) {
#define OP(value, name, shape) case value: goto L_##name;
#include "vm/opcodes.def"
#undef OP
    default: goto L_undefined;
    }

step_done: __attribute__((unused));
    vm.pc = pc;
    vm.sp = sp;
    vm.fp = fp;
    return 0;

L_undefined:
    RunTimeError("Undefined opcode, you may need to upgrade the interpreter");

    // ---- constants and stack ----
INSTR(PUSH0) PUSH(0); NEXT;
INSTR(PUSH1) PUSH(1); NEXT;
INSTR(PUSHT) PUSH(1); NEXT;
INSTR(PUSH1B) PUSH(1); NEXT;
INSTR(PUSH2) PUSH(2); NEXT;
INSTR(PUSH4) PUSH(4); NEXT;
INSTR(PUSH4B) PUSH(4); NEXT;
INSTR(PUSH8) PUSH(8); NEXT;
INSTR(PUSH8B) PUSH(8); NEXT;
INSTR(PUSHI) PUSH(opA); NEXT;
INSTR(PUSHR0) sp -= 8; SETR(sp, 0.0); NEXT;
INSTR(PUSHR1) sp -= 8; SETR(sp, 1.0); NEXT;
INSTR(PUSHR) sp -= 8; SETR(sp, opR); NEXT;
INSTR(PUSHE) sp -= 8; SETR(sp, std::exp(1.0)); NEXT;
INSTR(DUP) PUSH(W(sp)); NEXT;
INSTR(DUP2) sp -= 8; SETW(sp, W(sp + 8)); SETW(sp + 4, W(sp + 12)); NEXT;
INSTR(PICK) PUSH(W(sp + opA)); NEXT;
INSTR(POP) sp += 4; NEXT;
INSTR(POP2) sp += 8; NEXT;
INSTR(PUSHFP) PUSH(fp); NEXT;
INSTR(PUSHGP) PUSH(gp); NEXT;
INSTR(PUSHSP) PUSH(sp); NEXT;
INSTR(SETFP) fp = W(sp); sp += 4; NEXT;
INSTR(SETSP) sp = W(sp); NEXT_SP;

    // ---- loads and stores (address 0 loads 0) ----
    // The first page of VM memory is always committed, so a load through nil reads it
    // harmlessly and the result is then replaced by 0: a select instead of a branch, which
    // keeps the common non-nil path straight.
INSTR(LOADB) { uint32_t a = W(sp); uint32_t v = M[a]; SETW(sp, a ? v : 0u); } NEXT;
INSTR(LOADH) { uint32_t a = W(sp); uint16_t h; std::memcpy(&h, M + a, 2); SETW(sp, a ? h : 0u); } NEXT;
INSTR(LOADHS) {
    uint32_t a = W(sp); int16_t h;
    std::memcpy(&h, M + a, 2);
    SETW(sp, a ? static_cast<uint32_t>(int32_t{h}) : 0u);
} NEXT;
INSTR(LOADW) { uint32_t a = W(sp); uint32_t v = W(a); SETW(sp, a ? v : 0u); } NEXT;
INSTR(LOADR) { uint32_t a = W(sp); double v = R(a); sp -= 4; SETR(sp, a ? v : 0.0); } NEXT;
INSTR(LOADF) {
    uint32_t a = W(sp); float f;
    std::memcpy(&f, M + a, 4);
    sp -= 4; SETR(sp, a ? double{f} : 0.0);
} NEXT;
INSTR(STOREB) M[W(sp + 4)] = static_cast<uint8_t>(W(sp)); sp += 8; NEXT;
INSTR(STOREH) { uint16_t h = static_cast<uint16_t>(W(sp)); std::memcpy(M + W(sp + 4), &h, 2); sp += 8; } NEXT;
INSTR(STOREH2) { uint16_t h = static_cast<uint16_t>(W(sp)); std::memcpy(M + W(sp + 4), &h, 2); sp += 8; } NEXT;
INSTR(STOREW) SETW(W(sp + 4), W(sp)); sp += 8; NEXT;
INSTR(STORER) SETR(W(sp + 8), R(sp)); sp += 12; NEXT;
INSTR(STOREF) { float f = static_cast<float>(R(sp)); std::memcpy(M + W(sp + 8), &f, 4); sp += 12; } NEXT;
INSTR(INCB) M[W(sp + 4)] += static_cast<uint8_t>(W(sp)); sp += 8; NEXT;
INSTR(INCH) {
    uint8_t* p = M + W(sp + 4); uint16_t h;
    std::memcpy(&h, p, 2); h = static_cast<uint16_t>(h + W(sp)); std::memcpy(p, &h, 2);
    sp += 8;
} NEXT;
INSTR(INCW) { uint32_t a = W(sp + 4); SETW(a, W(a) + W(sp)); sp += 8; } NEXT;
INSTR(FILL) {
    uint32_t n = W(sp), b = W(sp + 4), a = W(sp + 8);
    sp += 12;
    std::memset(VmSpan(a, n), static_cast<uint8_t>(b), n);
} NEXT;
INSTR(HOSTREL) NEXT;  // VM address == address relative to the memory base (interp.h)
INSTR(RELHOST) NEXT;

    // ---- integer arithmetic and logic ----
INSTR(ADD) BINARY(a + b); NEXT;
INSTR(SUB) BINARY(a - b); NEXT;
INSTR(MUL) BINARY(a * b); NEXT;
INSTR(MULU) BINARY(a * b); NEXT;
INSTR(ADDI) SETW(sp, W(sp) + opA); NEXT;
INSTR(SUBI) SETW(sp, W(sp) - opA); NEXT;
INSTR(NEG) SETW(sp, 0u - W(sp)); NEXT;
INSTR(DIV) SIGNED_BINARY(DivideSigned(a, b)); NEXT;
INSTR(DIVU) BINARY(b ? a / b : (RunTimeError("Division by zero"), 0u)); NEXT;
INSTR(MOD) SIGNED_BINARY(ModSigned(a, b)); NEXT;
INSTR(MODU) BINARY(b ? a % b : (RunTimeError("MOD zero"), 0u)); NEXT;
INSTR(AND) BINARY(a & b); NEXT;
INSTR(OR) BINARY(a | b); NEXT;
INSTR(XOR) BINARY(a ^ b); NEXT;
INSTR(NOT) SETW(sp, ~W(sp)); NEXT;
INSTR(LAND) BINARY((a != 0 && b != 0) ? 1u : 0u); NEXT;
INSTR(LNOT) SETW(sp, W(sp) == 0 ? 1u : 0u); NEXT;
INSTR(SHL) BINARY(a << ShiftCount(b)); NEXT;
INSTR(SHR) BINARY(a >> ShiftCount(b)); NEXT;

    // ---- comparisons ----
INSTR(EQ) BINARY(a == b ? 1u : 0u); NEXT;
INSTR(NE) BINARY(a != b ? 1u : 0u); NEXT;
INSTR(GE) SIGNED_BINARY(a >= b ? 1 : 0); NEXT;
INSTR(GT) SIGNED_BINARY(a > b ? 1 : 0); NEXT;
INSTR(LE) SIGNED_BINARY(a <= b ? 1 : 0); NEXT;
INSTR(LT) SIGNED_BINARY(a < b ? 1 : 0); NEXT;
INSTR(GEU) BINARY(a >= b ? 1u : 0u); NEXT;
INSTR(GTU) BINARY(a > b ? 1u : 0u); NEXT;
INSTR(LEU) BINARY(a <= b ? 1u : 0u); NEXT;
INSTR(LTU) BINARY(a < b ? 1u : 0u); NEXT;
    // Quiet comparisons: a NaN operand makes them false without the invalid-operation trap.
INSTR(EQR) REAL_COMPARE(a == b); NEXT;
INSTR(NER) REAL_COMPARE(!(a == b)); NEXT;
INSTR(GER) REAL_COMPARE(std::isgreaterequal(a, b)); NEXT;
INSTR(GTR) REAL_COMPARE(std::isgreater(a, b)); NEXT;
INSTR(LER) REAL_COMPARE(std::islessequal(a, b)); NEXT;
INSTR(LTR) REAL_COMPARE(std::isless(a, b)); NEXT;

    // ---- reals and conversions ----
INSTR(ADDR) REAL_BINARY(AddReals(a, b)); NEXT;
INSTR(SUBR) REAL_BINARY(a - b); NEXT;
INSTR(MULR) REAL_BINARY(MulReals(a, b)); NEXT;
INSTR(DIVR) REAL_BINARY(b == 0.0 ? (RunTimeError("Division by zero"), 0.0) : a / b); NEXT;
INSTR(NEGR) SETR(sp, -R(sp)); NEXT;
INSTR(ITOR) { int32_t w = static_cast<int32_t>(W(sp)); sp -= 4; SETR(sp, w); } NEXT;
INSTR(UTOR) { uint32_t w = W(sp); sp -= 4; SETR(sp, w); } NEXT;
INSTR(TRUNC) { uint32_t w = TruncateReal(R(sp)); sp += 4; SETW(sp, w); } NEXT;
INSTR(TRUNC2) { uint32_t w = TruncateReal(R(sp)); sp += 4; SETW(sp, w); } NEXT;

    // ---- control flow ----
INSTR(NOP) NEXT;
INSTR(JMP) pc = opA; NEXT;
INSTR(JMPS) pc = W(sp); sp += 4; NEXT;
INSTR(JZ) if (W(sp) == 0) pc = opA; sp += 4; NEXT;
INSTR(JNZ) if (W(sp) != 0) pc = opA; sp += 4; NEXT;
INSTR(JZS) if (W(sp) == 0) pc = W(sp + 4); sp += 8; NEXT;
INSTR(JNZS) if (W(sp) != 0) pc = W(sp + 4); sp += 8; NEXT;
INSTR(JCASE) {
    uint32_t target = W(gp + opA + 4 * W(sp));
    sp += 4;
    if (target == 0) RunTimeError("Illegal code address");
    pc = target;
} NEXT;

    // ---- calls and activation records (return addresses are code offsets) ----
INSTR(CALL) {
    if (opA >= codeSize) RunTimeError("Illegal code address");
    PUSH(pc);
    pc = opA;
} NEXT;
INSTR(CALLS) {
    uint32_t target = W(sp);
    if (target >= codeSize) RunTimeError("Illegal code address");
    SETW(sp, pc);
    pc = target;
} NEXT;
INSTR(RET) pc = W(sp); sp += 4; NEXT;
INSTR(RETD) {
    if (W(stackLow) != kUndefinedWord || W(stackLow + 4) != kUndefinedWord) RunTimeError("Stack overflow");
    if (opA % 4 != 0) RunTimeError("RETD: Illegal size of local storage");
    pc = W(sp);
    sp += 4 + opA;
} NEXT_SP;
INSTR(ENTER) sp = Enter(sp, fp, opA, opB); NEXT_SP;
INSTR(LEAVE) sp = fp; fp = W(sp); sp += 4; NEXT_SP;
    // The frames compiled code builds allocate a few words; those are filled inline, and
    // only odd sizes, large areas and overflows go to the general routine.
INSTR(ALLOC)
    if (opA <= kInlineAllocBytes && opA % 4 == 0 && sp >= stackLow + opA && sp - opA <= stackTop) {
        for (uint32_t i = 4; i <= opA; i += 4) SETW(sp - i, kUndefinedWord);
        sp -= opA;
    } else {
        sp = Allocate(sp, opA, kUndefinedByte);
    }
    NEXT_SP;
INSTR(ALLOCF) sp = Allocate(sp, opA, static_cast<uint8_t>(opB)); NEXT_SP;

    // ---- checks ----
INSTR(CHKRNG) {
    int32_t w = static_cast<int32_t>(W(sp));
    if (w < static_cast<int32_t>(opA) || w > static_cast<int32_t>(opB)) RunTimeError("Value out of range");
} NEXT;
INSTR(CHKRNGU) if (W(sp) < opA || W(sp) > opB) RunTimeError("Value out of range"); NEXT;
INSTR(CHKPTR) {
    uint32_t a = W(sp);
    if (a == kUndefinedWord) RunTimeError("Undefined pointer dereferenced");
    if (a == 0) RunTimeError("Nil pointer dereferenced");
} NEXT;
INSTR(CHKUB) if (W(sp) == kUndefinedByte) RunTimeError("Access made to undefined variable"); NEXT;
INSTR(CHKUW) if (W(sp) == kUndefinedWord) RunTimeError("Access made to undefined variable"); NEXT;
INSTR(CHKUD)
    if (W(sp) == kUndefinedWord && W(sp + 4) == kUndefinedWord) RunTimeError("Access made to undefined variable");
    NEXT;
INSTR(CHKSTK) if (sp < g_engine.stackLow || sp > g_engine.stackTop) RunTimeError("Stack overflow"); NEXT;
INSTR(CHKVAR) {
    uint32_t v = W(sp), tab = W(sp + 4), i = W(sp + 8);
    sp += 12;
    if (W(gp + tab + 4 * i) != v) RunTimeError("Non-active variant accessed");
} NEXT;
INSTR(CHKVARX) {
    uint32_t v = W(sp), tab = W(sp + 4), lo = W(sp + 8), size = W(sp + 12), tag = W(sp + 16);
    sp += 20;
    bool undefinedTag = (size == 1 && tag == kUndefinedByte) || (size == 2 && tag == kUndefinedWord);
    if (undefinedTag || W(gp + tab + 4 * (tag - lo)) != v) RunTimeError("Non-active variant accessed");
} NEXT;
INSTR(ASSERT) if (W(sp) == 0) RunTimeError("Assertion failure"); sp += 4; NEXT;

    // ---- errors and standard routines ----
INSTR(RTERROR) { char buf[32]; RunTimeError(RtErrorMessage(opA, buf)); }
INSTR(CHKERR) CheckPendingError(); NEXT;
INSTR(UNIMPL) RunTimeError("Instruction not yet implemented");
INSTR(CALLSTD) {
    Regs r{sp, fp};
    int exitCode = 0;
    if (CallStd(opA, r, exitCode) == StdOutcome::Stop) {
        vm.stopped = true;
        vm.exitCode = exitCode;
        return exitCode;
    }
    sp = r.sp;
    fp = r.fp;
} NEXT_SP;

    // ---- strings, variable-length values, sets, variants (out of line) ----
INSTR(STRFIT) SYNC_CALL(StrFit(r_, opA)); NEXT_SP;
INSTR(STRNORM) SYNC_CALL(StrNorm(r_, opA)); NEXT_SP;
INSTR(CSTRLD) SYNC_CALL(CStrLoad(r_, opA)); NEXT_SP;
INSTR(STRSTO) SYNC_CALL(StrStore(r_, opA)); NEXT_SP;
INSTR(CSTRSTO) SYNC_CALL(CStrStore(r_)); NEXT_SP;
INSTR(TOCSTR) SYNC_CALL(ToCStr(r_)); NEXT_SP;
INSTR(STRCMP) SYNC_CALL(StrCompare(r_)); NEXT_SP;
INSTR(LOADV) SYNC_CALL(LoadV(r_, opA)); NEXT_SP;
INSTR(STOREV) SYNC_CALL(StoreV(r_, opA)); NEXT_SP;
INSTR(SETRNG) SYNC_CALL(SetRange(r_, opA)); NEXT_SP;
INSTR(SETADD) SYNC_CALL(SetBinary(r_, opA, SetOp::Union)); NEXT_SP;
INSTR(SETMUL) SYNC_CALL(SetBinary(r_, opA, SetOp::Intersection)); NEXT_SP;
INSTR(SETDIFF) SYNC_CALL(SetBinary(r_, opA, SetOp::Difference)); NEXT_SP;
INSTR(SETIN) SYNC_CALL(SetIn(r_, opA)); NEXT_SP;
INSTR(SETEQ) SYNC_CALL(SetCompare(r_, opA, SetRelation::Equal)); NEXT_SP;
INSTR(SETGE) SYNC_CALL(SetCompare(r_, opA, SetRelation::Contains)); NEXT_SP;
INSTR(SETLE) SYNC_CALL(SetCompare(r_, opA, SetRelation::ContainedIn)); NEXT_SP;
    // CHKSETR carries no kind: it checks the list sets compiled code keeps on the stack.
INSTR(CHKSETR) SYNC_CALL(SetCheckRange(r_, kListSet, static_cast<int32_t>(opA), static_cast<int32_t>(opB))); NEXT_SP;
INSTR(CHKSETS) SYNC_CALL(SetCheckStack(r_, opA)); NEXT_SP;
INSTR(SETNOP) SetNop(opA); NEXT;
INSTR(BITS2LST) SYNC_CALL(BitsToList(r_)); NEXT_SP;
INSTR(MBITS2LST) SYNC_CALL(MemoryBitsToList(r_)); NEXT_SP;
INSTR(LST2MBITS) SYNC_CALL(ListToMemoryBits(r_)); NEXT_SP;
INSTR(VARCVT) SYNC_CALL(VariantConvert(r_, opA)); NEXT_SP;

#undef INSTR
#undef NEXT
#undef NEXT_SP
#undef DISPATCH_IF
#undef FETCH_OPCODE
#undef FAST_PATH_ENDS
#undef REAL_COMPARE
#undef REAL_BINARY
#undef SIGNED_BINARY
#undef BINARY
#undef SYNC_CALL
#undef PUSH
#undef SETR
#undef R
#undef SETW
#undef W
}

}  // namespace

void BreakDispatch() {
    g_fastLimit.store(0);
    NoteBreakForNative();
}

int InterpretFrom(VmState vm) {
    return g_engine.wordOpcodes ? Run<true, false>(vm) : Run<false, false>(vm);
}

void InterpretStep(VmState& vm) {
    if (g_engine.wordOpcodes) Run<true, true>(vm); else Run<false, true>(vm);
}

// The out-of-line instructions, with the register updates of their loop bodies: SYNC_CALL
// keeps FP, CALLSTD and ENTER may set it.
OutOfLineInstruction OutOfLineFor(uint32_t op) {
#define SYNC(call) [](VmState& vm, uint32_t a, uint32_t b) { \
        Regs r_{vm.sp, vm.fp}; (void)a, (void)b; call; vm.sp = r_.sp; }
    switch (static_cast<Op>(op)) {
    case Op::CALLSTD:
        return [](VmState& vm, uint32_t a, uint32_t) {
            Regs r{vm.sp, vm.fp};
            int exitCode = 0;
            if (CallStd(a, r, exitCode) == StdOutcome::Stop) {
                vm.stopped = true;
                vm.exitCode = exitCode;
                return;
            }
            // Word by word: the routine wrote r.sp alone, and one 8-byte copy of r would
            // wait for that store to retire instead of taking its value.
            vm.sp = r.sp;
            if (r.fp != vm.fp) vm.fp = r.fp;
        };
    case Op::ENTER: return [](VmState& vm, uint32_t a, uint32_t b) { vm.sp = Enter(vm.sp, vm.fp, a, b); };
    case Op::ALLOCF:
        return [](VmState& vm, uint32_t a, uint32_t b) { vm.sp = Allocate(vm.sp, a, static_cast<uint8_t>(b)); };
    case Op::FILL:
        return [](VmState& vm, uint32_t, uint32_t) {
            uint8_t* const M = Mem();
            uint32_t n = LoadWord(M + vm.sp), b = LoadWord(M + vm.sp + 4), a = LoadWord(M + vm.sp + 8);
            vm.sp += 12;
            std::memset(VmSpan(a, n), static_cast<uint8_t>(b), n);
        };
    case Op::CHKERR: return [](VmState&, uint32_t, uint32_t) { CheckPendingError(); };
    case Op::SETNOP: return [](VmState&, uint32_t a, uint32_t) { SetNop(a); };
    case Op::STRFIT: return SYNC(StrFit(r_, a));
    case Op::STRNORM: return SYNC(StrNorm(r_, a));
    case Op::CSTRLD: return SYNC(CStrLoad(r_, a));
    case Op::STRSTO: return SYNC(StrStore(r_, a));
    case Op::CSTRSTO: return SYNC(CStrStore(r_));
    case Op::TOCSTR: return SYNC(ToCStr(r_));
    case Op::STRCMP: return SYNC(StrCompare(r_));
    case Op::LOADV: return SYNC(LoadV(r_, a));
    case Op::STOREV: return SYNC(StoreV(r_, a));
    case Op::SETRNG: return SYNC(SetRange(r_, a));
    case Op::SETADD: return SYNC(SetBinary(r_, a, SetOp::Union));
    case Op::SETMUL: return SYNC(SetBinary(r_, a, SetOp::Intersection));
    case Op::SETDIFF: return SYNC(SetBinary(r_, a, SetOp::Difference));
    case Op::SETIN: return SYNC(SetIn(r_, a));
    case Op::SETEQ: return SYNC(SetCompare(r_, a, SetRelation::Equal));
    case Op::SETGE: return SYNC(SetCompare(r_, a, SetRelation::Contains));
    case Op::SETLE: return SYNC(SetCompare(r_, a, SetRelation::ContainedIn));
    case Op::CHKSETR:
        return SYNC(SetCheckRange(r_, kListSet, static_cast<int32_t>(a), static_cast<int32_t>(b)));
    case Op::CHKSETS: return SYNC(SetCheckStack(r_, a));
    case Op::BITS2LST: return SYNC(BitsToList(r_));
    case Op::MBITS2LST: return SYNC(MemoryBitsToList(r_));
    case Op::LST2MBITS: return SYNC(ListToMemoryBits(r_));
    case Op::VARCVT: return SYNC(VariantConvert(r_, a));
    default: return nullptr;
    }
#undef SYNC
}

int Interpret() {
    g_engine.running = true;
    VmState start{g_engine.entryOffset, g_engine.stackTop - 4, 0};
    int exitCode = UseNativeTier() ? RunNative(start) : InterpretFrom(start);
    g_engine.running = false;
    return exitCode;
}

}  // namespace tarn::rt
