// Random numbers (103-106) and crc32 (182). The expected numbers were worked out from the
// generator's definition with a separate program.
#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Std;

class Random : public StdlibTest {
protected:
    uint32_t Range(int32_t n) {
        PushInt(n);
        Call(Std::RandomRange);
        uint32_t v = PopWord();
        ExpectEmptyStack();
        return v;
    }
    double Fraction() {
        Call(Std::RandomReal);
        double v = PopR();
        ExpectEmptyStack();
        return v;
    }
    void Seed(uint32_t seed) {
        PushWord(seed);
        Call(Std::RandomizeSeed);
        ExpectEmptyStack();
    }
};

TEST_F(Random, SeedFortyTwoGivesTheSameSequenceEveryTime) {
    const uint32_t expected[] = {1562511229, 1459433332, 1829372513, 1962486928, 1032420183};
    for (int run = 0; run < 2; ++run) {
        Seed(42);
        for (uint32_t e : expected) EXPECT_EQ(Range(0x7FFFFFFF), e % 0x7FFFFFFF) << run;
    }
    Seed(42);
    for (uint32_t e : {29u, 32u, 13u, 28u, 83u}) EXPECT_EQ(Range(100), e);
}

TEST_F(Random, ARunStartsAfterTheWarmUpSteps) {
    EXPECT_DOUBLE_EQ(Fraction(), 0.7498257261467286);
    StartStdlibRun();
    for (uint32_t e : {485u, 549u, 532u}) EXPECT_EQ(Range(1000), e);
}

TEST_F(Random, FractionsLieBetweenZeroAndOne) {
    for (int i = 0; i < 1000; ++i) {
        double f = Fraction();
        EXPECT_GE(f, 0.0);
        EXPECT_LE(f, 1.0);
    }
}

TEST_F(Random, RangeOneIsAlwaysZeroAndRangeZeroIsAnError) {
    for (int i = 0; i < 100; ++i) EXPECT_EQ(Range(1), 0u);
    EXPECT_RUNTIME_ERROR(Range(0), "Range can not be less than one");
    EXPECT_RUNTIME_ERROR(Range(-5), "Range can not be less than one");
}

TEST_F(Random, RandomizeFromTheClockChangesTheSequence) {
    Seed(42);
    uint32_t fromSeed = Range(0x7FFFFFFF);
    Call(Std::RandomizeTime);
    ExpectEmptyStack();
    EXPECT_NE(Range(0x7FFFFFFF), fromSeed);
}

class Crc : public StdlibTest {
protected:
    void Feed(uint32_t byte, uint32_t poly = 0) {
        PushWord(kCrc);
        PushWord(byte);
        PushWord(poly);
        Call(Std::Crc32);
        ExpectEmptyStack();
    }
    static constexpr uint32_t kCrc = 64;
};

TEST_F(Crc, ShiftsTheBytesInMostSignificantBitFirst) {
    // "123456789" followed by four zero bytes leaves the remainder of the message times
    // x^32, the plain CRC-32 (no reflection, start 0, no final xor): 0x89A1897F.
    SetVmWord(kCrc, 0);
    for (char c : std::string("123456789")) Feed(static_cast<uint8_t>(c));
    for (int i = 0; i < 4; ++i) Feed(0);
    EXPECT_EQ(VmWord(kCrc), 0x89A1897Fu);
    // Before the CRC reaches bit 31 the byte is only shifted in.
    SetVmWord(kCrc, 0);
    Feed('A');
    EXPECT_EQ(VmWord(kCrc), 0x41u);
}

TEST_F(Crc, OwnPolynomial) {
    SetVmWord(kCrc, 0x80000000u);
    Feed(0, 1);  // the first shift carries out bit 31 and xors 1 in; seven more shifts
    EXPECT_EQ(VmWord(kCrc), 0x80u);
    SetVmWord(kCrc, 0xFFFFFFFF);
    Feed('A', 0x1EDC6F41);
    EXPECT_EQ(VmWord(kCrc), 0x753541F4u);
}

TEST_F(Crc, ByteAbove255IsAnError) {
    SetVmWord(kCrc, 0);
    EXPECT_RUNTIME_ERROR(Feed(256), "Argument to crc32 procedure is too large (must fit in a byte)");
    EXPECT_RUNTIME_ERROR(Feed(0xFFFFFFFF), "Argument to crc32 procedure is too large (must fit in a byte)");
}

}  // namespace
}  // namespace tarn::rt::test
