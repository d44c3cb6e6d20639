// The loader: header checks and their messages, records, the line table, and byte-order
// conversion. Each load runs in a child process, since failures end the process.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "runtime/engine.h"
#include "runtime/loader.h"
#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Op;

// A small program with a little of everything: word and real operands, two-word operands,
// a case table in the data (listed for swapping), byte data that is never swapped, a fix-up
// and a line table.
TestImage SampleImage(bool big, uint32_t flags = 0) {
    TestImage img;
    img.big = big;
    img.flags = flags | (big ? vm::kFlagPortable : 0);
    img.sources = {"main.pas", "inc/defs.inc"};
    img.Op(Op::PUSHI, 0x11223344);
    img.OpReal(Op::PUSHR, -1234.5625);
    img.Op(Op::CHKRNG, 0xFFFFFFF0, 0x7FFFFFFF);
    img.Op(Op::ADD);
    uint32_t fixedAt = static_cast<uint32_t>(img.code.size()) + (img.WordOps() ? 4 : 1);
    img.Op(Op::JMP, 0x100);  // fixed up by +0x23 at load
    img.Op(Op::NOP);
    img.Op(Op::ENTER, 8, 2);
    img.Op(Op::CALLSTD, 94);
    img.fixups = {{fixedAt, 0x23}};
    img.DataWord(0xA1B2C3D4);  // case table: three words, listed
    img.DataWord(7);
    img.DataWord(0x00010000);
    for (uint8_t c : std::string("text")) img.data.push_back(c);  // bytes: not listed
    img.swaps = {{0, 3}};
    img.lines = {0, 1, 0, 9};
    return img;
}

// What a load left in the engine, as text: header values, code bytes, the data segment
// and the line table.
std::string DumpEngine() {
    std::string s = "entry " + std::to_string(g_engine.entryOffset) + " stack " + std::to_string(g_engine.stackLow) +
                    ".." + std::to_string(g_engine.stackTop) + "\ncode";
    char hex[4];
    for (uint32_t i = 0; i < g_engine.codeSize; ++i) std::snprintf(hex, sizeof hex, " %02x", g_engine.code[i]), s += hex;
    s += "\ndata";
    for (uint32_t i = g_engine.dataBase; i < g_engine.dataBase + g_engine.dataSize; ++i)
        std::snprintf(hex, sizeof hex, " %02x", Mem()[i]), s += hex;
    s += "\nlines";
    for (uint32_t l : g_engine.lineTable) s += " " + std::to_string(l);
    return s + "\n";
}

// Writes the image, loads it in a child and runs `after` there when the load succeeded.
// The child's exit code is 1 for a refused header, 0 after a load.
ChildResult Load(const std::vector<uint8_t>& bytes, const std::function<void()>& after = {}) {
    std::string path = WriteFile(TempPath("image.tvm"), bytes);
    return RunInChild([&] {
        ImageSource src;
        if (!OpenImageFile(src, path.c_str(), 0)) return 3;
        if (!LoadImage(src)) return 1;
        if (after) after();
        return 0;
    });
}

ChildResult LoadAndDump(const TestImage& img) {
    return Load(img.Bytes(), [] { std::fputs(DumpEngine().c_str(), stdout); });
}

// ---- Header checks ----------------------------------------------------------------------

struct HeaderCase {
    const char* name;
    void (*edit)(TestImage&);
    const char* message;
    friend void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }
};

const HeaderCase kHeaderCases[] = {
    {"OtherMagic", [](TestImage& i) { i.magic[1] = 'X'; }, "[TARNRUN] ERROR: Invalid executable.\n"},
    {"MagicWithoutItsZero", [](TestImage& i) { i.magic[4] = 1; }, "[TARNRUN] ERROR: Invalid executable.\n"},
    {"SixteenBitWords", [](TestImage& i) { i.wordBits = 16; }, "[TARNRUN] ERROR: Can only handle 32 bit executables.\n"},
    {"Version3", [](TestImage& i) { i.version = 3; }, "[TARNRUN] ERROR: Version mismatch.\n"},
    {"Version6", [](TestImage& i) { i.version = 6; }, "[TARNRUN] ERROR: Version mismatch.\n"},
    {"BigEndianNotPortable", [](TestImage& i) { i.flags &= ~vm::kFlagPortable; },
     "[TARNRUN] ERROR: Can not handle tvm files for BIG ENDIAN machines.\n"},
    {"EmptyCode", [](TestImage& i) { i.codeSize = 0; }, "[TARNRUN] Error: Empty code segment!\n"},
    {"DataEndPastFourGiB", [](TestImage& i) { i.dataBase = 0xFFFFFFF0; i.dataSize = 0x20; },
     "[TARNRUN] Error: Data segment overflow!\n"},
    {"AlignedDataEndPastFourGiB", [](TestImage& i) { i.dataBase = 0xFFFFFFFD; i.dataSize = 0; },
     "[TARNRUN] Error: Data segment overflow!\n"},
    {"StackPastFourGiB", [](TestImage& i) { i.stackSize = 0xFFFFFFF0; },
     "[TARNRUN] Error: Data segment overflow!\n"},
    {"StackSizeWrappingWhenAligned", [](TestImage& i) { i.stackSize = 0xFFFFFFFE; i.dataBase = 0; i.dataSize = 0; },
     "[TARNRUN] Error: Data segment overflow!\n"},
};

class HeaderCheck : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderCheck, RefusesWithItsMessageAndCode1) {
    // The big-endian case needs a big-endian image; the others are tried in both orders.
    for (bool big : {false, true}) {
        TestImage img = SampleImage(big);
        GetParam().edit(img);
        if (!big && std::string(GetParam().name) == "BigEndianNotPortable") continue;
        ChildResult r = Load(img.Bytes());
        EXPECT_EQ(r.Code(), 1) << (big ? "big" : "little");
        EXPECT_EQ(r.out, GetParam().message) << (big ? "big" : "little");
    }
}

INSTANTIATE_TEST_SUITE_P(Loader, HeaderCheck, ::testing::ValuesIn(kHeaderCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Loader, FileShorterThanTheMagicIsInvalid) {
    for (std::vector<uint8_t> bytes : {std::vector<uint8_t>{}, {0x54}, {0x54, 0x78, 0x1A, 0x01}}) {
        ChildResult r = Load(bytes);
        EXPECT_EQ(r.Code(), 1);
        EXPECT_EQ(r.out, "[TARNRUN] ERROR: Invalid executable.\n");
    }
}

TEST(Loader, ScriptLineWithoutLineFeedIsInvalid) {
    std::vector<uint8_t> bytes = {'#', '!', '/', 'b', 'i', 'n'};
    ChildResult r = Load(bytes);
    EXPECT_EQ(r.Code(), 1);
    EXPECT_EQ(r.out, "[TARNRUN] ERROR: Invalid executable.\n");
}

TEST(Loader, HeaderCutShortIsAReadFailure) {
    auto header = SampleImage(false).Header();
    for (size_t keep : {size_t{5}, size_t{6}, size_t{9}, size_t{30}, header.size() - 1}) {
        ChildResult r = Load({header.begin(), header.begin() + static_cast<long>(keep)});
        EXPECT_EQ(r.Code(), 1) << keep;
        EXPECT_EQ(r.out, "[TARNAPP] ERROR: Read failure.\n") << keep;
    }
}

TEST(Loader, VmMemoryBeyondTheEnginesLimitIsAnAllocationFailure) {
    TestImage img = SampleImage(false);
    img.stackSize = 0xC0000000;  // 3 GiB: fits 32 bits, not the window's VM memory
    ChildResult r = Load(img.Bytes());
    EXPECT_EQ(r.Code(), 1);
    EXPECT_EQ(r.out, "[TARNRUN] ERROR: Memory allocation failure!\n");
}

TEST(Loader, Versions4And5BothLoad) {
    for (uint32_t v : {4u, 5u}) {
        TestImage img = SampleImage(false);
        img.version = v;
        ChildResult r = Load(img.Bytes());
        EXPECT_EQ(r.Code(), 0) << v << r.out;
        EXPECT_EQ(r.out, "");
    }
}

TEST(Loader, ScriptLineLoadsTheSameAsWithout) {
    TestImage plain = SampleImage(false);
    TestImage script = plain;
    script.script = "/usr/bin/env tvm";
    ChildResult a = LoadAndDump(plain), b = LoadAndDump(script);
    EXPECT_EQ(a.Code(), 0) << a.out;
    EXPECT_EQ(b.Code(), 0) << b.out;
    EXPECT_EQ(a.out, b.out);
}

// ---- What a load leaves in the engine -----------------------------------------------------

TEST(Loader, NativeImageLoadsCodeDataFixupAndLines) {
    TestImage img = SampleImage(false);
    ChildResult r = Load(img.Bytes(), [] {
        // The operands as written, the fix-up added to JMP's target.
        uint32_t jmpAt = 1 + 4 + 1 + 8 + 1 + 8 + 1 + 1;
        std::printf("%08x %g %08x %02x\n", LoadWord(g_engine.code + 1), LoadReal(g_engine.code + 6),
                    LoadWord(g_engine.code + jmpAt), g_engine.code[g_engine.codeSize]);
        std::printf("%08x %.4s %zu %u\n", VmWord(g_engine.dataBase), Mem() + g_engine.dataBase + 12,
                    g_engine.lineTable.size(), g_engine.lineTable[3]);
        // VM memory outside the data segment is undefined (0xFF), up to STKTOP + 4.
        std::printf("%02x %02x %02x\n", Mem()[0], Mem()[g_engine.stackLow], Mem()[g_engine.stackTop + 3]);
    });
    EXPECT_EQ(r.Code(), 0) << r.out;
    EXPECT_EQ(r.out, "11223344 -1234.56 00000123 00\na1b2c3d4 text 4 9\nff ff ff\n");
}

TEST(Loader, StackLayoutFollowsTheHeader) {
    TestImage img = SampleImage(false);
    img.dataBase = 21;   // data ends at 21 + 16 = 37, aligned 40
    img.stackSize = 13;  // aligned 16
    ChildResult r = Load(img.Bytes(), [] { std::printf("%u %u\n", g_engine.stackLow, g_engine.stackTop); });
    EXPECT_EQ(r.Code(), 0) << r.out;
    EXPECT_EQ(r.out, "40 56\n");
}

TEST(Loader, BigEndianPortableImageLoadsAsTheNativeOne) {
    ChildResult little = LoadAndDump(SampleImage(false));
    ChildResult big = LoadAndDump(SampleImage(true));
    EXPECT_EQ(little.Code(), 0) << little.out;
    EXPECT_EQ(big.Code(), 0) << big.out;
    EXPECT_EQ(big.out, little.out);
}

TEST(Loader, BigEndianWordOpcodesLoadAsTheNativeOnes) {
    ChildResult little = LoadAndDump(SampleImage(false, vm::kFlagWordOpcodes));
    ChildResult big = LoadAndDump(SampleImage(true, vm::kFlagWordOpcodes));
    EXPECT_EQ(little.Code(), 0) << little.out;
    EXPECT_EQ(big.Code(), 0) << big.out;
    EXPECT_EQ(big.out, little.out);
    // Opcodes really are words: PUSHI's word, then its operand.
    EXPECT_NE(little.out.find("code 4a 00 00 00 44 33 22 11 3f 00 00 00"), std::string::npos) << little.out;
}

TEST(Loader, DataSwapRecordsAreIgnoredInNativeImages) {
    TestImage img = SampleImage(false);
    img.swaps = {{0, 1}, {4, 2}};
    ChildResult r = Load(img.Bytes(), [] { std::printf("%08x\n", VmWord(g_engine.dataBase)); });
    EXPECT_EQ(r.out, "a1b2c3d4\n");
}

TEST(Loader, UnknownRecordsAndSourceNamesAreSkipped) {
    TestImage img = SampleImage(false);
    std::vector<uint8_t> bytes = img.Header();
    TestImage::Record(bytes, 0x99, {1, 2, 3}, false);
    auto rest = img.Records();
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    auto lines = img.LineTable();
    bytes.insert(bytes.end(), lines.begin(), lines.end());
    ChildResult a = Load(bytes, [] { std::fputs(DumpEngine().c_str(), stdout); });
    EXPECT_EQ(a.Code(), 0) << a.out;
    EXPECT_EQ(a.out, LoadAndDump(img).out);
}

TEST(Loader, RecordsAreSplitAt1028Bytes) {
    TestImage img = SampleImage(false);
    img.data.resize(3000, 0x42);
    img.swaps.clear();
    ChildResult r = Load(img.Bytes(), [] { std::printf("%u %02x\n", g_engine.dataSize, Mem()[g_engine.dataBase + 2999]); });
    EXPECT_EQ(r.Code(), 0) << r.out;
    EXPECT_EQ(r.out, "3000 42\n");
}

TEST(Loader, EmptyLineTableLoads) {
    TestImage img = SampleImage(false);
    img.lines.clear();
    ChildResult r = Load(img.Bytes(), [] { std::printf("%zu\n", g_engine.lineTable.size()); });
    EXPECT_EQ(r.Code(), 0) << r.out;
    EXPECT_EQ(r.out, "0\n");
}

TEST(Loader, LongLineTableIsReadInChunks) {
    TestImage img = SampleImage(false);
    img.lines.clear();
    for (uint32_t i = 0; i < 2500; ++i) img.lines.push_back(i * 3);
    ChildResult r = Load(img.Bytes(), [] {
        std::printf("%zu %u %u\n", g_engine.lineTable.size(), g_engine.lineTable[1024], g_engine.lineTable[2499]);
    });
    EXPECT_EQ(r.out, "2500 3072 7497\n");
}

// ---- Record failures: message and exit code 1 -----------------------------------------------

// Index of the first byte of the first REC_CODE record.
size_t CodeRecordAt(const TestImage& img) {
    size_t at = img.Header().size();
    for (const auto& s : img.sources) at += vm::kRecordOverhead + s.size();
    return at;
}

struct RecordCase {
    const char* name;
    std::vector<uint8_t> (*make)();
    const char* message;
    friend void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.name; }
};

const RecordCase kRecordCases[] = {
    {"CheckByteOffByOne", [] {
         TestImage img = SampleImage(false);
         auto b = img.Bytes();
         size_t at = CodeRecordAt(img) + 5 + img.code.size();
         b[at] += 1;
         return b;
     }, "ERROR: Check sum failure.\n"},
    {"IdByteChanged", [] {
         TestImage img = SampleImage(false);
         auto b = img.Bytes();
         b[CodeRecordAt(img)] = vm::REC_DATA;
         return b;
     }, "ERROR: Check sum failure.\n"},
    {"LengthAbove1028", [] {
         TestImage img = SampleImage(false);
         auto b = img.Bytes();
         size_t at = CodeRecordAt(img) + 1;
         uint32_t len = 1029;
         std::memcpy(b.data() + at, &len, 4);
         return b;
     }, "ERROR: Read failure.\n"},
    {"DataCutShort", [] {
         TestImage img = SampleImage(false);
         auto b = img.Bytes();
         b.resize(CodeRecordAt(img) + 5 + 3);
         return b;
     }, "ERROR: Read failure.\n"},
    {"NoRecordsAtAll", [] { return SampleImage(false).Header(); }, "[TARNAPP] ERROR: Read failure.\n"},
    {"CheckByteMissing", [] {
         TestImage img = SampleImage(false);
         auto b = img.Bytes();
         b.resize(CodeRecordAt(img) + 5 + img.code.size());
         return b;
     }, "[TARNAPP] ERROR: Read failure.\n"},
    {"CodeRecordsShortOfCodeSize", [] {
         TestImage img = SampleImage(false);
         img.codeSize = static_cast<uint32_t>(img.code.size()) + 4;
         return img.Bytes();
     }, "Error: Size of code records not equal to code segment size!\n"},
    {"CodeRecordsBeyondCodeSize", [] {
         TestImage img = SampleImage(false);
         img.codeSize = static_cast<uint32_t>(img.code.size()) - 1;
         return img.Bytes();
     }, "Error: Code segment overflow!\n"},
    {"DataRecordsBeyondStackTop", [] {
         TestImage img = SampleImage(false);
         img.dataSize = 0;
         img.stackSize = 4;
         img.data.resize(64, 1);
         img.swaps.clear();
         return img.Bytes();
     }, "Error: Data segment overflow!\n"},
    {"DataRecordsShortOfDataSize", [] {
         TestImage img = SampleImage(false);
         img.dataSize = static_cast<uint32_t>(img.data.size()) + 8;
         return img.Bytes();
     }, "Error: Size of data records not equal to data segment size!\n"},
    {"FixupBeyondTheCode", [] {
         TestImage img = SampleImage(false);
         img.fixups = {{static_cast<uint32_t>(img.code.size()) - 3, 1}};
         return img.Bytes();
     }, "Error: Code segment overflow!\n"},
    {"FixupRecordTooShort", [] {
         TestImage img = SampleImage(false);
         img.fixups.clear();
         std::vector<uint8_t> b = img.Header();
         auto recs = img.Records();
         b.insert(b.end(), recs.begin(), recs.end() - 10);  // everything but REC_END
         TestImage::Record(b, vm::REC_CODE_FIXUP, {1, 0, 0, 0}, false);
         return b;
     }, "ERROR: Read failure.\n"},
    {"SwapTableBeyondVmMemory", [] {
         TestImage img = SampleImage(true);
         img.swaps = {{0, 0x40000000}};
         return img.Bytes();
     }, "Error: Data segment overflow!\n"},
};

class RecordFailure : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordFailure, EndsTheProcessWithItsMessage) {
    ChildResult r = Load(GetParam().make());
    EXPECT_EQ(r.Code(), 1);
    EXPECT_EQ(r.out, GetParam().message);
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Loader, RecordFailure, ::testing::ValuesIn(kRecordCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Loader, ShortLineTableIsARunTimeError) {
    TestImage img = SampleImage(false);
    img.lineCount = 5000;  // promises more than the file holds
    ChildResult r = Load(img.Bytes());
    EXPECT_EQ(r.Code(), 1);
    EXPECT_NE(r.out.find("Can not read line number info"), std::string::npos) << r.out;
}

TEST(Loader, MissingLineTableIsAReadFailure) {
    TestImage img = SampleImage(false);
    std::vector<uint8_t> b = img.Header();
    auto recs = img.Records();
    b.insert(b.end(), recs.begin(), recs.end());
    ChildResult r = Load(b);
    EXPECT_EQ(r.Code(), 1);
    EXPECT_EQ(r.out, "[TARNAPP] ERROR: Read failure.\n");
}

TEST(Loader, UserBreakDuringByteOrderConversionIsUserAbort) {
    std::string path = WriteFile(TempPath("big.tvm"), SampleImage(true).Bytes());
    ChildResult r = RunInChild([&] {
        ImageSource src;
        OpenImageFile(src, path.c_str(), 0);
        g_userBreak = 1;
        LoadImage(src);
        return 0;
    });
    EXPECT_EQ(r.Code(), 1);
    EXPECT_NE(r.out.find("User abort"), std::string::npos) << r.out;
}

TEST(Loader, OperandCutOffAtTheEndOfCodeIsLeftAlone) {
    // PUSHR with only 3 of its 8 bytes: the walk must stop, not swap past the code.
    TestImage img;
    img.big = true;
    img.flags = vm::kFlagPortable;
    img.Op(Op::PUSHI, 0x01020304);
    img.code.push_back(static_cast<uint8_t>(Op::PUSHR));
    img.code.insert(img.code.end(), {0xAA, 0xBB, 0xCC});
    ChildResult r = Load(img.Bytes(), [] { std::fputs(DumpEngine().c_str(), stdout); });
    EXPECT_EQ(r.Code(), 0) << r.out;
    EXPECT_NE(r.out.find("code 4a 04 03 02 01 3f aa bb cc\n"), std::string::npos) << r.out;
}

// ---- The image source ----------------------------------------------------------------------

TEST(ImageSource, ReadsNeedEveryByteAndSeeksAreRelativeToTheImage) {
    std::string path = WriteFile(TempPath("src.bin"), {9, 9, 9, 1, 2, 3, 4});
    ImageSource src;
    ASSERT_TRUE(OpenImageFile(src, path.c_str(), 3));
    uint8_t b[4];
    ASSERT_TRUE(SourceRead(src, b, 2));
    EXPECT_EQ(b[0], 1);
    EXPECT_FALSE(SourceRead(src, b, 3));  // only 2 left
    ASSERT_TRUE(SourceSeek(src, 1));
    ASSERT_TRUE(SourceRead(src, b, 3));
    EXPECT_EQ(b[2], 4);
    SourceClose(src);
    EXPECT_EQ(src.kind, ImageSource::Kind::None);
}

TEST(ImageSource, BareNameIsFoundOnPath) {
    std::string dir = TempPath("bin");
    mkdir(dir.c_str(), 0700);
    WriteFile(dir + "/onpath.tvm", {1});
    ChildResult r = RunInChild([&] {
        std::string path = "/nonexistent-dir:" + dir;
        setenv("PATH", path.c_str(), 1);
        std::printf("[%s] [%s]\n", FindImagePath("onpath.tvm").c_str(), FindImagePath("missing.tvm").c_str());
        return 0;
    });
    EXPECT_EQ(r.out, "[" + dir + "/onpath.tvm] []\n");
}

TEST(ImageSource, NameWithADirectoryIsNotSearched) {
    ChildResult r = RunInChild([&] {
        setenv("PATH", TempDir().c_str(), 1);
        WriteFile(TempPath("here.tvm"), {1});
        std::printf("[%s]\n", FindImagePath("sub/here.tvm").c_str());
        return 0;
    });
    EXPECT_EQ(r.out, "[]\n");
}

TEST(ImageSource, DirectoryIsNotAnImage) {
    ImageSource src;
    EXPECT_FALSE(OpenImageFile(src, TempDir().c_str(), 0));
}

}  // namespace
}  // namespace tarn::rt::test
