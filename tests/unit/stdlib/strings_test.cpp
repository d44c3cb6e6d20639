// String routines: copy, concat, insert, delete, length, case, pos, reverse, trim, hex,
// swap, str, val, urldecode, copyword and countwords.
#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Std;

class Strings : public StdlibTest {
protected:
    std::string Copy(const std::string& s, int32_t index, int32_t count) {
        PushStr(s);
        PushInt(index);
        PushInt(count);
        Call(Std::Copy);
        std::string out = PopStr();
        ExpectEmptyStack();
        return out;
    }
    std::string Unary(Std n, const std::string& s) {
        PushStr(s);
        Call(n);
        std::string out = PopStr();
        ExpectEmptyStack();
        return out;
    }
    // insert: the variable at kVar with the given prefix; index 0 means the form without one.
    void Insert(const std::string& source, int prefix, uint32_t maxLength, int32_t index = 0) {
        PushStr(source);
        PushWord(kVar);
        PushWord(static_cast<uint32_t>(prefix));
        PushWord(maxLength);
        if (index) PushInt(index);
        Call(index ? Std::Insert2 : Std::Insert);
        ExpectEmptyStack();
    }
    void Delete(int prefix, int32_t index, int32_t count) {
        PushWord(kVar);
        PushInt(index);
        PushInt(count);
        PushWord(static_cast<uint32_t>(prefix));
        Call(Std::Delete);
        ExpectEmptyStack();
    }
    uint32_t Pos(const std::string& sub, const std::string& s, int32_t start) {
        PushStr(sub);
        PushStr(s);
        PushInt(start);
        Call(Std::Pos);
        uint32_t p = PopWord();
        ExpectEmptyStack();
        return p;
    }
    std::string Str(uint32_t value, int32_t width, int32_t decimals, uint32_t kind) {
        PushWord(kVar);  // the target's address stays for the assignment
        PushWord(value);
        PushInt(width);
        PushInt(decimals);
        PushWord(kind);
        Call(Std::NumberToString);
        std::string out = PopStr();
        EXPECT_EQ(PopWord(), kVar);
        ExpectEmptyStack();
        return out;
    }
    std::string StrReal(double value, int32_t width, int32_t decimals) {
        PushWord(kVar);
        PushReal(r, value);
        PushInt(width);
        PushInt(decimals);
        PushWord(1);
        Call(Std::NumberToString);
        std::string out = PopStr();
        EXPECT_EQ(PopWord(), kVar);
        ExpectEmptyStack();
        return out;
    }
    // val into an integral target: {value, code}.
    std::pair<uint32_t, uint32_t> ValInteger(const std::string& s, Std n = Std::StringToReal) {
        PushWord(kVar);
        PushStr(s);
        PushWord(kCode);
        PushWord(0);
        Call(n);
        uint32_t v = PopWord();
        EXPECT_EQ(PopWord(), kVar);
        ExpectEmptyStack();
        return {v, VmWord(kCode)};
    }
    std::pair<double, uint32_t> ValReal(const std::string& s) {
        PushWord(kVar);
        PushStr(s);
        PushWord(kCode);
        PushWord(1);
        Call(Std::StringToReal);
        double v = PopR();
        EXPECT_EQ(PopWord(), kVar);
        ExpectEmptyStack();
        return {v, VmWord(kCode)};
    }
    std::string CopyWord(const std::string& s, int32_t n, const std::string& delimiters) {
        PushStr(s);
        PushInt(n);
        PushStr(delimiters);
        Call(Std::CopyWord);
        std::string out = PopStr();
        ExpectEmptyStack();
        return out;
    }
    uint32_t CountWords(const std::string& s, const std::string& delimiters) {
        PushStr(s);
        PushStr(delimiters);
        Call(Std::CountWords);
        uint32_t n = PopWord();
        ExpectEmptyStack();
        return n;
    }

    static constexpr uint32_t kVar = 256;
    static constexpr uint32_t kCode = 128;
};

TEST_F(Strings, CopyTakesAtMostCountCharactersFromIndex) {
    EXPECT_EQ(Copy("hello", 2, 3), "ell");
    EXPECT_EQ(Copy("hello", 1, 5), "hello");
    EXPECT_EQ(Copy("hello", 4, 10), "lo");
    EXPECT_EQ(Copy("hello", 5, 0x7FFFFFFF), "o");
    EXPECT_EQ(Copy("hello", 6, 1), "");
    EXPECT_EQ(Copy("hello", 7, 3), "");
    EXPECT_EQ(Copy("hello", 2, 0), "");
    EXPECT_EQ(Copy("", 1, 1), "");
}

TEST_F(Strings, CopyRejectsLowIndexAndNegativeCount) {
    EXPECT_RUNTIME_ERROR(Copy("hello", 0, 3), "Invalid index (too low)");
    EXPECT_RUNTIME_ERROR(Copy("hello", 1, -1), "Invalid count (negative)");
}

TEST_F(Strings, ConcatJoinsTwoValues) {
    PushStr("abc");
    PushStr("defgh");
    Call(Std::Concat);
    EXPECT_EQ(PopStr(), "abcdefgh");
    ExpectEmptyStack();
    PushStr("");
    PushStr("");
    Call(Std::Concat);
    EXPECT_EQ(PopStr(), "");
    ExpectEmptyStack();
}

TEST_F(Strings, InsertWithoutPositionAppends) {
    SetStringVar(kVar, "abc", 1);
    Insert("XY", 1, 10);
    EXPECT_EQ(StringVar(kVar, 1), "abcXY");
    SetStringVar(kVar, "abc", 4);
    Insert("XY", 4, 5);
    EXPECT_EQ(StringVar(kVar, 4), "abcXY");
}

TEST_F(Strings, InsertAtAPosition) {
    for (auto [index, expected] : {std::pair{1, "XYabc"}, {2, "aXYbc"}, {4, "abcXY"}}) {
        SetStringVar(kVar, "abc", 1);
        Insert("XY", 1, 255, index);
        EXPECT_EQ(StringVar(kVar, 1), expected) << index;
    }
}

TEST_F(Strings, InsertErrors) {
    SetStringVar(kVar, "abc", 1);
    EXPECT_RUNTIME_ERROR(Insert("XY", 1, 0), "Invalid size (too low)");
    EXPECT_RUNTIME_ERROR(Insert("XY", 1, 4), "String insertion overflow");
    EXPECT_RUNTIME_ERROR(Insert("XY", 1, 10, 0x80000000), "Invalid index (too low)");
    EXPECT_RUNTIME_ERROR(Insert("XY", 1, 10, 5), "String insertion failure");
    EXPECT_RUNTIME_ERROR(Insert("XY", 1, 4, 1), "String insertion overflow");
    SetVmWord(kVar, kUndefinedWord);
    EXPECT_RUNTIME_ERROR(Insert("XY", 4, 10), "Access made to undefined variable");
}

TEST_F(Strings, DeleteFromBothPrefixWidths) {
    for (int prefix : {1, 4}) {
        SetStringVar(kVar, "hello", prefix);
        Delete(prefix, 2, 2);
        EXPECT_EQ(StringVar(kVar, prefix), "hlo");
        SetStringVar(kVar, "hello", prefix);
        Delete(prefix, 3, 0x7FFFFFFF);
        EXPECT_EQ(StringVar(kVar, prefix), "he");
        SetStringVar(kVar, "hello", prefix);
        Delete(prefix, 6, 1);
        EXPECT_EQ(StringVar(kVar, prefix), "hello");
    }
}

TEST_F(Strings, DeleteErrors) {
    SetStringVar(kVar, "hello", 1);
    EXPECT_RUNTIME_ERROR(Delete(1, 1, -1), "Invalid count (negative)");
    EXPECT_RUNTIME_ERROR(Delete(1, 0, 1), "Invalid index (too low)");
}

TEST_F(Strings, LengthPopsTheValue) {
    PushStr("hello");
    Call(Std::Length);
    EXPECT_EQ(PopWord(), 5u);
    ExpectEmptyStack();
}

TEST_F(Strings, CaseReverseTrim) {
    EXPECT_EQ(Unary(Std::LowerCase, "MiXeD 12!"), "mixed 12!");
    EXPECT_EQ(Unary(Std::UpperCase, "MiXeD 12!"), "MIXED 12!");
    EXPECT_EQ(Unary(Std::Reverse, "abcde"), "edcba");
    EXPECT_EQ(Unary(Std::Reverse, ""), "");
    EXPECT_EQ(Unary(Std::Trim, " \t hello world \r\n"), "hello world");
    EXPECT_EQ(Unary(Std::Trim, "   "), "");
}

TEST_F(Strings, CaseOfAnOverlongValueIsStringTooLong) {
    PushWord(0x80000000u);
    EXPECT_RUNTIME_ERROR(Call(Std::UpperCase), "String too long");
    EXPECT_RUNTIME_ERROR(Call(Std::LowerCase), "String too long");
}

TEST_F(Strings, PosFindsTheFirstOccurrenceFromStart) {
    EXPECT_EQ(Pos("lo", "hello lo", 1), 4u);
    EXPECT_EQ(Pos("lo", "hello lo", 5), 7u);
    EXPECT_EQ(Pos("x", "hello", 1), 0u);
    EXPECT_EQ(Pos("", "hello", 1), 0u);
    EXPECT_EQ(Pos("o", "hello", 100), 0u);
    EXPECT_RUNTIME_ERROR(Pos("a", "abc", 0), "Invalid index (too low)");
}

TEST_F(Strings, HexAndSwap) {
    PushWord(255);
    Call(Std::Hex);
    EXPECT_EQ(PopStr(), "FF");
    PushInt(-1);
    Call(Std::Hex);
    EXPECT_EQ(PopStr(), "FFFFFFFF");
    PushWord(0x11223344);
    Call(Std::Swap);
    EXPECT_EQ(PopWord(), 0x44332211u);
    ExpectEmptyStack();
}

TEST_F(Strings, StrFormatsAsTextFilesDo) {
    EXPECT_EQ(Str(42, -1, -1, 0), "      42");
    EXPECT_EQ(Str(static_cast<uint32_t>(-42), 5, -1, 0), "  -42");
    EXPECT_EQ(Str(42, 2, -1, 0), "42");
    EXPECT_EQ(Str(4000000000u, -1, -1, 2), "4000000000");
    EXPECT_EQ(StrReal(3.14159, -1, 2), "     3.14");
    EXPECT_EQ(StrReal(-2.5, 1, 1), "-2.5");
    EXPECT_EQ(StrReal(1.5, -1, -1), "  1.5E+00");
    EXPECT_EQ(StrReal(1.5, 12, -1), "  1.5000E+00");
    EXPECT_EQ(StrReal(1.5, 3, 0), "  1.5E+00");
}

TEST_F(Strings, ValOfIntegers) {
    using P = std::pair<uint32_t, uint32_t>;
    EXPECT_EQ(ValInteger("123"), P(123, 0));
    EXPECT_EQ(ValInteger("  -17"), P(static_cast<uint32_t>(-17), 0));
    EXPECT_EQ(ValInteger("+5"), P(5, 0));
    EXPECT_EQ(ValInteger("-2147483648"), P(0x80000000u, 0));
    EXPECT_EQ(ValInteger("2147483647"), P(0x7FFFFFFFu, 0));
    EXPECT_EQ(ValInteger("2147483648"), P(0, 1));
    EXPECT_EQ(ValInteger("12a"), P(0, 3));
    EXPECT_EQ(ValInteger("12 "), P(0, 3));
    EXPECT_EQ(ValInteger(""), P(0, 1));
    EXPECT_EQ(ValInteger("+"), P(0, 2));
    EXPECT_EQ(ValInteger("4294967295", Std::StringToInteger), P(0xFFFFFFFFu, 0));
    EXPECT_EQ(ValInteger("4294967296", Std::StringToInteger), P(0, 1));
    EXPECT_EQ(ValInteger("-1", Std::StringToInteger), P(0, 1));
}

TEST_F(Strings, ValOfReals) {
    using P = std::pair<double, uint32_t>;
    EXPECT_EQ(ValReal("3.25"), P(3.25, 0));
    EXPECT_EQ(ValReal(" -0.5"), P(-0.5, 0));
    EXPECT_EQ(ValReal("1e3"), P(1000.0, 0));
    EXPECT_EQ(ValReal("7"), P(7.0, 0));
    EXPECT_EQ(ValReal("1."), P(0.0, 3));
    EXPECT_EQ(ValReal(".5"), P(0.0, 1));
    EXPECT_EQ(ValReal("2.5e"), P(0.0, 5));
    EXPECT_EQ(ValReal("1e999"), P(0.0, 1));
    EXPECT_EQ(ValReal("nan"), P(0.0, 1));
}

TEST_F(Strings, UrlDecode) {
    EXPECT_EQ(Unary(Std::UrlDecode, "a+b%41%4a"), "a bAJ");
    EXPECT_EQ(Unary(Std::UrlDecode, "%4G!"), std::string("\x04!"));
    EXPECT_EQ(Unary(Std::UrlDecode, "%zz"), "%zz");
    EXPECT_EQ(Unary(Std::UrlDecode, "%4"), "%4");
    EXPECT_EQ(Unary(Std::UrlDecode, "100%"), "100%");
    EXPECT_EQ(Unary(Std::UrlDecode, "%41%"), "A%");
    EXPECT_EQ(Unary(Std::UrlDecode, "%2541"), "%41");
    EXPECT_EQ(Unary(Std::UrlDecode, "%2B+"), "+ ");
}

TEST_F(Strings, Words) {
    EXPECT_EQ(CopyWord("one two  three", 2, ""), "two");
    EXPECT_EQ(CopyWord("one two  three", 3, ""), "three");
    EXPECT_EQ(CopyWord("one two  three", 4, ""), "");
    EXPECT_EQ(CopyWord("\tone\r\ntwo", 2, ""), "two");
    EXPECT_EQ(CopyWord("a,,b;c", 3, ",;"), "c");
    EXPECT_EQ(CopyWord("a b", 1, ","), "a b");
    EXPECT_EQ(CountWords("  one two  three ", ""), 3u);
    EXPECT_EQ(CountWords("", ""), 0u);
    EXPECT_EQ(CountWords(",,", ","), 0u);
    EXPECT_EQ(CountWords("a,,b;c", ",;"), 3u);
    EXPECT_RUNTIME_ERROR(CopyWord("a b", 0, ""), "Word index < 1");
}

}  // namespace
}  // namespace tarn::rt::test
