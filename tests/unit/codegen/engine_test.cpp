// What the writer produces is what the engine loads: small programs emitted by hand,
// written through the output module, run by tvm and, as executables, by themselves; and
// the engine's GetSourceName reads back the names the writer recorded.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "compiler/codegen/emit.h"
#include "compiler/writer/image.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "harness.h"
#include "runtime/tarnrt.h"
#include "vm/stdroutines.h"

namespace tarn::tpc::test {
namespace {

using vm::Op;
using vm::Std;

constexpr uint32_t kGlobals = 16;
constexpr uint32_t kExitCodeVar = 8;  // global address of the program's exit code

struct Shape {
    const char* name;
    bool words = false;     // option zw
    bool script = false;    // option h: "#!" line naming tvm
    bool lines = true;      // option ln
    bool bigCode = false;   // several code records
    bool bigData = false;   // several data records
    bool exe = false;       // launcher copy
    uint32_t exitCode = 0;
};

// Emits: a decoy at offset 0 (entering there would end with exit code 0), then at the
// entry point: register the exit-code variable (CALLSTD 63 zeroes it), store the exit
// code into it, halt (CALLSTD 94). The exit code is read from the fixed data at an
// offset that reaches the ADDI operand only through a fix-up, and that operand is placed
// at a 200-byte block boundary of the code buffer (across it with byte opcodes).
void EmitProgram(const Shape& s) {
    EmitOpWord(Op::CALLSTD, vm::Number(Std::Halt));
    uint32_t entry = GetCodeSize();
    SetEntryPoint(entry);
    MarkLine(1, 0);
    MarkLine(1, entry);
    EmitOpWord(Op::PUSHI, kExitCodeVar);
    EmitOpWord(Op::CALLSTD, vm::Number(Std::RegisterExitCode));
    MarkLine(3, GetCodeSize());
    EmitOpWord(Op::PUSHI, kExitCodeVar);
    EmitOp(Op::PUSHGP);
    // Byte opcodes: the operand covers 198..201. Word opcodes keep everything 4-aligned,
    // so there the operand is the last word of a block.
    const uint32_t want = OpcodeWidth() == 1 ? 198 : 196;
    for (int i = 0; i < 200 && OperandPosition(GetCodeSize()) % 200 != want; ++i) EmitOp(Op::NOP);
    EXPECT_EQ(OperandPosition(GetCodeSize()) % 200, want);
    uint32_t addi = EmitOpWord(Op::ADDI, 0);
    EmitOp(Op::LOADW);
    EmitOp(Op::STOREW);
    if (s.bigCode)
        for (int i = 0; i < 1200; ++i) EmitOp(Op::NOP);
    MarkLine(7, GetCodeSize());
    EmitOpWord(Op::CALLSTD, vm::Number(Std::Halt));

    std::vector<uint8_t> data(s.bigData ? 3000 : 12, 0xA5);
    uint32_t at = s.bigData ? 2500 : 4;
    for (int i = 0; i < 4; ++i) data[at + i] = static_cast<uint8_t>(s.exitCode >> (8 * i));
    AppendFixedData(data.data(), (uint32_t)data.size());
    AddFixup(OperandPosition(addi), at);
    AddDataSwapRun(at, 1);
    SetGlobalsSize(kGlobals);
    AddSourceName("prog.pas");
    AddSourceName("lib/strings.inc");
}

class EngineTest : public CompilerTest {
protected:
    void SetUp() override {
        CompilerTest::SetUp();
        tvm = BinDir() / "tvm";
        console = BinDir() / "console.app";
    }
    std::filesystem::path Build(const Shape& s) {
        SetFlag(opt::zw, s.words);
        SetFlag(opt::ln, s.lines);
        SetLauncherDirectory(BinDir().c_str());
        std::filesystem::path out = dir / (std::string("prog") + (s.exe ? ".exe" : ".tvm"));
        std::string header = s.script ? tvm.string() : "";
        OpenOutput(out.c_str(), header.c_str());
        EmitProgram(s);
        WriteImage();
        EXPECT_EQ(ErrorCount(), 0) << s.name;
        return out;
    }
    std::filesystem::path tvm, console;
};

const Shape kShapes[] = {
    {.name = "plain", .exitCode = 42},
    {.name = "word opcodes", .words = true, .exitCode = 43},
    {.name = "script line", .script = true, .exitCode = 44},
    {.name = "no line table", .lines = false, .exitCode = 45},
    {.name = "several code and data records", .bigCode = true, .bigData = true, .exitCode = 46},
    {.name = "all at once", .words = true, .script = true, .bigCode = true, .bigData = true,
     .exitCode = 200},
};

TEST_F(EngineTest, ImagesRunUnderTvmWithTheirExitCode) {
    ASSERT_TRUE(std::filesystem::exists(tvm)) << "no tvm at " << tvm;
    for (const Shape& s : kShapes) {
        InitOutputState();
        std::filesystem::path image = Build(s);
        RunResult r = RunProgram({tvm.string(), image.string()});
        EXPECT_EQ(r.exitCode, (int)s.exitCode) << s.name << "\n" << r.output;
        EXPECT_EQ(r.output, "") << s.name;
    }
}

TEST_F(EngineTest, ImageWithAScriptLineRunsByItsOwnName) {
    ASSERT_TRUE(std::filesystem::exists(tvm)) << "no tvm at " << tvm;
    std::filesystem::path image = Build({.name = "script", .script = true, .exitCode = 61});
    RunResult r = RunProgram({image.string()});
    EXPECT_EQ(r.exitCode, 61) << r.output;
}

TEST_F(EngineTest, ExecutablesRunByThemselves) {
    ASSERT_TRUE(std::filesystem::exists(console)) << "no console.app at " << console;
    for (Shape s : kShapes) {
        if (s.script) continue;  // a "#!" line inside an executable has no use
        s.exe = true;
        InitOutputState();
        std::filesystem::path exe = Build(s);
        RunResult r = RunProgram({exe.string()});
        EXPECT_EQ(r.exitCode, (int)s.exitCode) << s.name << "\n" << r.output;
        EXPECT_EQ(r.output, "") << s.name;
    }
}

TEST_F(EngineTest, RecordedSourceNamesComeBackInOrder) {
    std::vector<std::filesystem::path> files = {Build({.name = "names", .exitCode = 1})};
    if (std::filesystem::exists(console)) {
        InitOutputState();
        files.push_back(Build({.name = "names exe", .exe = true, .exitCode = 1}));
    }
    for (const auto& file : files) {
        void* handle = OpenExecutable(file.c_str());
        ASSERT_NE(handle, nullptr) << file;
        char buffer[64];
        ASSERT_EQ(GetSourceName(handle, buffer, sizeof buffer), 1) << file;
        EXPECT_STREQ(buffer, "prog.pas");
        ASSERT_EQ(GetSourceName(handle, buffer, sizeof buffer), 1) << file;
        EXPECT_STREQ(buffer, "lib/strings.inc");
        EXPECT_EQ(GetSourceName(handle, buffer, sizeof buffer), 0) << file;
        EXPECT_EQ(CloseExecutable(handle), 1);
    }
}

}  // namespace
}  // namespace tarn::tpc::test
