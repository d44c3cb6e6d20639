// Numbers read from text files against the C library's fscanf, which the reads must match
// exactly: for every read the same outcome (a value, no number, end of file), the same value
// to the bit, and the same place in the file afterwards (what was consumed, what was pushed
// back). Inputs are random strings of the pieces numbers are made of and break on, from a
// fixed seed.
#include <random>
#include <vector>

#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Std;

class TextScan : public FilesTest {};

std::string RandomInput(std::mt19937_64& g) {
    static const char* const kPieces[] = {
        " ", " ", "\n", "\r\n", "\t", "\v", "-", "+", "0", "1", "7", "9", "42", "3.25", ".", "..", "e", "E",
        "e-", "E+", "x", "X", "0x", "0X1f", "p", "P", "p-3", "a", "b", "f", "F", "n", "N", "i", "I", "nan", "NaN",
        "inf", "INF", "infinity", "Infinit", "infx", "nax", "1e", "1e+", "1e5", "2.5e-3", "e5", "0x1.8p3",
        "0x.", "0xg", "1.5.3", "123456789012345678901234567890", "1e400", "1e-400", "4.9e-324", "3.4028236e38",
        "0.1", "000", "-.5", "+-3", "--1", "z",
    };
    constexpr size_t kCount = sizeof kPieces / sizeof kPieces[0];
    std::string s;
    for (int n = 1 + static_cast<int>(g() % 8); n > 0; --n) s += kPieces[g() % kCount];
    return s;
}

// One read of the C library: 1 with the value, 0 for no number, EOF at the end.
struct Reference {
    int outcome;
    uint64_t bits;
};

Reference ScanWithC(std::FILE* s, bool asFloat) {
    Reference out{0, 0};
    if (asFloat) {
        float v = 0;
        out.outcome = std::fscanf(s, "%f", &v);
        std::memcpy(&out.bits, &v, 4);
    } else {
        double v = 0;
        out.outcome = std::fscanf(s, "%lf", &v);
        std::memcpy(&out.bits, &v, 8);
    }
    return out;
}

TEST_F(TextScan, RealsAsFscanfReadsThem) {
    std::mt19937_64 g(1208);
    int mismatches = 0;
    int outcomes[3] = {0, 0, 0};  // numbers, no numbers, ends
    for (int round = 0; round < 3000 && mismatches < 5; round++) {
        std::string input = RandomInput(g);
        WriteFile("c.txt", input);
        std::FILE* c = std::fopen("c.txt", "r");
        ASSERT_NE(c, nullptr);
        ResetWith(kG, "ours.txt", input);
        // Reads until both are at the end; after "no number" one character is taken by
        // both, or the next read would stop at the same place.
        for (int step = 0; step < 40; step++) {
            bool asFloat = g() & 1;
            Reference want = ScanWithC(c, asFloat);
            SetVmWord(kVar, 0);
            SetVmWord(kVar + 4, 0);
            ReadInto(asFloat ? Std::ReadFloat : Std::ReadReal, kG, kVar);
            uint32_t error = Pending();
            uint64_t bits = 0;
            std::memcpy(&bits, Mem() + kVar, asFloat ? 4 : 8);
            uint32_t expectedError = want.outcome == 1 ? 0 : want.outcome == 0 ? 16 : 12;
            long wantAt = std::ftell(c);
            long at = static_cast<long>(FileFunction(Std::FilePos, kG));
            if (error != expectedError || (error == 0 && bits != want.bits) || at != wantAt) {
                ++mismatches;
                ADD_FAILURE() << "input [" << input << "] read " << step << (asFloat ? " %f" : " %lf")
                              << ": fscanf gives " << want.outcome << " bits " << std::hex << want.bits
                              << std::dec << " at " << wantAt << "; ours error " << error << " bits "
                              << std::hex << bits << std::dec << " at " << at;
                break;
            }
            ++outcomes[want.outcome == 1 ? 0 : want.outcome == 0 ? 1 : 2];
            if (want.outcome == EOF) break;
            if (want.outcome == 0) {
                int next = std::fgetc(c);
                ReadInto(Std::ReadChar, kG, kVar);
                if (next == EOF) break;
            }
        }
        std::fclose(c);
        OnFile(Std::Close, kG);
    }
    EXPECT_EQ(mismatches, 0);
    // The inputs reach every outcome often.
    EXPECT_GT(outcomes[0], 3000) << outcomes[0] << " " << outcomes[1] << " " << outcomes[2];
    EXPECT_GT(outcomes[1], 3000);
    EXPECT_GT(outcomes[2], 2000);
}

}  // namespace
}  // namespace tarn::rt::test
