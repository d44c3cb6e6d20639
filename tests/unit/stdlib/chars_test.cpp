// Character classes and case conversion (2-11).
#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Std;

class Chars : public StdlibTest {
protected:
    uint32_t Apply(Std n, uint32_t c) {
        PushWord(c);
        Call(n);
        uint32_t v = PopWord();
        ExpectEmptyStack();
        return v;
    }
};

TEST_F(Chars, ClassesOfTheCLibrary) {
    struct Case { Std n; uint32_t c; uint32_t expected; };
    const Case cases[] = {
        {Std::IsAlpha, 'a', 1}, {Std::IsAlpha, 'Z', 1}, {Std::IsAlpha, '5', 0}, {Std::IsAlpha, '_', 0},
        {Std::IsAlphaNum, '5', 1}, {Std::IsAlphaNum, 'q', 1}, {Std::IsAlphaNum, '-', 0},
        {Std::IsDigit, '0', 1}, {Std::IsDigit, '9', 1}, {Std::IsDigit, 'a', 0},
        {Std::IsLower, 'a', 1}, {Std::IsLower, 'A', 0},
        {Std::IsUpper, 'A', 1}, {Std::IsUpper, 'a', 0},
        {Std::IsSpace, ' ', 1}, {Std::IsSpace, '\t', 1}, {Std::IsSpace, '\n', 1}, {Std::IsSpace, 'x', 0},
        {Std::IsXDigit, 'f', 1}, {Std::IsXDigit, 'F', 1}, {Std::IsXDigit, 'g', 0},
        {Std::IsAlpha, 0x141, 0}, {Std::IsDigit, 0xFFFFFFFF, 0},  // not characters
    };
    for (const auto& c : cases) EXPECT_EQ(Apply(c.n, c.c), c.expected) << vm::Number(c.n) << " " << c.c;
}

TEST_F(Chars, PrintableIsTheConsolesSet) {
    for (uint32_t c = 0; c <= 255; ++c) {
        bool printable = !(c == 0 || c == 1 || (c >= 7 && c <= 10) || c == 13 || c == 255);
        EXPECT_EQ(Apply(Std::IsPrint, c), printable ? 1u : 0u) << c;
    }
    EXPECT_EQ(Apply(Std::IsPrint, 2), 1u);
    EXPECT_EQ(Apply(Std::IsPrint, 11), 1u);
    EXPECT_EQ(Apply(Std::IsPrint, 254), 1u);
    EXPECT_EQ(Apply(Std::IsPrint, 256), 0u);
}

TEST_F(Chars, CaseConversion) {
    EXPECT_EQ(Apply(Std::LoCase, 'A'), uint32_t('a'));
    EXPECT_EQ(Apply(Std::LoCase, 'a'), uint32_t('a'));
    EXPECT_EQ(Apply(Std::LoCase, '1'), uint32_t('1'));
    EXPECT_EQ(Apply(Std::UpCase, 'z'), uint32_t('Z'));
    EXPECT_EQ(Apply(Std::UpCase, '['), uint32_t('['));
    EXPECT_EQ(Apply(Std::UpCase, 0x161), 0x161u);
}

}  // namespace
}  // namespace tarn::rt::test
