// The stack log routines 110-114 as compiled code calls them.
#include "runtime/stdroutines.h"
#include "support.h"
#include "vm/stdroutines.h"

namespace tarn::rt::test {
namespace {

class StackLogTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        RegisterErrorRoutines();
        g_errors.toMessageBox = false;
        out = TempPath("stacklog");
    }
    void TearDown() override {
        std::remove(out.c_str());
        RunFixture::TearDown();
    }
    void Call(vm::Std routine, uint32_t sp, uint32_t fp) {
        Regs r{sp, fp};
        int exitCode = 0;
        ASSERT_EQ(CallStd(vm::Number(routine), r, exitCode), StdOutcome::Continue);
        EXPECT_EQ(r.sp, sp);  // no arguments, no result
        EXPECT_EQ(r.fp, fp);
    }
    void ExpectError(vm::Std routine, uint32_t sp, uint32_t fp, const std::string& message) {
        EXPECT_EXIT_WITH_STDOUT(out, Call(routine, sp, fp), 1);
        EXPECT_EQ(ReadFile(out), "\nERROR: " + message + "\n") << vm::kStdNames[vm::Number(routine)];
    }
    std::string out;
};

using vm::Std;

TEST_F(StackLogTest, BalancedPushCheckPop) {
    Call(Std::StackLogPush, 0x8000, 0x9000);
    Call(Std::StackLogCheckFP, 0x7000, 0x9000);
    Call(Std::StackLogCheckSP, 0x8000, 0x1234);
    EXPECT_EQ(StackLogDepth(), 1);
    Call(Std::StackLogPop, 0, 0);
    EXPECT_EQ(StackLogDepth(), 0);
}

TEST_F(StackLogTest, EmptyLogIsAnErrorForEveryReader) {
    for (Std r : {Std::StackLogCheckFP, Std::StackLogCheckSP, Std::StackLogPop, Std::StackLogUnwind})
        ExpectError(r, 0x8000, 0x9000, "Stack log is empty");
}

TEST_F(StackLogTest, Mismatches) {
    Call(Std::StackLogPush, 0x8000, 0x9000);
    ExpectError(Std::StackLogCheckFP, 0x8000, 0x9004, "Value of BP does not agree with stack log entry");
    ExpectError(Std::StackLogCheckSP, 0x7FFC, 0x9000, "Value of SP does not agree with stack log entry");
}

TEST_F(StackLogTest, TwoHundredSixtyNestedPushesFitAndTheNextOverflows) {
    for (int i = 0; i < kStackLogSize; ++i) Call(Std::StackLogPush, 0x8000 - 4 * i, 0x9000 - 4 * i);
    EXPECT_EQ(StackLogDepth(), 260);
    ExpectError(Std::StackLogPush, 0x100, 0x200, "Stack log overflow");
    for (int i = 0; i < kStackLogSize; ++i) Call(Std::StackLogPop, 0, 0);
    EXPECT_EQ(StackLogDepth(), 0);
    Call(Std::StackLogPush, 0x8000, 0x9000);  // allocated again after the release
    EXPECT_EQ(StackLogDepth(), 1);
}

TEST_F(StackLogTest, UnwindDropsTheFramesLeftWithoutTheirPop) {
    Call(Std::StackLogPush, 0x8000, 0x9000);  // outer frame
    Call(Std::StackLogPush, 0x7000, 0x8800);  // inner frames left by exit or goto
    Call(Std::StackLogPush, 0x6000, 0x7800);
    Call(Std::StackLogUnwind, 0x8000, 0x9000);
    EXPECT_EQ(StackLogDepth(), 0);
}

TEST_F(StackLogTest, UnwindStopsAtTheCurrentFrame) {
    Call(Std::StackLogPush, 0x8000, 0x9000);
    Call(Std::StackLogPush, 0x7000, 0x8800);
    Call(Std::StackLogPush, 0x6000, 0x7800);
    Call(Std::StackLogUnwind, 0x7000, 0x8800);
    EXPECT_EQ(StackLogDepth(), 1);
}

TEST_F(StackLogTest, UnwindWithAWrongSpIsAMismatch) {
    Call(Std::StackLogPush, 0x8000, 0x9000);
    Call(Std::StackLogPush, 0x7000, 0x8800);
    ExpectError(Std::StackLogUnwind, 0x7FF0, 0x9000, "Stack log mismatch");
}

TEST_F(StackLogTest, UnwindThatRunsOutIsEmpty) {
    Call(Std::StackLogPush, 0x8000, 0x9000);
    ExpectError(Std::StackLogUnwind, 0x8000, 0x1111, "Stack log is empty");
}

}  // namespace
}  // namespace tarn::rt::test
