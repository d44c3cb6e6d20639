// The assembler: image layout, labels, records, byte order, word opcodes and messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tests/support/image_reader.h"
#include "tools/asm.h"
#include "vm/opcodes.h"

namespace tarn::tools {
namespace {

using tarn::test::ParsedImage;
using tarn::test::ParseImage;
using vm::HeaderWord;

std::vector<uint8_t> Ok(std::string_view source) {
    std::string errors;
    std::vector<uint8_t> image = Assemble(source, "t.tasm", errors);
    EXPECT_EQ(errors, "") << source;
    EXPECT_FALSE(image.empty());
    return image;
}

std::vector<uint8_t> Le(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> out;
    for (uint32_t w : words) vm::Append32(out, w, false);
    return out;
}

uint8_t Op(std::string_view mnemonic) {
    vm::Op op{};
    EXPECT_TRUE(vm::FindMnemonic(mnemonic, op)) << mnemonic;
    return static_cast<uint8_t>(op);
}

TEST(Assembler, WritesHeaderDefaultsAndRecordsInLoaderOrder) {
    ParsedImage img = ParseImage(Ok(".source \"a.pas\"\n.entry main\nNOP\nmain: PUSHI 7\n.data\n.word 1\n.swap 0, 1\n.fixup 2, 5\n"));
    ASSERT_TRUE(img.Complete());
    EXPECT_FALSE(img.Big());
    EXPECT_EQ(img.Header(HeaderWord::format_version), vm::kFormatVersion);
    EXPECT_EQ(img.Header(HeaderWord::image_flags), 0u);
    EXPECT_EQ(img.Header(HeaderWord::code_size), 6u);
    EXPECT_EQ(img.Header(HeaderWord::data_base), 16u);
    EXPECT_EQ(img.Header(HeaderWord::data_size), 4u);
    EXPECT_EQ(img.Header(HeaderWord::stack_size), 65536u);
    EXPECT_EQ(img.Header(HeaderWord::entry_offset), 1u);
    std::vector<uint8_t> ids;
    for (auto& r : img.records) ids.push_back(r.id);
    EXPECT_EQ(ids, (std::vector<uint8_t>{vm::REC_SOURCE_NAME, vm::REC_CODE, vm::REC_DATA, vm::REC_CODE_FIXUP,
                                          vm::REC_DATA_SWAP, vm::REC_END}));
    EXPECT_EQ(img.records[0].data, (std::vector<uint8_t>{'a', '.', 'p', 'a', 's'}));
    EXPECT_EQ(img.records[1].data, (std::vector<uint8_t>{Op("NOP"), Op("PUSHI"), 7, 0, 0, 0}));
    EXPECT_EQ(img.records[3].data, Le({2, 5}));
    EXPECT_EQ(img.records[4].data, Le({0, 1}));
    EXPECT_EQ(img.records[5].data, Le({0}));
    EXPECT_TRUE(img.lineTable.empty());
}

TEST(Assembler, HeaderDirectivesSetTheirFields) {
    std::vector<uint8_t> bytes = Ok(".globals 64\n.stack 4096\n.version 4\n.flags 2\n.wordbits 16\n"
                                    ".magic 1 2 3 4 5\n.time 124, 0, 1, 2, 3, 4\n.codesize 99\n.datasize 7\nNOP\n");
    ParsedImage img = ParseImage(bytes);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 16}));
    EXPECT_EQ(img.Header(HeaderWord::data_base), 64u);
    EXPECT_EQ(img.Header(HeaderWord::stack_size), 4096u);
    EXPECT_EQ(img.Header(HeaderWord::format_version), 4u);
    EXPECT_EQ(img.Header(HeaderWord::image_flags), 2u);
    EXPECT_EQ(img.Header(HeaderWord::time_year), 124u);
    EXPECT_EQ(img.Header(HeaderWord::time_second), 4u);
    EXPECT_EQ(img.Header(HeaderWord::code_size), 99u);
    EXPECT_EQ(img.Header(HeaderWord::data_size), 7u);
}

TEST(Assembler, ScriptLineComesBeforeTheHeader) {
    std::vector<uint8_t> bytes = Ok(".script \"/usr/bin/tvm\"\nNOP\n");
    std::string start(bytes.begin(), bytes.begin() + 15);
    EXPECT_EQ(start, "#!/usr/bin/tvm\n");
    EXPECT_EQ(std::memcmp(bytes.data() + 15, vm::kImageMagic.data(), 5), 0);
    EXPECT_TRUE(ParseImage(bytes).Complete());
}

TEST(Assembler, EveryRecordSumsToZeroAndLongContentsSplitAt1028) {
    ParsedImage img = ParseImage(Ok(".space 3000, 0x5a\n.data\n.space 1028, 0xab\n.ascii \"x\"\n"));
    ASSERT_TRUE(img.Complete());
    std::vector<std::pair<uint8_t, uint32_t>> shape;
    for (auto& r : img.records) {
        shape.push_back({r.id, r.length});
        EXPECT_EQ(r.byteSum, 0u) << "record at " << r.at;
    }
    EXPECT_EQ(shape, (std::vector<std::pair<uint8_t, uint32_t>>{
                         {vm::REC_CODE, 1028}, {vm::REC_CODE, 1028}, {vm::REC_CODE, 944},
                         {vm::REC_DATA, 1028}, {vm::REC_DATA, 1}, {vm::REC_END, 4}}));
    EXPECT_EQ(img.Concatenated(vm::REC_CODE), std::vector<uint8_t>(3000, 0x5a));
}

TEST(Assembler, EmptyContentsWriteNoCodeOrDataRecord) {
    ParsedImage img = ParseImage(Ok("; nothing\n"));
    ASSERT_EQ(img.records.size(), 1u);
    EXPECT_EQ(img.records[0].id, vm::REC_END);
    EXPECT_EQ(img.Header(HeaderWord::code_size), 0u);
}

TEST(Assembler, LabelsResolveForwardBackwardAndInData) {
    ParsedImage img = ParseImage(Ok(".globals 100\n"
                           "start: JMP end\n"         // 0: forward
                           "       CALL start+1\n"    // 5
                           "       JCASE tab\n"       // 10: data label, GP-relative
                           "       PUSHI @tab\n"      // 15: absolute
                           "       PUSHI end-start\n" // 20
                           "end:   RET\n"             // 25
                           ".data\n.word 0\ntab: .word end, 'A', -1\n"));
    std::vector<uint8_t> code = img.Concatenated(vm::REC_CODE);
    ASSERT_EQ(code.size(), 26u);
    EXPECT_EQ(vm::LoadLE32(&code[1]), 25u);
    EXPECT_EQ(vm::LoadLE32(&code[6]), 1u);
    EXPECT_EQ(vm::LoadLE32(&code[11]), 4u);
    EXPECT_EQ(vm::LoadLE32(&code[16]), 104u);
    EXPECT_EQ(vm::LoadLE32(&code[21]), 25u);
    EXPECT_EQ(img.Concatenated(vm::REC_DATA), Le({0, 25, 'A', 0xFFFFFFFF}));
}

TEST(Assembler, NumbersCharactersTextsAndCaseInsensitiveMnemonics) {
    ParsedImage img = ParseImage(Ok("pushi 0x2A\nPushI -7\n.byte 'A', '\\n', ';', 255, -1\n.ascii \"a;b\\t\\\"\\x41\"\n.align 4\n"));
    std::vector<uint8_t> code = img.Concatenated(vm::REC_CODE);
    std::vector<uint8_t> want{Op("PUSHI"), 42, 0, 0, 0, Op("PUSHI"), 0xf9, 0xff, 0xff, 0xff,
                              'A', '\n', ';', 255, 255, 'a', ';', 'b', '\t', '"', 'A', 0, 0, 0};
    EXPECT_EQ(code, want);
}

TEST(Assembler, RealsAreEightByteDoubles) {
    ParsedImage img = ParseImage(Ok("PUSHR -2.5\n.real 1e10, inf\n"));
    std::vector<uint8_t> code = img.Concatenated(vm::REC_CODE);
    ASSERT_EQ(code.size(), 25u);
    EXPECT_EQ(code[0], Op("PUSHR"));
    double values[3];
    std::memcpy(values, code.data() + 1, sizeof values);
    EXPECT_EQ(values[0], -2.5);
    EXPECT_EQ(values[1], 1e10);
    EXPECT_TRUE(std::isinf(values[2]));
}

TEST(Assembler, LineTableHasOneEntryPerLineUpToTheLargest) {
    ParsedImage img = ParseImage(Ok(".line 1\nNOP\nNOP\n.line 4\nNOP\n.line 6, 0\n"));
    EXPECT_EQ(img.lineTable, (std::vector<uint32_t>{0, 0, 0, 2, 0, 0}));
    img = ParseImage(Ok("NOP\n.line 2\nNOP\n.line 3, 77\n"));
    EXPECT_EQ(img.lineTable, (std::vector<uint32_t>{0, 1, 77}));
}

TEST(Assembler, OpcodeDirectiveWritesRawOpcodes) {
    ParsedImage img = ParseImage(Ok(".opcode 0x41\n.opcode 255\n"));
    EXPECT_EQ(img.Concatenated(vm::REC_CODE), (std::vector<uint8_t>{0x41, 0xff}));
}

TEST(Assembler, WordOpcodesAreFourByteWords) {
    ParsedImage img = ParseImage(Ok(".wordops\nNOP\nPUSHI 3\n.opcode 0x1234\n"));
    EXPECT_EQ(img.Header(HeaderWord::image_flags), vm::kFlagWordOpcodes);
    EXPECT_EQ(img.Concatenated(vm::REC_CODE), Le({Op("NOP"), Op("PUSHI"), 3, 0x1234}));
    // .flags 1 means the same, and a label after it sees the wider opcodes.
    img = ParseImage(Ok("JMP x\n.flags 1\nNOP\nx: RET\n"));
    EXPECT_EQ(img.Concatenated(vm::REC_CODE), Le({Op("JMP"), 12, Op("NOP"), Op("RET")}));
}

// Everything the loader treats as a multi-byte value is reversed in a big-endian image;
// bytes, texts and opcode bytes stay as they are.
TEST(Assembler, BigEndianImageIsTheLittleEndianImageWithEveryWordSwapped) {
    const std::string body =
        ".source \"b.pas\"\n.entry go\n.globals 32\n.stack 8192\n.flags 2\n"
        "go: PUSHI 0x01020304\nCHKRNG -2, 300\nPUSHR 1.25\nNOP\nCALL go\n.byte 1, 2\n.ascii \"xy\"\n.word 0x0a0b0c0d\n"
        ".line 2\nRET\n.data\n.word 5, 6\n.real -3.5\n.byte 9\n.fixup 1, 0x100\n.swap 0, 2\n";
    ParsedImage le = ParseImage(Ok(".order little\n" + body));
    ParsedImage be = ParseImage(Ok(".order big\n" + body));
    ASSERT_TRUE(le.Complete());
    ASSERT_TRUE(be.Complete());
    EXPECT_FALSE(le.Big());
    EXPECT_TRUE(be.Big());
    EXPECT_EQ(le.header, be.header);  // each read in its own order
    EXPECT_EQ(le.lineTable, be.lineTable);
    ASSERT_EQ(le.records.size(), be.records.size());

    auto swap_words = [](std::vector<uint8_t> v, std::initializer_list<std::pair<size_t, size_t>> spans) {
        for (auto [at, n] : spans) std::reverse(v.begin() + static_cast<long>(at), v.begin() + static_cast<long>(at + n));
        return v;
    };
    // code: PUSHI w @1, CHKRNG w w @6 @10, PUSHR r8 @15, NOP @23, CALL w @25, bytes @29, text @31, .word @33, RET @37
    std::vector<uint8_t> code = le.Concatenated(vm::REC_CODE);
    EXPECT_EQ(swap_words(code, {{1, 4}, {6, 4}, {10, 4}, {15, 8}, {25, 4}, {33, 4}}), be.Concatenated(vm::REC_CODE));
    EXPECT_EQ(swap_words(le.Concatenated(vm::REC_DATA), {{0, 4}, {4, 4}, {8, 8}}), be.Concatenated(vm::REC_DATA));
    EXPECT_EQ(le.Concatenated(vm::REC_SOURCE_NAME), be.Concatenated(vm::REC_SOURCE_NAME));
    EXPECT_EQ(swap_words(le.Concatenated(vm::REC_CODE_FIXUP), {{0, 4}, {4, 4}}), be.Concatenated(vm::REC_CODE_FIXUP));
    EXPECT_EQ(swap_words(le.Concatenated(vm::REC_DATA_SWAP), {{0, 4}, {4, 4}}), be.Concatenated(vm::REC_DATA_SWAP));
    for (auto& r : be.records) EXPECT_EQ(r.byteSum, 0u);
}

TEST(Assembler, BigEndianWordOpcodesAreSwappedToo) {
    ParsedImage img = ParseImage(Ok(".order big\n.wordops\nPUSHI 1\n"));
    EXPECT_EQ(img.Concatenated(vm::REC_CODE), (std::vector<uint8_t>{0, 0, 0, Op("PUSHI"), 0, 0, 0, 1}));
}

struct BadCase {
    const char* source;
    const char* message;
};

class AssemblerErrors : public ::testing::TestWithParam<BadCase> {};

TEST_P(AssemblerErrors, ReportFileLineAndMessageAndWriteNothing) {
    std::string errors;
    std::vector<uint8_t> image = Assemble(GetParam().source, "bad.tasm", errors);
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(errors, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, AssemblerErrors,
    ::testing::Values(
        BadCase{"NOP\nFROB 1\n", "bad.tasm:2: unknown mnemonic 'FROB'\n"},
        BadCase{"JMP nowhere\n", "bad.tasm:1: undefined label 'nowhere'\n"},
        BadCase{"x: NOP\nx: NOP\n", "bad.tasm:2: duplicate label 'x'\n"},
        BadCase{"PUSHI\n", "bad.tasm:1: PUSHI needs one operand\n"},
        BadCase{"CHKRNG 1\n", "bad.tasm:1: CHKRNG needs two operands\n"},
        BadCase{"CHKRNG 1 2\n", "bad.tasm:1: expected ',', found '2'\n"},
        BadCase{"PUSHI 1, 2\n", "bad.tasm:1: unexpected ','\n"},
        BadCase{"NOP 3\n", "bad.tasm:1: unexpected '3'\n"},
        BadCase{"PUSHI 12ab\n", "bad.tasm:1: bad number '12ab'\n"},
        BadCase{"PUSHI 0x\n", "bad.tasm:1: bad number '0x'\n"},
        BadCase{"PUSHI 4294967296\n", "bad.tasm:1: value 4294967296 does not fit in 32 bits\n"},
        BadCase{"PUSHI -2147483649\n", "bad.tasm:1: value -2147483649 does not fit in 32 bits\n"},
        BadCase{"PUSHI 99999999999999\n", "bad.tasm:1: number too large: 99999999999999\n"},
        BadCase{".byte 256\n", "bad.tasm:1: value 256 does not fit in a byte\n"},
        BadCase{"PUSHR\n", "bad.tasm:1: missing real operand\n"},
        BadCase{"PUSHR 1.5x\n", "bad.tasm:1: bad real literal '1.5x'\n"},
        BadCase{"PUSHI ,\n", "bad.tasm:1: expected a number or label, found ','\n"},
        BadCase{"PUSHI 'ab'\n", "bad.tasm:1: bad character literal\n"},
        BadCase{".frob\n", "bad.tasm:1: unknown directive '.frob'\n"},
        BadCase{".5\n", "bad.tasm:1: expected a directive name after '.'\n"},
        BadCase{"+1\n", "bad.tasm:1: expected a label, mnemonic or directive, found '+1'\n"},
        BadCase{".order middle\n", "bad.tasm:1: .order takes big or little\n"},
        BadCase{".magic 1, 2\n", "bad.tasm:1: .magic takes 5 bytes\n"},
        BadCase{".time 1\n", "bad.tasm:1: .time takes 6 words\n"},
        BadCase{".ascii abc\n", "bad.tasm:1: expected a quoted text, found 'abc'\n"},
        BadCase{".ascii \"abc\n", "bad.tasm:1: unterminated text\n"},
        BadCase{".ascii \"\\q\"\n", "bad.tasm:1: unknown escape '\\q'\n"},
        BadCase{".ascii \"\\xg\"\n", "bad.tasm:1: \\x needs hexadecimal digits\n"},
        BadCase{".opcode 256\n", "bad.tasm:1: opcode 256 does not fit in a byte\n"},
        BadCase{".align 0\n", "bad.tasm:1: .align takes 1 to 4096\n"},
        BadCase{".space 300000000\n", "bad.tasm:1: .space of 300000000 bytes is too large\n"},
        BadCase{".line 0\n", "bad.tasm:1: line number 0 out of range\n"},
        BadCase{".fixup 1\n", "bad.tasm:1: missing operand\n"},
        // one message per line, every faulty line reported
        BadCase{"FROB x y\nNOP\nJMP a\nJMP b\n", "bad.tasm:1: unknown mnemonic 'FROB'\nbad.tasm:3: undefined label 'a'\n"
                                                "bad.tasm:4: undefined label 'b'\n"}));

TEST(Assembler, CommentsAndBlankLinesAreIgnored) {
    EXPECT_EQ(Ok("; only a comment\n\n   \nNOP ; trailing\n\r\n"), Ok("NOP\n"));
}

TEST(Assembler, SeveralLabelsOnOneLine) {
    ParsedImage img = ParseImage(Ok("a: b: NOP\nJMP a\nJMP b\n"));
    EXPECT_EQ(img.Concatenated(vm::REC_CODE), (std::vector<uint8_t>{Op("NOP"), Op("JMP"), 0, 0, 0, 0, Op("JMP"), 0, 0, 0, 0}));
}

TEST(Assembler, ExampleProgramAssembles) {
    std::ifstream in(TARN_SOURCE_DIR "/examples/hello.tasm");
    ASSERT_TRUE(in);
    std::stringstream text;
    text << in.rdbuf();
    ParsedImage img = ParseImage(Ok(text.str()));
    EXPECT_TRUE(img.Complete());
    EXPECT_GT(img.Header(HeaderWord::entry_offset), 0u);
}

}  // namespace
}  // namespace tarn::tools
