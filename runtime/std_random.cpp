// Random numbers (routines 103-106) and crc32 (182).
//
// The generator is three linear congruential sequences mixed together. Each step advances
// all three (products and sums wrap at 32 bits, remainders are unsigned) and yields 16
// bits; two steps make a 31-bit number, the first step giving the high half. A program
// starts from the three words 250456 after 120 warm-up steps.
#include <ctime>

#include "runtime/errors.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

struct Generator {
    uint32_t s1, s2, s3;

    constexpr uint32_t Step() {
        s1 = (s1 * 1048507u + 524429u) % 523297u;
        s2 = (s2 * 1048357u + 524347u) % 523903u;
        s3 = (s3 * 1048009u + 523220u) % 524347u;
        return ((s1 ^ s2 ^ s3) >> 3) & 0xFFFFu;
    }
    constexpr uint32_t Next31() {
        uint32_t high = Step();
        uint32_t low = Step();
        return ((high & 0x7FFFu) << 16) | low;
    }
};

constexpr uint32_t kLoadSeed = 250456;
constexpr int kWarmUpSteps = 120;

constexpr Generator Seeded(uint32_t seed) { return {seed, seed, seed}; }

constexpr Generator WarmedUp() {
    Generator g = Seeded(kLoadSeed);
    for (int i = 0; i < kWarmUpSteps; ++i) g.Step();
    return g;
}

constinit Generator g_random = WarmedUp();

StdOutcome RandomReal(Regs& r, int&) {
    PushReal(r, g_random.Next31() / 2147483647.0);
    return StdOutcome::Continue;
}

StdOutcome RandomRange(Regs& r, int&) {
    int32_t n = static_cast<int32_t>(Pop(r));
    if (n < 1) RunTimeError("Range can not be less than one");
    Push(r, g_random.Next31() % static_cast<uint32_t>(n));
    return StdOutcome::Continue;
}

StdOutcome RandomizeSeed(Regs& r, int&) {
    g_random = Seeded(Pop(r));
    return StdOutcome::Continue;
}

StdOutcome RandomizeTime(Regs&, int&) {
    g_random = Seeded(static_cast<uint32_t>(std::time(nullptr)));
    return StdOutcome::Continue;
}

// Stack: address of the CRC variable, the byte, the polynomial (0: 0x04C11DB7). The byte's
// bits go in most significant first; a bit shifted out of bit 31 xors in the polynomial.
StdOutcome Crc32(Regs& r, int&) {
    uint32_t poly = Pop(r);
    uint32_t byte = Pop(r);
    uint32_t addr = Pop(r);
    if (byte > 255) RunTimeError("Argument to crc32 procedure is too large (must fit in a byte)");
    if (poly == 0) poly = 0x04C11DB7u;
    uint32_t crc = VmWord(addr);
    for (int bit = 7; bit >= 0; --bit) {
        bool carry = (crc & 0x80000000u) != 0;
        crc = (crc << 1) | ((byte >> bit) & 1u);
        if (carry) crc ^= poly;
    }
    SetVmWord(addr, crc);
    return StdOutcome::Continue;
}

}  // namespace

void ResetRandomGenerator() { g_random = WarmedUp(); }

void RegisterRandomRoutines() {
    using vm::Std;
    RegisterStd(vm::Number(Std::RandomReal), RandomReal);
    RegisterStd(vm::Number(Std::RandomRange), RandomRange);
    RegisterStd(vm::Number(Std::RandomizeSeed), RandomizeSeed);
    RegisterStd(vm::Number(Std::RandomizeTime), RandomizeTime);
    RegisterStd(vm::Number(Std::Crc32), Crc32);
}

}  // namespace tarn::rt
