// The number formatter of text files and str against the C library's printf, whose text it
// must give byte for byte: integers as "%*ld"/"%*lu", reals as "%*.*f" and "%*.*E" with the
// width and precision rules of the formatter. Random values from a fixed seed, weighted
// towards the hard cases (exact halves, every exponent, huge widths and precisions).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "runtime/stdlib.h"

namespace tarn::rt::test {
namespace {

std::string Printf(const char* format, int width, int precision, double value) {
    char text[2200];
    int n = std::snprintf(text, sizeof text, format, width, precision, value);
    return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

// What the formatter must write, from printf itself.
std::string ExpectedReal(double value, int32_t width, int32_t precision) {
    int w = width < 1 ? 9 : std::min(width, kMaxFieldWidth);
    if (precision >= 1) return Printf("%*.*f", w, std::min(precision, std::signbit(value) ? 715 : 716), value);
    w = std::max(w, 9);
    return Printf("%*.*E", w, w - 8, value);
}

std::string Real(double value, int32_t width, int32_t precision) {
    RealText room;
    return std::string(FormatReal(room, value, width, precision));
}

double RandomReal(std::mt19937_64& g) {
    switch (g() % 6) {
    case 0: {  // any bit pattern: subnormals, infinities and NaNs of both signs included
        uint64_t bits = g();
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }
    case 1: return static_cast<double>(static_cast<int64_t>(g() % 2000001) - 1000000) / 1000.0;
    case 2:  // exact binary fractions: halves that round to even
        return std::ldexp(static_cast<double>(static_cast<int64_t>(g() % 2001) - 1000), -static_cast<int>(g() % 12));
    case 3: return std::ldexp(static_cast<double>(g() >> 11), static_cast<int>(g() % 200) - 100) * ((g() & 1) ? -1 : 1);
    case 4: return static_cast<double>(g() % 100000) * std::pow(10.0, static_cast<int>(g() % 40) - 20);
    default: return std::uniform_real_distribution<double>(-1e6, 1e6)(g);
    }
}

TEST(Format, RealsAsPrintfWritesThem) {
    std::mt19937_64 g(20261208);
    int mismatches = 0;
    for (int i = 0; i < 60000; i++) {
        double v = RandomReal(g);
        int32_t width = static_cast<int32_t>(g() % 40) - 5;
        if (g() % 50 == 0) width = static_cast<int32_t>(g() % 1200);
        int32_t precision = 0;
        switch (g() % 4) {
        case 0: precision = 0; break;
        case 1: precision = static_cast<int32_t>(g() % 20) - 3; break;
        case 2: precision = static_cast<int32_t>(g() % 800); break;
        default: precision = 1 + static_cast<int32_t>(g() % 6); break;
        }
        std::string expected = ExpectedReal(v, width, precision);
        std::string got = Real(v, width, precision);
        if (got != expected && ++mismatches <= 5)
            ADD_FAILURE() << std::hexfloat << v << " width " << width << " precision " << precision
                          << "\n  printf [" << expected << "]\n  ours   [" << got << "]";
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Format, RealEdgeCases) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {0.0, -0.0, inf, -inf, nan, -nan, 0.5, 1.5, 2.5, 0.125, 0.375, -0.125, 0.05,
                             0.15, 9.5, 99.5, 999.95, 1e308, -1.7976931348623157e308, 5e-324, -5e-324,
                             1e-310, 123456789012345678.0};
    for (double v : values)
        for (int32_t width : {-7, 0, 1, 5, 8, 9, 10, 20, 100, 1026, 1027, 1028, 100000})
            for (int32_t precision : {-1, 0, 1, 2, 3, 10, 17, 20, 100, 714, 715, 716, 717, 100000})
                EXPECT_EQ(Real(v, width, precision), ExpectedReal(v, width, precision))
                    << std::hexfloat << v << " width " << width << " precision " << precision;
    // A few texts spelled out, as a reader checks them.
    EXPECT_EQ(Real(-0.0, 0, 0), " -0.0E+00");
    EXPECT_EQ(Real(-0.0, 6, 2), " -0.00");
    EXPECT_EQ(Real(0.125, 1, 2), "0.12");
    EXPECT_EQ(Real(0.375, 1, 2), "0.38");
    EXPECT_EQ(Real(2.5e-7, 12, 0), "  2.5000E-07");
    EXPECT_EQ(Real(1e100, 0, 0), " 1.0E+100");
    EXPECT_EQ(Real(-inf, 10, 3), "      -inf");
    EXPECT_EQ(Real(nan, 0, 0), "      NAN");
    EXPECT_EQ(Real(1e308, 1, 716).size(), 309u + 1 + 716);
    EXPECT_EQ(Real(-1e308, 1, 2000).size(), 1u + 309 + 1 + 715);
}

TEST(Format, IntegersAsPrintfWritesThem) {
    std::mt19937_64 g(8122026);
    for (int i = 0; i < 100000; i++) {
        uint32_t n = static_cast<uint32_t>(g());
        if (i % 3 == 0) n = static_cast<uint32_t>(static_cast<int32_t>(g() % 2001) - 1000);
        int32_t width = static_cast<int32_t>(g() % 30) - 5;
        if (i % 97 == 0) width = static_cast<int32_t>(g() % 1100);
        bool isUnsigned = g() & 1;
        int w = width < 1 ? 8 : std::min(width, kMaxFieldWidth);
        char text[1200];
        int length = isUnsigned ? std::snprintf(text, sizeof text, "%*lu", w, static_cast<unsigned long>(n))
                                : std::snprintf(text, sizeof text, "%*ld", w, static_cast<long>(static_cast<int32_t>(n)));
        IntegerText room;
        ASSERT_EQ(FormatInteger(room, n, width, isUnsigned), std::string_view(text, length))
            << n << " width " << width << (isUnsigned ? " unsigned" : " signed");
    }
}

}  // namespace
}  // namespace tarn::rt::test
