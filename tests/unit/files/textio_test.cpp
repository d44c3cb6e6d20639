// Text writes with field widths and text reads of every kind of value.
#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Std;

class TextIo : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        Assign(kF, "w.txt");
        Open(kF, kModeOutput);
    }
    // What the writes since the last call added to the file.
    std::string Written() {
        OnFile(Std::Flush, kF);
        std::string all = ReadFile("w.txt");
        std::string added = all.substr(seen_);
        seen_ = all.size();
        return added;
    }
    size_t seen_ = 0;
};

TEST_F(TextIo, IntegersAreRightAlignedAndNeverCut) {
    const struct {
        int32_t value;
        int32_t width;
        const char* text;
    } kCases[] = {
        {42, 5, "   42"}, {-42, 5, "  -42"}, {42, 2, "42"},   {42, 3, " 42"},
        {-42, 3, "-42"},  {42, 0, "      42"}, {42, -3, "      42"}, {0, 1, "0"},
        {-2147483647 - 1, 0, "-2147483648"},
    };
    for (const auto& c : kCases) {
        WriteInt(kF, c.value, c.width);
        EXPECT_EQ(Written(), c.text) << c.value << ":" << c.width;
    }
    WriteInt(kF, 7, 5000);
    EXPECT_EQ(Written().size(), 1027u) << "widths stop at 1027";
    PushWord(kF); PushWord(0xFFFFFFFFu); PushWord(0); Call(Std::WriteUnsigned);
    EXPECT_EQ(Written(), "4294967295");
    PushWord(kF); PushWord(7); PushWord(3); Call(Std::WriteUnsigned);
    EXPECT_EQ(Written(), "  7");
    EXPECT_EQ(Pending(), 0u);
    ExpectEmptyStack();
}

TEST_F(TextIo, RealsBooleansCharsAndStrings) {
    auto Real = [&](double x, int32_t width, int32_t precision) {
        PushWord(kF); PushReal(r, x); PushWord(static_cast<uint32_t>(width));
        PushWord(static_cast<uint32_t>(precision)); Call(Std::WriteReal);
        return Written();
    };
    EXPECT_EQ(Real(1.5, 0, 0), "  1.5E+00") << "width 9 and one decimal";
    EXPECT_EQ(Real(3.14159, 8, 2), "    3.14");
    EXPECT_EQ(Real(3.14159, 12, 0), "  3.1416E+00");
    EXPECT_EQ(Real(-2.5, 3, 0), " -2.5E+00") << "width below 9 counts as 9";
    EXPECT_EQ(Real(2.0, 0, 3), "    2.000");

    auto Boolean = [&](uint32_t b, int32_t width) {
        PushWord(kF); PushWord(b); PushWord(static_cast<uint32_t>(width)); Call(Std::WriteBoolean);
        return Written();
    };
    EXPECT_EQ(Boolean(1, 2), "tr");
    EXPECT_EQ(Boolean(1, 0), "    true");
    EXPECT_EQ(Boolean(0, 6), " false");

    auto Char = [&](char c, int32_t width) {
        PushWord(kF); PushWord(static_cast<uint8_t>(c)); PushWord(static_cast<uint32_t>(width));
        Call(Std::WriteChar);
        return Written();
    };
    EXPECT_EQ(Char('x', 0), "x");
    EXPECT_EQ(Char('x', 3), "  x");

    WriteStr(kF, "abc", 5);
    EXPECT_EQ(Written(), "  abc");
    WriteStr(kF, "abc", 2);
    EXPECT_EQ(Written(), "ab") << "a width narrower than the string cuts it";
    WriteStr(kF, std::string("a\0b", 3));
    EXPECT_EQ(Written(), std::string("a\0b", 3));
    OnFile(Std::WriteLn, kF);
    EXPECT_EQ(Written(), "\n");
    EXPECT_EQ(Pending(), 0u);
    ExpectEmptyStack();
}

TEST_F(TextIo, WritesNeedAnOutputFile) {
    ResetWith(kG, "in.txt", "x");
    WriteInt(kG, 1);
    EXPECT_EQ(Pending(), 11u);
    OnFile(Std::WriteLn, kG);
    EXPECT_EQ(Pending(), 11u);
    SetVmWord(kVar, kUndefinedWord);
    WriteStr(kVar, "x");
    EXPECT_EQ(Pending(), 3u);
    ExpectEmptyStack();
}

TEST_F(TextIo, ReadsNumbersOfEveryWidth) {
    ResetWith(kG, "n.txt", "  -17 4000000000\n2.5e3 300 -5 65535 70000 0.25 -1 2147483648 x");
    ReadInto(Std::ReadInteger, kG, kVar);
    EXPECT_EQ(static_cast<int32_t>(VmWord(kVar)), -17);
    ReadInto(Std::ReadUnsigned, kG, kVar);
    EXPECT_EQ(VmWord(kVar), 4000000000u);
    ReadInto(Std::ReadReal, kG, kVar);
    EXPECT_EQ(LoadReal(Mem() + kVar), 2500.0);
    SetVmWord(kVar, 0);
    ReadInto(Std::ReadByte, kG, kVar);
    EXPECT_EQ(Pending(), 16u) << "300 is no byte";
    EXPECT_EQ(VmWord(kVar), 300u & 0xFF) << "its low 8 bits are still stored";
    SetVmWord(kVar, 0xFFFFFFFF);
    ReadInto(Std::ReadInt16, kG, kVar);
    EXPECT_EQ(Pending(), 0u);
    EXPECT_EQ(VmWord(kVar), 0xFFFFFFFBu) << "two bytes of -5 stored, the rest untouched";
    ReadInto(Std::ReadWord16, kG, kVar);
    EXPECT_EQ(VmWord(kVar) & 0xFFFF, 65535u);
    ReadInto(Std::ReadWord16, kG, kVar);
    EXPECT_EQ(Pending(), 16u) << "70000 does not fit 16 bits";
    ReadInto(Std::ReadFloat, kG, kVar);
    float f;
    std::memcpy(&f, Mem() + kVar, 4);
    EXPECT_EQ(f, 0.25f);
    ReadInto(Std::ReadUnsigned, kG, kVar);
    EXPECT_EQ(Pending(), 16u) << "-1 is no unsigned number";
    ReadInto(Std::ReadInteger, kG, kVar);
    EXPECT_EQ(Pending(), 16u) << "2147483648 does not fit";
    ReadInto(Std::ReadInteger, kG, kVar);
    EXPECT_EQ(Pending(), 16u) << "x is no number";
    ReadInto(Std::ReadChar, kG, kVar);
    EXPECT_EQ(Mem()[kVar], 'x');
    ReadInto(Std::ReadInteger, kG, kVar);
    EXPECT_EQ(Pending(), 12u) << "end of file";
    ReadInto(Std::ReadChar, kG, kVar);
    EXPECT_EQ(Pending(), 12u);
    ExpectEmptyStack();
}

TEST_F(TextIo, CarriageReturnsAreDroppedAndLinesEndAtLineFeeds) {
    ResetWith(kG, "crlf.txt", "ab\r\ncd\r\n");
    auto ReadStr = [&](uint32_t max, uint32_t prefix) {
        PushWord(kG); PushWord(kVar); PushWord(max); PushWord(prefix); Call(Std::ReadString);
        if (prefix == 1) return std::string(reinterpret_cast<char*>(Mem() + kVar + 1), Mem()[kVar]);
        return std::string(reinterpret_cast<char*>(Mem() + kVar + 4), VmWord(kVar));
    };
    EXPECT_EQ(ReadStr(80, 4), "ab");
    EXPECT_EQ(FileFunction(Std::Eoln, kG), 1u);
    OnFile(Std::ReadLn, kG);
    EXPECT_EQ(FileFunction(Std::Eoln, kG), 0u);
    EXPECT_EQ(ReadStr(1, 1), "c") << "at most max characters";
    EXPECT_EQ(ReadStr(80, 1), "d");
    EXPECT_EQ(ReadStr(80, 1), "") << "at the line end";
    OnFile(Std::ReadLn, kG);
    EXPECT_EQ(FileFunction(Std::Eof, kG), 1u);
    EXPECT_EQ(FileFunction(Std::Eoln, kG), 1u);
    EXPECT_EQ(Pending(), 12u) << "eoln at the end of the file";
    EXPECT_EQ(ReadStr(80, 1), "");
    EXPECT_EQ(Pending(), 0u);
    ExpectEmptyStack();
}

TEST_F(TextIo, ReadsNeedAnInputFile) {
    ReadInto(Std::ReadInteger, kF, kVar);
    EXPECT_EQ(Pending(), 15u);
    OnFile(Std::ReadLn, kF);
    EXPECT_EQ(Pending(), 15u);
    EXPECT_EQ(FileFunction(Std::Eoln, kF), 0u) << "false for a file not open for input";
    SetVmWord(kVar, kUndefinedWord);
    ReadInto(Std::ReadReal, kVar, 512);
    EXPECT_EQ(Pending(), 3u);
    ExpectEmptyStack();
}

// A stream that is line-buffered (standard output on a terminal) or unbuffered keeps the C
// library's rules: text without a line end waits, a line end inside a string sends the
// line, and text longer than the buffer is never copied past its end.
TEST_F(TextIo, LineBufferedAndUnbufferedStreams) {
    Assign(kG, "lines.txt");
    Open(kG, kModeOutput);
    ASSERT_EQ(std::setvbuf(FileOf(kG)->stream, nullptr, _IOLBF, 0), 0);
    WriteStr(kG, "abc");
    EXPECT_EQ(ReadFile("lines.txt"), "") << "no line end yet";
    WriteStr(kG, "de\nf");
    EXPECT_EQ(ReadFile("lines.txt"), "abcde\n") << "the line end sent the line";
    const std::string piece(250, 'x');
    for (int i = 0; i < 40; i++) WriteStr(kG, piece);
    WriteInt(kG, 42, 5);
    WriteStr(kG, "\n");
    EXPECT_EQ(ReadFile("lines.txt"), "abcde\nf" + std::string(10000, 'x') + "   42\n");
    OnFile(Std::Close, kG);

    Assign(kG, "unbuffered.txt");
    Open(kG, kModeOutput);
    ASSERT_EQ(std::setvbuf(FileOf(kG)->stream, nullptr, _IONBF, 0), 0);
    WriteStr(kG, "abc");
    WriteInt(kG, -7, 3);
    EXPECT_EQ(ReadFile("unbuffered.txt"), "abc -7") << "every write reaches the file";
    OnFile(Std::Close, kG);
    EXPECT_EQ(Pending(), 0u);
    ExpectEmptyStack();
}

}  // namespace
}  // namespace tarn::rt::test
