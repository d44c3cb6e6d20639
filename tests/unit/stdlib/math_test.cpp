// Numbers and mathematics (73-91).
#include <cfloat>
#include <cmath>

#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Std;

class Math : public StdlibTest {
protected:
    double Real(Std n, double x) {
        PushReal(r, x);
        Call(n);
        double y = PopR();
        ExpectEmptyStack();
        return y;
    }
    uint32_t RealToWord(Std n, double x) {
        PushReal(r, x);
        Call(n);
        uint32_t y = PopWord();
        ExpectEmptyStack();
        return y;
    }
    uint32_t Word(Std n, uint32_t x) {
        PushWord(x);
        Call(n);
        uint32_t y = PopWord();
        ExpectEmptyStack();
        return y;
    }
};

TEST_F(Math, RoundHalfAwayFromZero) {
    struct Case { double x; int32_t expected; };
    const Case cases[] = {{2.5, 3}, {-2.5, -3}, {2.49, 2}, {-2.49, -2}, {0.0, 0}, {0.5, 1}, {-0.5, -1},
                          {1e9 + 0.5, 1000000001}, {-2147483648.0, INT32_MIN}};
    for (const auto& c : cases) EXPECT_EQ(static_cast<int32_t>(RealToWord(Std::Round, c.x)), c.expected) << c.x;
}

TEST_F(Math, FunctionsOfReals) {
    EXPECT_EQ(Real(Std::AbsReal, -1.25), 1.25);
    EXPECT_EQ(Real(Std::ArcTan, 1.0), std::atan(1.0));
    EXPECT_EQ(Real(Std::Cos, 0.0), 1.0);
    EXPECT_EQ(Real(Std::Cosh, 0.0), 1.0);
    EXPECT_EQ(Real(Std::Exp, 0.0), 1.0);
    EXPECT_EQ(Real(Std::Frac, 3.75), 0.75);
    EXPECT_EQ(Real(Std::Frac, -3.75), -0.75);
    EXPECT_EQ(Real(Std::Int, 3.75), 3.0);
    EXPECT_EQ(Real(Std::Int, -3.75), -3.0);
    EXPECT_EQ(Real(Std::Ln, 1.0), 0.0);
    EXPECT_EQ(Real(Std::Log, 1000.0), 3.0);
    EXPECT_EQ(Real(Std::SqrReal, -1.5), 2.25);
    EXPECT_EQ(Real(Std::Sqrt, 6.25), 2.5);
    EXPECT_EQ(Real(Std::Sin, 0.0), 0.0);
    EXPECT_EQ(Real(Std::Sinh, 0.0), 0.0);
    EXPECT_EQ(Real(Std::Tan, 0.0), 0.0);
    EXPECT_EQ(Real(Std::Tanh, 0.0), 0.0);
    EXPECT_EQ(Real(Std::Exp, -1000.0), 0.0);  // an underflow is not an error
    Call(Std::Pi);
    EXPECT_EQ(PopR(), 3.141592653589793);
    ExpectEmptyStack();
}

TEST_F(Math, IntegerAbsAndSqr) {
    EXPECT_EQ(Word(Std::AbsInteger, static_cast<uint32_t>(-7)), 7u);
    EXPECT_EQ(Word(Std::AbsInteger, 7), 7u);
    EXPECT_EQ(Word(Std::AbsInteger, 0x7FFFFFFF), 0x7FFFFFFFu);
    EXPECT_EQ(Word(Std::SqrInteger, static_cast<uint32_t>(-12)), 144u);
    EXPECT_EQ(Word(Std::SqrInteger, 0x10001), 0x20001u);  // low 32 bits of 0x100020001
    EXPECT_RUNTIME_ERROR(Word(Std::AbsInteger, 0x80000000u), "Result out of range (math)");
}

TEST_F(Math, DomainAndRangeErrorsOfTheCheckedFunctions) {
    EXPECT_RUNTIME_ERROR(Real(Std::Sqrt, -1.0), "Invalid domain (math)");
    EXPECT_RUNTIME_ERROR(Real(Std::Ln, -1.0), "Invalid domain (math)");
    EXPECT_RUNTIME_ERROR(Real(Std::Log, 0.0), "Result out of range (math)");
    EXPECT_RUNTIME_ERROR(Real(Std::Exp, 1000.0), "Result out of range (math)");
    EXPECT_RUNTIME_ERROR(Real(Std::Cosh, 1000.0), "Result out of range (math)");
    EXPECT_RUNTIME_ERROR(Real(Std::Sinh, -1000.0), "Result out of range (math)");
}

TEST_F(Math, UncheckedFunctionsPassValuesThrough) {
    // Without traps (as here) the unchecked routines just give the IEEE result.
    EXPECT_TRUE(std::isnan(Real(Std::Cos, INFINITY)));
    EXPECT_TRUE(std::isnan(Real(Std::Sin, INFINITY)));
    EXPECT_EQ(Real(Std::AbsReal, -INFINITY), INFINITY);
}

}  // namespace
}  // namespace tarn::rt::test
