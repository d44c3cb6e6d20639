// Conversions between automation variants and a program's variant values, both ways,
// and the textual forms of dates, currency and file times.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/variants.h"

namespace tarn::automation {
namespace {

tarn_variant Of(uint16_t vt) {
    tarn_variant v;
    tarn_variant_init(&v);
    v.vt = vt;
    return v;
}

TEST(Variants, NumbersAndBooleansToProgramValues) {
    struct Case {
        tarn_variant v;
        uint32_t type;
        uint32_t word;
    };
    tarn_variant i2 = Of(TARN_VT_I2), i4 = Of(TARN_VT_I4), b = Of(TARN_VT_BOOL), i1 = Of(TARN_VT_I1),
                 ui1 = Of(TARN_VT_UI1), ui2 = Of(TARN_VT_UI2), ui4 = Of(TARN_VT_UI4), n = Of(TARN_VT_NULL);
    i2.u.i2 = -5;
    i4.u.i4 = INT32_MIN;
    b.u.boolean = 7;  // any non-zero value is true
    i1.u.i1 = -1;
    ui1.u.ui1 = 255;
    ui2.u.ui2 = 65535;
    ui4.u.ui4 = UINT32_MAX;
    Case cases[] = {
        {i2, kVmInteger, static_cast<uint32_t>(-5)}, {i4, kVmInteger, 0x80000000u}, {b, kVmBoolean, 1},
        {i1, kVmBoolean, 1}, {ui1, kVmByte, 255}, {ui2, kVmWord, 65535}, {ui4, kVmWord, UINT32_MAX},
        {n, kVmNull, 0},
    };
    for (const Case& c : cases) {
        ProgramValue p = FromAutomation(c.v);
        EXPECT_EQ(p.error, nullptr) << c.v.vt;
        EXPECT_EQ(p.value.type, c.type) << c.v.vt;
        EXPECT_EQ(p.value.word, c.word) << c.v.vt;
    }
}

TEST(Variants, RealsAndDecimals) {
    tarn_variant r4 = Of(TARN_VT_R4), d = Of(TARN_VT_DECIMAL);
    r4.u.r4 = 0.1f;
    EXPECT_EQ(FromAutomation(r4).value.real, static_cast<double>(0.1f));
    d.u.decimal.scale = 3;
    d.u.decimal.lo64 = 1234567;
    EXPECT_DOUBLE_EQ(FromAutomation(d).value.real, 1234.567);
    d.u.decimal.sign = 0x80;
    d.u.decimal.hi32 = 1;  // 2^64 + 1234567, scaled
    EXPECT_DOUBLE_EQ(FromAutomation(d).value.real, -(18446744073709551616.0 + 1234567) / 1000);
    d.u.decimal.scale = 29;
    ProgramValue bad = FromAutomation(d);
    EXPECT_STREQ(bad.error, "Decimal value could not be converted to real");
    EXPECT_EQ(bad.value.type, kVmNull);
}

TEST(Variants, TextForms) {
    std::string s;
    ASSERT_TRUE(DateText(36525.75, s));
    EXPECT_EQ(s, "1999-12-31 18:00:00");
    ASSERT_TRUE(DateText(2.0, s));
    EXPECT_EQ(s, "1900-01-01");
    ASSERT_TRUE(DateText(0.5, s));
    EXPECT_EQ(s, "12:00:00");
    ASSERT_TRUE(DateText(-1.25, s));  // the fraction counts forward from the day
    EXPECT_EQ(s, "1899-12-29 06:00:00");
    ASSERT_TRUE(DateText(1.99999999, s));  // rounds into the next day
    EXPECT_EQ(s, "1900-01-01");
    EXPECT_FALSE(DateText(NAN, s));
    EXPECT_FALSE(DateText(1e7, s));
    EXPECT_EQ(CurrencyText(-1234567), "-123.4567");
    EXPECT_EQ(CurrencyText(50000), "5");
    EXPECT_EQ(CurrencyText(12300), "1.23");
    EXPECT_EQ(CurrencyText(INT64_MIN), "-922337203685477.5808");
    ASSERT_TRUE(FileTimeText(116444736000000000ull + 10000000ull * 86461, s));
    EXPECT_EQ(s, "1970-01-02 00:01:01");
    EXPECT_FALSE(FileTimeText(UINT64_MAX, s));
}

TEST(Variants, StringsNarrowAndWiden) {
    tarn_sysstr w = WidenText(std::string("a\0\xe9\xff", 4));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(tarn_sysstr_len(w), 4u);
    EXPECT_EQ(w[2], 0xE9);
    EXPECT_EQ(w[4], 0);  // terminated
    tarn_variant v = Of(TARN_VT_BSTR);
    v.u.bstr = w;
    ProgramValue p = FromAutomation(v);
    EXPECT_EQ(p.value.type, kVmString);
    EXPECT_EQ(p.value.text, std::string("a\0\xe9\xff", 4));
    w[1] = 0x263A;  // no byte for it
    EXPECT_EQ(NarrowText(w), std::string("a?\xe9\xff", 4));
    tarn_variant_clear(&v);
    EXPECT_EQ(NarrowText(nullptr), "");
}

TEST(Variants, RefusedResultsAreError45) {
    struct Case {
        uint16_t vt;
        const char* error;
    } cases[] = {
        {TARN_VT_EMPTY, "Call did not return a value"}, {TARN_VT_VOID, "Call did not return a value"},
        {TARN_VT_ERROR, "Invalid value"}, {TARN_VT_VARIANT, "Invalid value"}, {TARN_VT_UNKNOWN, "Invalid value"},
        {TARN_VT_PTR, "Invalid value"}, {TARN_VT_BLOB, "Invalid value"}, {TARN_VT_STREAM, "Invalid value"},
        {TARN_VT_I4 | TARN_VT_ARRAY, "Invalid value"}, {TARN_VT_BSTR | TARN_VT_BYREF, "Invalid value"},
        {TARN_VT_I4 | TARN_VT_VECTOR, "Invalid value"}, {99, "Unknown value"}, {15, "Unknown value"},
    };
    for (const Case& c : cases) {
        ProgramValue p = FromAutomation(Of(c.vt));
        EXPECT_STREQ(p.error, c.error) << c.vt;
        EXPECT_EQ(p.value.type, kVmNull) << c.vt;
    }
    tarn_variant big = Of(TARN_VT_I8);
    big.u.i8 = INT64_MIN;
    EXPECT_EQ(FromAutomation(big).value.text, "-9223372036854775808");
}

TEST(Variants, ArgumentsToAutomation) {
    tarn_variant out;
    VmValue v;
    v.type = kVmInteger; v.word = static_cast<uint32_t>(-3);
    ASSERT_TRUE(ToAutomation(v, nullptr, out));
    EXPECT_EQ(out.vt, TARN_VT_I4); EXPECT_EQ(out.u.i4, -3);
    v.type = kVmBoolean; v.word = 1;
    ToAutomation(v, nullptr, out);
    EXPECT_EQ(out.vt, TARN_VT_BOOL); EXPECT_EQ(out.u.boolean, -1);
    v.type = kVmByte; v.word = 0x1FF;
    ToAutomation(v, nullptr, out);
    EXPECT_EQ(out.vt, TARN_VT_UI1); EXPECT_EQ(out.u.ui1, 0xFF);
    v.type = kVmWord; v.word = UINT32_MAX;
    ToAutomation(v, nullptr, out);
    EXPECT_EQ(out.vt, TARN_VT_UI4); EXPECT_EQ(out.u.ui4, UINT32_MAX);
    v.type = kVmReal; v.real = -0.25;
    ToAutomation(v, nullptr, out);
    EXPECT_EQ(out.vt, TARN_VT_R8); EXPECT_EQ(out.u.r8, -0.25);
    v.type = kVmNull;
    ToAutomation(v, nullptr, out);
    EXPECT_EQ(out.vt, TARN_VT_NULL);
    v.type = kVmString; v.text = "hi";
    ToAutomation(v, nullptr, out);
    EXPECT_EQ(out.vt, TARN_VT_BSTR); EXPECT_EQ(NarrowText(out.u.bstr), "hi");
    tarn_variant_clear(&out);
    // Omitted arguments, unknown codes and objects that are no automation object: not found.
    for (uint32_t type : {uint32_t{kVmEmpty}, uint32_t{10}, uint32_t{42}}) {
        v.type = type;
        ToAutomation(v, nullptr, out);
        EXPECT_EQ(out.vt, TARN_VT_ERROR) << type;
        EXPECT_EQ(out.u.scode, TARN_PARAM_NOT_FOUND);
    }
    v.type = kVmObject; v.word = 0x1000;
    ToAutomation(v, nullptr, out);
    EXPECT_EQ(out.vt, TARN_VT_ERROR);
    v.word = 0;  // nil: an empty object reference
    ToAutomation(v, nullptr, out);
    EXPECT_EQ(out.vt, TARN_VT_DISPATCH); EXPECT_EQ(out.u.dispatch, nullptr);
}

}  // namespace
}  // namespace tarn::automation
