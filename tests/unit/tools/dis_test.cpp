// The disassembler: its listing assembles back to the same image, it names what it shows,
// and it survives any damage to an image.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/support/image_reader.h"
#include "tools/asm.h"
#include "tools/dis.h"

namespace tarn::tools {
namespace {

std::vector<uint8_t> Ok(std::string_view source, std::string_view name = "t.tasm") {
    std::string errors;
    std::vector<uint8_t> image = Assemble(source, name, errors);
    EXPECT_EQ(errors, "") << source;
    return image;
}

const char* const kPrograms[] = {
    // a bit of everything, little-endian
    ".source \"main.pas\"\n.source \"inc.pas\"\n.entry main\n.globals 48\n.stack 1024\n"
    ".line 1\nf: PUSHFP\nPUSHSP\nSETFP\nALLOC 8\nLEAVE\nRETD 4\n"
    ".line 3\nmain: PUSHI 4\nCALLSTD 63\nCHKRNG -5, 5\nPUSHR 0.1\nPUSHR -0\nPUSHR nan\nPUSHR -inf\n"
    "JCASE tab\nCALL f\n.line 7\nCALLSTD 94\n"
    ".data\ntab: .word f, main, 0\n.ascii \"hi\\n\"\n.real 2.5\n.swap tab, 3\n.fixup 1, -1\n",
    // big-endian, portable, word opcodes, script line, time stamp
    ".script \"/usr/bin/env tvm\"\n.order big\n.flags 3\n.time 100, 11, 31, 23, 59, 58\n"
    "PUSHI 0x11223344\nPUSHR 123.456\nALLOCF 8, 0xAB\n.opcode 0x41\nRET\n.data\n.word 1, 2\n.swap 0, 2\n",
    // undefined opcodes, an instruction cut off by the end of the code, odd header values
    ".magic 1, 2, 3, 4, 5\n.wordbits 16\n.version 3\n.codesize 3\n.datasize 100\n"
    ".opcode 0x78\n.opcode 0xff\nNOP\n.byte 0x4a, 1, 2\n",
    // a NaN with a payload has no text form and comes out as bytes
    ".byte 0x3f\n.word 0x00000001, 0x7ff80000\n",
    // more than one record of code and of data, line table ending in empty lines
    ".space 2100, 0x5a\n.line 9, 0\n.data\n.space 1500, 7\n",
    // nothing at all
    "",
};

std::string LineWith(const std::string& text, const std::string& part) {
    size_t at = text.find(part);
    if (at == std::string::npos) return "";
    size_t begin = text.rfind('\n', at) + 1;
    return text.substr(begin, text.find('\n', at) - begin);
}

class RoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(RoundTrip, ListingAssemblesBackToTheSameImage) {
    std::vector<uint8_t> image = Ok(GetParam());
    Listing listing = Disassemble(image);
    if (std::string_view(GetParam()).find(".magic") == std::string_view::npos) EXPECT_EQ(listing.error, "");
    else EXPECT_EQ(listing.error, "the magic bytes are not those of an image");
    std::string errors;
    std::vector<uint8_t> again = Assemble(listing.text, "listing", errors);
    EXPECT_EQ(errors, "") << listing.text;
    EXPECT_EQ(again, image) << listing.text;
}

INSTANTIATE_TEST_SUITE_P(Programs, RoundTrip, ::testing::ValuesIn(kPrograms));

TEST(Disassembler, ShowsHeaderFieldsRecordsMnemonicsAndOffsets) {
    Listing l = Disassemble(Ok(".entry 5\n.source \"x.pas\"\nNOP\nCALL 9\nCHKRNG -1, 7\nPUSHR 1.5\n.data\n.byte 0xab\n"));
    EXPECT_EQ(l.error, "");
    for (const char* want : {";   entry_offset     5\n", ";   code_size        24\n", ";   byte_order       0 (little-endian)\n",
                             "REC_SOURCE_NAME (0x80)", "REC_CODE (0x81)", "REC_DATA (0x82)", "REC_END (0x84)",
                             ".source \"x.pas\"\n", "NOP", "CALL 9", "CHKRNG -1, 7", "PUSHR 1.5", ".byte 0xab",
                             "; line table: 0 entries"}) {
        EXPECT_NE(l.text.find(want), std::string::npos) << want << "\n" << l.text;
    }
    // The offset of each instruction is in its comment.
    EXPECT_EQ(LineWith(l.text, "CALL 9"), "        CALL 9                           ; 1");
    EXPECT_EQ(LineWith(l.text, "PUSHR 1.5"), "        PUSHR 1.5                        ; 15");
}

TEST(Disassembler, ReadsForeignByteOrderAndWordOpcodes) {
    Listing l = Disassemble(Ok(".order big\n.wordops\nPUSHI 258\nPUSHR -0.75\n.line 2\nCALLSTD 94\n"));
    EXPECT_EQ(l.error, "");
    for (const char* want : {".order big", "(big-endian)", "PUSHI 258", "PUSHR -0.75", "CALLSTD 94", "; line 2\n", ".line 2, 20"})
        EXPECT_NE(l.text.find(want), std::string::npos) << want << "\n" << l.text;
}

TEST(Disassembler, MarksAWrongCheckByte) {
    std::vector<uint8_t> image = Ok("NOP\n");
    tarn::test::ParsedImage img = tarn::test::ParseImage(image);
    size_t check_at = img.records[0].at + 5 + img.records[0].length;
    image[check_at] ^= 1;
    Listing l = Disassemble(image);
    EXPECT_NE(l.error.find("check byte"), std::string::npos) << l.error;
    EXPECT_NE(l.text.find("WRONG"), std::string::npos);
    EXPECT_NE(l.text.find("NOP"), std::string::npos);  // the rest is still shown
}

TEST(Disassembler, NamesTheFaultOfCommonDamage) {
    std::vector<uint8_t> image = Ok("NOP\n.line 1\n");
    struct Damage {
        std::vector<uint8_t> bytes;
        const char* fault;
    };
    std::vector<uint8_t> cut_header(image.begin(), image.begin() + 30);
    std::vector<uint8_t> cut_record(image.begin(), image.begin() + 65);  // no check byte
    std::vector<uint8_t> no_end(image.begin(), image.begin() + 66);  // header + one code record
    std::vector<uint8_t> cut_lines(image.begin(), image.end() - 2);
    std::vector<uint8_t> long_record = image;
    long_record[62] = 0xff;  // code record length 0x00ff0001
    std::vector<uint8_t> bad_magic = image;
    bad_magic[0] = 'X';
    std::vector<uint8_t> script{'#', '!', 'x'};
    for (const Damage& d : {Damage{cut_header, "ends inside the header (30 of 59 bytes)"},
                            Damage{cut_record, "is cut off"},
                            Damage{no_end, "ends at offset 66 before REC_END"},
                            Damage{cut_lines, "the line table has 1 entries but the image holds only 0"},
                            Damage{long_record, "over the limit of 1028"},
                            Damage{bad_magic, "magic bytes"},
                            Damage{script, "no line feed"},
                            Damage{{}, "ends inside the header (0 of 59 bytes)"}}) {
        Listing l = Disassemble(d.bytes);
        EXPECT_NE(l.error.find(d.fault), std::string::npos) << "got: " << l.error;
    }
}

// Every prefix and many single-byte changes of a real image: no crash, no read outside the
// image (the sanitizers watch), and a truncated image is always reported.
TEST(Disassembler, SurvivesEveryTruncationAndByteFlip) {
    std::vector<uint8_t> image = Ok(std::string(kPrograms[0]));
    for (size_t n = 0; n < image.size(); ++n) {
        Listing l = Disassemble(std::span<const uint8_t>(image.data(), n));
        EXPECT_NE(l.error, "") << "prefix of " << n << " bytes";
    }
    for (size_t at = 0; at < image.size(); ++at) {
        for (uint8_t flip : {0x01, 0x80, 0xff}) {
            std::vector<uint8_t> damaged = image;
            damaged[at] ^= flip;
            Listing l = Disassemble(damaged);
            EXPECT_FALSE(l.text.empty());
        }
    }
}

}  // namespace
}  // namespace tarn::tools
