// paramcount (99) and paramstr (100): what the program sees of its command line.
#include "runtime/stdroutines.h"
#include "support.h"
#include "vm/stdroutines.h"

namespace tarn::rt::test {
namespace {

class EnvTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        RegisterEnvRoutines();
        g_errors.toMessageBox = false;
    }
    void SetArgs(std::vector<std::string> a, int skip) {
        args = std::move(a);
        ptrs.clear();
        for (auto& s : args) ptrs.push_back(s.data());
        ptrs.push_back(nullptr);
        g_engine.argc = static_cast<int>(args.size());
        g_engine.argv = ptrs.data();
        g_engine.skipCount = skip;
    }
    int32_t ParamCount() {
        Regs r = StackRegs();
        int exitCode = 0;
        CallStd(vm::Number(vm::Std::ParamCount), r, exitCode);
        int32_t n = static_cast<int32_t>(Pop(r));
        EXPECT_EQ(r.sp, g_engine.stackTop);
        return n;
    }
    // Pops the string value paramstr pushed and checks its shape: count on top, then the
    // characters padded with zero bytes to a multiple of 4.
    std::string ParamStr(int32_t i, Regs r) {
        int exitCode = 0;
        Push(r, static_cast<uint32_t>(i));
        CallStd(vm::Number(vm::Std::ParamStr), r, exitCode);
        uint32_t count = Pop(r);
        std::string s(reinterpret_cast<const char*>(Mem() + r.sp), count);
        uint32_t padded = (count + 3) / 4 * 4;
        for (uint32_t k = count; k < padded; ++k) EXPECT_EQ(Mem()[r.sp + k], 0) << "padding";
        EXPECT_EQ(r.sp + padded, g_engine.stackTop) << "value footprint";
        return s;
    }
    std::string ParamStr(int32_t i) { return ParamStr(i, StackRegs()); }

    std::vector<std::string> args;
    std::vector<char*> ptrs;
};

TEST_F(EnvTest, LauncherWithItsOwnImage) {
    SetArgs({"./prog.exe", "one", "two words", "three"}, 1);
    EXPECT_EQ(ParamCount(), 3);
    EXPECT_EQ(ParamStr(0), "./prog.exe");
    EXPECT_EQ(ParamStr(1), "one");
    EXPECT_EQ(ParamStr(2), "two words");
    EXPECT_EQ(ParamStr(3), "three");
    EXPECT_EQ(ParamStr(4), "");
    EXPECT_EQ(ParamStr(-1), "");
}

TEST_F(EnvTest, RunnerGivenAnImageFile) {
    SetArgs({"tvm", "prog.tvm", "a"}, 2);
    EXPECT_EQ(ParamCount(), 1);
    EXPECT_EQ(ParamStr(0), "prog.tvm");
    EXPECT_EQ(ParamStr(-1), "tvm");  // 1 - skip is still inside the range
    EXPECT_EQ(ParamStr(-2), "");
    EXPECT_EQ(ParamStr(1), "a");
    EXPECT_EQ(ParamStr(2), "");
    EXPECT_EQ(ParamStr(INT32_MIN), "");
    EXPECT_EQ(ParamStr(INT32_MAX), "");
}

// A launcher started with an empty command line (execve with no arguments at all): argc 0
// and argv holding only the null entry. paramcount is still argc - skip, and no index
// reaches past argv.
TEST_F(EnvTest, EmptyCommandLine) {
    SetArgs({}, 1);
    EXPECT_EQ(ParamCount(), -1);
    for (int32_t i : {-1, 0, 1, 2}) EXPECT_EQ(ParamStr(i), "") << i;
}

TEST_F(EnvTest, LengthsAroundTheWordBoundary) {
    SetArgs({"p", "", "abc", "abcd", "abcde"}, 1);
    EXPECT_EQ(ParamStr(1), "");
    EXPECT_EQ(ParamStr(2), "abc");
    EXPECT_EQ(ParamStr(3), "abcd");
    EXPECT_EQ(ParamStr(4), "abcde");
}

TEST_F(EnvTest, AnArgumentLargerThanTheFreeStackIsAStackOverflow) {
    SetArgs({"p", std::string(100, 'x')}, 1);
    Regs nearlyFull{g_engine.stackLow + 64, 0};
    std::string out = TempPath("env");
    EXPECT_EXIT_WITH_STDOUT(out, ParamStr(1, nearlyFull), 1);
    EXPECT_EQ(ReadFile(out), "\nERROR: Stack overflow\n");
    std::remove(out.c_str());
}

}  // namespace
}  // namespace tarn::rt::test
