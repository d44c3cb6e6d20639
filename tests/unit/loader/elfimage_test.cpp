// ELF images: where an appended image starts, and the ".tarn_image" section.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/elfimage.h"
#include "runtime/tarnrt.h"
#include "support.h"

namespace tarn::rt::test {
namespace {

// A small real ELF program to copy and modify.
const char* const kElfProgram = "/bin/true";

std::vector<uint8_t> ElfBytes() {
    auto b = ReadBytes(kElfProgram);
    EXPECT_GT(b.size(), sizeof(Elf64_Ehdr));
    return b;
}

template <class T>
void Patch(std::vector<uint8_t>& b, size_t offset, T value) {
    std::memcpy(b.data() + offset, &value, sizeof value);
}

TEST(CalcSizeOfImageFile, IsTheFileSizeOfAnOrdinaryProgram) {
    auto b = ElfBytes();
    std::string path = WriteFile(TempPath("prog"), b);
    EXPECT_EQ(CalcSizeOfImageFile(path.c_str()), b.size());
}

TEST(CalcSizeOfImageFile, IgnoresBytesAppendedToTheProgram) {
    auto b = ElfBytes();
    size_t own = b.size();
    b.insert(b.end(), 5000, 0x5A);
    std::string path = WriteFile(TempPath("prog-appended"), b);
    EXPECT_EQ(CalcSizeOfImageFile(path.c_str()), own);
}

TEST(CalcSizeOfImageFile, SectionWithoutFileContentsDoesNotCount) {
    // A program's .bss (SHT_NOBITS) has an offset and a size but no bytes in the file; if
    // it counted, the result would pass the file's end.
    auto b = ElfBytes();
    std::string path = WriteFile(TempPath("prog-bss"), b);
    EXPECT_LE(CalcSizeOfImageFile(path.c_str()), b.size());
    EXPECT_NE(CalcSizeOfImageFile(path.c_str()), 0u);
}

struct BrokenElf {
    const char* name;
    void (*damage)(std::vector<uint8_t>&);
    friend void PrintTo(const BrokenElf& c, std::ostream* os) { *os << c.name; }
};

const BrokenElf kBrokenElf[] = {
    {"NoSections", [](std::vector<uint8_t>& b) {
         Patch<uint64_t>(b, offsetof(Elf64_Ehdr, e_shoff), 0);
         Patch<uint16_t>(b, offsetof(Elf64_Ehdr, e_shnum), 0);
     }},
    {"ZeroSectionCount", [](std::vector<uint8_t>& b) { Patch<uint16_t>(b, offsetof(Elf64_Ehdr, e_shnum), 0); }},
    {"SectionTableBeyondTheEnd", [](std::vector<uint8_t>& b) {
         Patch<uint64_t>(b, offsetof(Elf64_Ehdr, e_shoff), b.size() - 10);
     }},
    {"SectionTableOffsetNearTop", [](std::vector<uint8_t>& b) {
         Patch<uint64_t>(b, offsetof(Elf64_Ehdr, e_shoff), ~uint64_t{0} - 8);
     }},
    {"HugeSectionCount", [](std::vector<uint8_t>& b) { Patch<uint16_t>(b, offsetof(Elf64_Ehdr, e_shnum), 0xFFFE); }},
    {"WrongSectionEntrySize", [](std::vector<uint8_t>& b) { Patch<uint16_t>(b, offsetof(Elf64_Ehdr, e_shentsize), 12); }},
    {"ProgramHeadersBeyondTheEnd", [](std::vector<uint8_t>& b) {
         Patch<uint64_t>(b, offsetof(Elf64_Ehdr, e_phoff), b.size());
     }},
    {"SectionContentsBeyondTheEnd", [](std::vector<uint8_t>& b) {
         // Section 1 (never the null section) claims far more bytes than the file has.
         Elf64_Ehdr e;
         std::memcpy(&e, b.data(), sizeof e);
         size_t at = e.e_shoff + e.e_shentsize + offsetof(Elf64_Shdr, sh_size);
         Elf64_Shdr s;
         std::memcpy(&s, b.data() + e.e_shoff + e.e_shentsize, sizeof s);
         if (s.sh_type == SHT_NOBITS) at += e.e_shentsize;  // take the next one then
         Patch<uint64_t>(b, at, uint64_t{1} << 40);
     }},
    {"Truncated", [](std::vector<uint8_t>& b) { b.resize(b.size() / 2); }},
    {"HeaderOnly", [](std::vector<uint8_t>& b) { b.resize(40); }},
    {"BigEndianMark", [](std::vector<uint8_t>& b) { b[EI_DATA] = ELFDATA2MSB; }},
    {"UnknownClass", [](std::vector<uint8_t>& b) { b[EI_CLASS] = 7; }},
    {"NotElf", [](std::vector<uint8_t>& b) { b[1] = 'X'; }},
    {"Empty", [](std::vector<uint8_t>& b) { b.clear(); }},
};

class BrokenElfTest : public ::testing::TestWithParam<BrokenElf> {};

TEST_P(BrokenElfTest, GivesZeroAndNoSection) {
    auto b = ElfBytes();
    GetParam().damage(b);
    std::string path = WriteFile(TempPath(std::string("broken-") + GetParam().name), b);
    EXPECT_EQ(CalcSizeOfImageFile(path.c_str()), 0u);
    EXPECT_EQ(CheckImageForResource(path.c_str()), 0);
}

INSTANTIATE_TEST_SUITE_P(CalcSizeOfImageFile, BrokenElfTest, ::testing::ValuesIn(kBrokenElf),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CalcSizeOfImageFile, MissingFileOrNullNameGivesZero) {
    EXPECT_EQ(CalcSizeOfImageFile(TempPath("does-not-exist").c_str()), 0u);
    EXPECT_EQ(CalcSizeOfImageFile(nullptr), 0u);
    EXPECT_EQ(CalcSizeOfImageFile(TempDir().c_str()), 0u);  // a directory
}

// ---- The .tarn_image section -------------------------------------------------------------

// Adds the section with objcopy, as a user would.
std::string WithSection(const std::string& name, const std::vector<uint8_t>& payload) {
    std::string exe = WriteFile(TempPath(name), ElfBytes());
    std::string data = WriteFile(TempPath(name + ".payload"), payload);
    std::string cmd = "objcopy --add-section .tarn_image=" + data + " " + exe;
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return exe;
}

TEST(CheckImageForResource, FindsTheSectionThatObjcopyAdded) {
    std::vector<uint8_t> payload = {'T', 'x', 0x1A, 1, 0, 9, 9, 9};
    std::string exe = WithSection("with-section", payload);
    EXPECT_EQ(CheckImageForResource(exe.c_str()), 1);
    SectionExtent e;
    ASSERT_TRUE(FindImageSection(exe.c_str(), e));
    EXPECT_EQ(e.size, payload.size());
    auto bytes = ReadBytes(exe);
    ASSERT_LE(e.offset + e.size, bytes.size());
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), bytes.begin() + static_cast<long>(e.offset)));
    // The section is part of the file's own contents.
    EXPECT_GE(CalcSizeOfImageFile(exe.c_str()), e.offset + e.size);
}

TEST(CheckImageForResource, PlainProgramHasNoImageSection) {
    std::string exe = WriteFile(TempPath("plain"), ElfBytes());
    EXPECT_EQ(CheckImageForResource(exe.c_str()), 0);
    // The test program itself carries no image either (null name = the running program).
    EXPECT_EQ(CheckImageForResource(nullptr), 0);
}

TEST(IsElfFile, LooksOnlyAtTheMagic) {
    EXPECT_TRUE(IsElfFile(kElfProgram));
    std::string text = WriteFile(TempPath("text"), {'h', 'i', '\n'});
    EXPECT_FALSE(IsElfFile(text.c_str()));
    EXPECT_FALSE(IsElfFile(nullptr));
}

}  // namespace
}  // namespace tarn::rt::test
