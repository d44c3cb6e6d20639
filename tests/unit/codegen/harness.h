// What the code generator's tests share: a compiler state with captured messages, a
// scratch directory, an independent reader of the image format, and a way to run the
// kit's programs.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "vm/image.h"

namespace tarn::tpc::test {

struct CapturedMessage {
    int number;
    std::string text;
};

// Options at their start-up defaults, messages captured instead of printed, Compiling
// set (so a FATAL message throws FatalStop), a fresh output state, and a scratch
// directory removed afterwards.
class CompilerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static const std::vector<CapturedMessage>& Messages();
    // The text of the last message with that number, or "" when none was issued.
    static std::string MessageText(int number);
    static bool Issued(int number) { return !MessageText(number).empty(); }

    std::filesystem::path dir;
};

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

uint32_t Word(const uint8_t* at);

// The image as the format describes it, read without any help from the writer.
struct ImageRecord {
    uint8_t id;
    std::vector<uint8_t> data;
    unsigned byteSum;  // of the whole record, check byte included
};

struct ParsedImage {
    bool ok = false;
    std::string error;
    std::string scriptLine;  // the text after "#!" up to the line feed; "" when none
    std::array<uint8_t, 5> magic{};
    uint8_t wordBits = 0;
    uint8_t byteOrder = 0xff;
    std::array<uint32_t, vm::kHeaderWords> header{};
    std::vector<ImageRecord> records;
    bool hasLineTable = false;  // a count word followed the end record
    std::vector<uint32_t> lineTable;
    size_t trailing = 0;  // bytes after the line table (should be none)

    uint32_t Header(vm::HeaderWord w) const { return header[static_cast<size_t>(w)]; }
    std::vector<const ImageRecord*> RecordsOf(uint8_t id) const;
    std::vector<uint8_t> Concatenated(uint8_t id) const;  // data of every record of that id
};

ParsedImage ParseImage(const std::vector<uint8_t>& bytes, size_t start = 0);

// Runs a program with its arguments; stdout and stderr are captured together.
struct RunResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string output;
};
RunResult RunProgram(const std::vector<std::string>& argv);

// The build's program directory (tvm, console.app, libtarnrt26.so).
std::filesystem::path BinDir();

}  // namespace tarn::tpc::test
