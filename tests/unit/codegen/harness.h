// What the code generator's tests share: a compiler state with captured messages, a
// scratch directory, the tests' reader of the image format, and a way to run the
// kit's programs.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/image_reader.h"
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

using tarn::test::ImageRecord;
using tarn::test::ParsedImage;
using tarn::test::ParseImage;
using tarn::test::ReadFileBytes;
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// Runs a program with its arguments; stdout and stderr are captured together.
struct RunResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string output;
};
RunResult RunProgram(const std::vector<std::string>& argv);

// The build's program directory (tvm, console.app, libtarnrt26.so).
std::filesystem::path BinDir();

}  // namespace tarn::tpc::test
