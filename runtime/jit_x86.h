// A small x86-64 assembler for the native tier (jit.cpp): the instruction forms it emits
// and nothing more, into a growable buffer, with labels resolved when the code is done.
//
// Every jump is a rel32 and every call goes through a register, so the code is position-
// independent and is copied as it is into its executable mapping.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace tarn::rt::x64 {

// A general-purpose register: id 0..15 and width in bytes (1, 2, 4 or 8).
struct Gp {
    uint8_t id;
    uint8_t size;
    constexpr Gp r8() const { return {id, 1}; }
    constexpr Gp r16() const { return {id, 2}; }
    constexpr Gp r32() const { return {id, 4}; }
    constexpr Gp r64() const { return {id, 8}; }
    constexpr bool operator==(const Gp& o) const { return id == o.id && size == o.size; }
};

struct Xmm { uint8_t id; };

inline constexpr uint8_t kNoReg = 0xFF;

// [base + index * 2^shift + disp]; size is the access width in bytes.
struct Mem {
    uint8_t base;
    uint8_t index;
    uint8_t shift;
    int32_t disp;
    uint8_t size;
};


inline Mem byte_ptr(Gp base, int32_t disp = 0) { return {base.id, kNoReg, 0, disp, 1}; }
inline Mem word_ptr(Gp base, int32_t disp = 0) { return {base.id, kNoReg, 0, disp, 2}; }
inline Mem dword_ptr(Gp base, int32_t disp = 0) { return {base.id, kNoReg, 0, disp, 4}; }
inline Mem qword_ptr(Gp base, int32_t disp = 0) { return {base.id, kNoReg, 0, disp, 8}; }
inline Mem byte_ptr(Gp base, Gp index, uint8_t shift = 0, int32_t disp = 0) { return {base.id, index.id, shift, disp, 1}; }
inline Mem word_ptr(Gp base, Gp index, uint8_t shift = 0, int32_t disp = 0) { return {base.id, index.id, shift, disp, 2}; }
inline Mem dword_ptr(Gp base, Gp index, uint8_t shift = 0, int32_t disp = 0) { return {base.id, index.id, shift, disp, 4}; }
inline Mem qword_ptr(Gp base, Gp index, uint8_t shift = 0, int32_t disp = 0) { return {base.id, index.id, shift, disp, 8}; }
inline Mem ptr(Gp base, int32_t disp) { return {base.id, kNoReg, 0, disp, 4}; }

enum Cond : uint8_t {
    kO = 0, kNO, kB, kAE, kE, kNE, kBE, kA, kS, kNS, kP, kNP, kL, kGE, kLE, kG
};

struct Label { uint32_t id; };

inline constexpr Gp eax{0, 4}, ecx{1, 4}, edx{2, 4}, ebx{3, 4}, esi{6, 4}, edi{7, 4};
inline constexpr Gp r8d{8, 4}, r9d{9, 4}, r10d{10, 4}, r11d{11, 4}, r13d{13, 4};
inline constexpr Gp rax{0, 8}, rcx{1, 8}, rdx{2, 8}, rbx{3, 8}, rsp{4, 8}, rbp{5, 8}, rsi{6, 8}, rdi{7, 8};
inline constexpr Gp r12{12, 8}, r13{13, 8}, r14{14, 8}, r15{15, 8};
inline constexpr Gp al{0, 1}, cl{1, 1}, bl{3, 1};
inline constexpr Xmm xmm0{0}, xmm1{1}, xmm2{2};
inline constexpr Xmm xmm(int id) { return {static_cast<uint8_t>(id)}; }

class Assembler {
public:
    std::vector<uint8_t> code;

    size_t offset() const { return code.size(); }
    Label newLabel() { bound_.push_back(kUnbound); return {static_cast<uint32_t>(bound_.size() - 1)}; }
    void bind(Label l) { bound_[l.id] = static_cast<uint32_t>(code.size()); }
    uint32_t labelOffset(Label l) const { return bound_[l.id]; }

    // Patches every jump to its label; false when a label was never bound.
    bool finish() {
        for (const Fixup& f : fixups_) {
            uint32_t target = bound_[f.label];
            if (target == kUnbound) return false;
            int32_t rel = static_cast<int32_t>(target) - static_cast<int32_t>(f.at + 4);
            std::memcpy(code.data() + f.at, &rel, 4);
        }
        return true;
    }

    // ---- moves ----
    void mov(Gp d, Gp s) { RegReg(d.size, {0x89}, s.id, d.id); }
    void mov(Gp d, const Mem& m) { RegMem(d.size, d.size == 1 ? Op{0x8A} : Op{0x8B}, d.id, m); }
    void mov(const Mem& m, Gp s) { RegMem(s.size, s.size == 1 ? Op{0x88} : Op{0x89}, s.id, m); }
    void mov(Gp d, uint64_t imm) {
        if (d.size == 8 && imm > 0xFFFFFFFFu) {
            Rex(true, 0, 0, d.id);
            Byte(0xB8 + (d.id & 7));
            Bytes(&imm, 8);
        } else {
            Rex(false, 0, 0, d.id);
            Byte(0xB8 + (d.id & 7));
            uint32_t v = static_cast<uint32_t>(imm);
            Bytes(&v, 4);
        }
    }
    void mov(const Mem& m, int32_t imm) { RegMem(4, {0xC7}, 0, m); Imm32(imm); }
    void movzx(Gp d, Gp s) { RegReg(4, {0x0F, 0xB6}, d.id, s.id, s.id >= 4 && s.size == 1); }
    void movzx(Gp d, const Mem& m) { RegMem(4, m.size == 1 ? Op{0x0F, 0xB6} : Op{0x0F, 0xB7}, d.id, m, true); }
    void movsx(Gp d, const Mem& m) { RegMem(4, {0x0F, 0xBF}, d.id, m, true); }
    void lea(Gp d, const Mem& m) { RegMem(d.size, {0x8D}, d.id, m, true); }
    void cmovz(Gp d, Gp s) { RegReg(d.size, {0x0F, 0x44}, d.id, s.id); }

    // ---- arithmetic and logic ----
    void add(Gp d, Gp s) { RegReg(d.size, {d.size == 1 ? uint8_t(0x00) : uint8_t(0x01)}, s.id, d.id); }
    void sub(Gp d, Gp s) { RegReg(d.size, {0x29}, s.id, d.id); }
    void and_(Gp d, Gp s) { RegReg(d.size, {d.size == 1 ? uint8_t(0x20) : uint8_t(0x21)}, s.id, d.id); }
    void or_(Gp d, Gp s) { RegReg(d.size, {d.size == 1 ? uint8_t(0x08) : uint8_t(0x09)}, s.id, d.id); }
    void xor_(Gp d, Gp s) { RegReg(d.size, {0x31}, s.id, d.id); }
    void cmp(Gp d, Gp s) { RegReg(d.size, {0x39}, s.id, d.id); }
    void test(Gp d, Gp s) { RegReg(d.size, {d.size == 1 ? uint8_t(0x84) : uint8_t(0x85)}, s.id, d.id); }
    void add(const Mem& m, Gp s) { RegMem(s.size, {s.size == 1 ? uint8_t(0x00) : uint8_t(0x01)}, s.id, m); }
    void imul(Gp d, Gp s) { RegReg(d.size, {0x0F, 0xAF}, d.id, s.id); }
    void add(Gp d, int32_t imm) { AluImm(0, d, imm); }
    void sub(Gp d, int32_t imm) { AluImm(5, d, imm); }
    void cmp(Gp d, int32_t imm) { AluImm(7, d, imm); }
    void and_(Gp d, int32_t imm) { AluImm(4, d, imm); }
    void or_(Gp d, int32_t imm) { AluImm(1, d, imm); }
    void xor_(Gp d, int32_t imm) { AluImm(6, d, imm); }
    void imul(Gp d, Gp s, int32_t imm) { RegReg(d.size, {0x69}, d.id, s.id); Imm32(imm); }
    void cmp(const Mem& m, int32_t imm) {
        if (m.size == 1) { RegMem(1, {0x80}, 7, m); Byte(static_cast<uint8_t>(imm)); return; }
        if (imm >= -128 && imm <= 127) { RegMem(m.size, {0x83}, 7, m); Byte(static_cast<uint8_t>(imm)); return; }
        RegMem(m.size, {0x81}, 7, m);
        Imm32(imm);
    }
    void xor_(const Mem& m, int32_t imm) { RegMem(4, {0x81}, 6, m); Imm32(imm); }
    void test(Gp d, uint8_t imm8) { RegReg(1, {0xF6}, 0, d.id); Byte(imm8); }  // byte registers
    void neg(Gp d) { RegReg(d.size, {0xF7}, 3, d.id); }
    void not_(Gp d) { RegReg(d.size, {0xF7}, 2, d.id); }
    void idiv(Gp d) { RegReg(d.size, {0xF7}, 7, d.id); }
    void div(Gp d) { RegReg(d.size, {0xF7}, 6, d.id); }
    void cdq() { Byte(0x99); }
    void shl(Gp d, uint8_t imm) { RegReg(d.size, {0xC1}, 4, d.id); Byte(imm); }
    void shl_cl(Gp d) { RegReg(d.size, {0xD3}, 4, d.id); }
    void shr_cl(Gp d) { RegReg(d.size, {0xD3}, 5, d.id); }
    void set(Cond c, Gp d) { RegReg(1, {0x0F, static_cast<uint8_t>(0x90 + c)}, 0, d.id, d.id >= 4); }

    void sete(Gp d) { set(kE, d); }
    void setne(Gp d) { set(kNE, d); }
    void setp(Gp d) { set(kP, d); }
    void setnp(Gp d) { set(kNP, d); }
    void seta(Gp d) { set(kA, d); }
    void setae(Gp d) { set(kAE, d); }

    // ---- control ----
    void je(Label l) { j(kE, l); }
    void jne(Label l) { j(kNE, l); }
    void jz(Label l) { j(kE, l); }
    void jnz(Label l) { j(kNE, l); }
    void jl(Label l) { j(kL, l); }
    void jle(Label l) { j(kLE, l); }
    void jg(Label l) { j(kG, l); }
    void jb(Label l) { j(kB, l); }
    void ja(Label l) { j(kA, l); }
    void jae(Label l) { j(kAE, l); }
    void js(Label l) { j(kS, l); }
    void jns(Label l) { j(kNS, l); }
    void jp(Label l) { j(kP, l); }
    void j(Cond c, Label l) { Byte(0x0F); Byte(static_cast<uint8_t>(0x80 + c)); Fix(l); }
    void jmp(Label l) { Byte(0xE9); Fix(l); }
    void jmp(const Mem& m) { RegMem(4, {0xFF}, 4, m); }  // 64-bit operand by default
    void jmp(Gp r) { RegReg(4, {0xFF}, 4, r.id); }
    void call(Gp r) { RegReg(4, {0xFF}, 2, r.id); }
    void push(Gp r) { Rex(false, 0, 0, r.id); Byte(0x50 + (r.id & 7)); }
    void pop(Gp r) { Rex(false, 0, 0, r.id); Byte(0x58 + (r.id & 7)); }
    void ret() { Byte(0xC3); }

    // ---- scalar doubles ----
    void movsd(Xmm d, const Mem& m) { Sse(0xF2, 0x10, d.id, m); }
    void movsd(const Mem& m, Xmm s) { Sse(0xF2, 0x11, s.id, m); }
    void addsd(Xmm d, const Mem& m) { Sse(0xF2, 0x58, d.id, m); }
    void mulsd(Xmm d, const Mem& m) { Sse(0xF2, 0x59, d.id, m); }
    void subsd(Xmm d, const Mem& m) { Sse(0xF2, 0x5C, d.id, m); }
    void divsd(Xmm d, Xmm s) { SseReg(0xF2, 0x5E, d.id, s.id, false); }
    void ucomisd(Xmm d, const Mem& m) { Sse(0x66, 0x2E, d.id, m); }
    void ucomisd(Xmm d, Xmm s) { SseReg(0x66, 0x2E, d.id, s.id, false); }
    void sqrtsd(Xmm d, Xmm s) { SseReg(0xF2, 0x51, d.id, s.id, false); }
    void xorpd(Xmm d, Xmm s) { SseReg(0x66, 0x57, d.id, s.id, false); }
    void cvtsi2sd(Xmm d, Gp s) { SseReg(0xF2, 0x2A, d.id, s.id, s.size == 8); }
    void cvttsd2si(Gp d, const Mem& m) { Sse(0xF2, 0x2C, d.id, m); }
    void cvttsd2si(Gp d, Xmm s) { SseReg(0xF2, 0x2C, d.id, s.id, d.size == 8); }
    void addsd(Xmm d, Xmm s) { SseReg(0xF2, 0x58, d.id, s.id, false); }
    void mulsd(Xmm d, Xmm s) { SseReg(0xF2, 0x59, d.id, s.id, false); }
    void subsd(Xmm d, Xmm s) { SseReg(0xF2, 0x5C, d.id, s.id, false); }
    void movapd(Xmm d, Xmm s) { SseReg(0x66, 0x28, d.id, s.id, false); }
    void movq(Xmm d, Gp s) { SseReg(0x66, 0x6E, d.id, s.id, true); }   // all 64 bits
    void movq(Gp d, Xmm s) { SseReg(0x66, 0x7E, s.id, d.id, true); }

private:
    static constexpr uint32_t kUnbound = 0xFFFFFFFFu;
    struct Fixup { uint32_t at; uint32_t label; };
    struct Op { uint8_t b[2]; uint8_t n; Op(uint8_t x) : b{x, 0}, n(1) {} Op(uint8_t x, uint8_t y) : b{x, y}, n(2) {} };

    std::vector<uint32_t> bound_;
    std::vector<Fixup> fixups_;

    void Byte(uint8_t b) { code.push_back(b); }
    void Bytes(const void* p, size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        code.insert(code.end(), b, b + n);
    }
    void Imm32(int32_t v) { Bytes(&v, 4); }
    void Fix(Label l) { fixups_.push_back({static_cast<uint32_t>(code.size()), l.id}); Imm32(0); }

    // REX.W R X B; forced for the byte registers spl..dil.
    void Rex(bool w, uint8_t reg, uint8_t index, uint8_t base, bool force = false) {
        uint8_t rex = 0x40 | (w ? 8 : 0) | ((reg & 8) ? 4 : 0) | ((index != kNoReg && (index & 8)) ? 2 : 0) |
                      ((base != kNoReg && (base & 8)) ? 1 : 0);
        if (rex != 0x40 || force) Byte(rex);
    }
    void Opcode(const Op& op) { for (uint8_t i = 0; i < op.n; ++i) Byte(op.b[i]); }

    // op with a register (or /digit) in ModRM.reg and a register in ModRM.rm. The size
    // picks the prefix: 2 -> 0x66, 8 -> REX.W. byteRm forces a REX for spl..dil.
    void RegReg(uint8_t size, const Op& op, uint8_t reg, uint8_t rm, bool forceRex = false) {
        if (size == 2) Byte(0x66);
        bool byteRegs = size == 1 && ((reg >= 4 && reg < 8) || (rm >= 4 && rm < 8));
        Rex(size == 8, reg, kNoReg, rm, forceRex || byteRegs);
        Opcode(op);
        Byte(static_cast<uint8_t>(0xC0 | ((reg & 7) << 3) | (rm & 7)));
    }
    void RegMem(uint8_t size, const Op& op, uint8_t reg, const Mem& m, bool regIsWide = false) {
        if (size == 2 && !regIsWide) Byte(0x66);
        bool byteReg = size == 1 && !regIsWide && reg >= 4 && reg < 8;
        Rex(size == 8, reg, m.index, m.base, byteReg);
        Opcode(op);
        ModRm(reg, m);
    }
    void ModRm(uint8_t reg, const Mem& m) {
        uint8_t mod = (m.disp == 0 && (m.base & 7) != 5) ? 0 : (m.disp >= -128 && m.disp <= 127) ? 1 : 2;
        bool sib = m.index != kNoReg || (m.base & 7) == 4;
        Byte(static_cast<uint8_t>((mod << 6) | ((reg & 7) << 3) | (sib ? 4 : (m.base & 7))));
        if (sib) {
            uint8_t index = m.index == kNoReg ? 4 : (m.index & 7);
            Byte(static_cast<uint8_t>((m.shift << 6) | (index << 3) | (m.base & 7)));
        }
        if (mod == 1) Byte(static_cast<uint8_t>(m.disp));
        if (mod == 2) Imm32(m.disp);
    }
    void AluImm(uint8_t digit, Gp d, int32_t imm) {
        if (imm >= -128 && imm <= 127) { RegReg(d.size, {0x83}, digit, d.id); Byte(static_cast<uint8_t>(imm)); return; }
        RegReg(d.size, {0x81}, digit, d.id);
        Imm32(imm);
    }
    void Sse(uint8_t prefix, uint8_t op, uint8_t reg, const Mem& m) {
        Byte(prefix);
        Rex(false, reg, m.index, m.base);
        Byte(0x0F);
        Byte(op);
        ModRm(reg, m);
    }
    void SseReg(uint8_t prefix, uint8_t op, uint8_t reg, uint8_t rm, bool w) {
        Byte(prefix);
        Rex(w, reg, kNoReg, rm);
        Byte(0x0F);
        Byte(op);
        Byte(static_cast<uint8_t>(0xC0 | ((reg & 7) << 3) | (rm & 7)));
    }
};

}  // namespace tarn::rt::x64
