// Routine 144 against the system's libraries, inside a VM window: results, the cache of
// libraries and its release at the end of a run, and the run-time errors of a failed call.
#include <cmath>
#include <ctime>

#include "runtime/external.h"
#include "tests/unit/stdlib/support.h"

namespace tarn::rt::test {
namespace {

class ExternalCallTest : public StdlibTest {
protected:
    void TearDown() override {
        ReleaseResources();
        StdlibTest::TearDown();
    }
    // The end of a description: library, routine, convention (stdcall).
    void PushNames(const std::string& library, const std::string& routine) {
        PushStr(library);
        PushStr(routine);
        PushWord(1);
    }
    // cos(x) from libm as tpc compiles it: result slot, the argument in its own slot, the
    // descriptor, count, result descriptor, names.
    double LibmCos(double x) {
        r.sp -= 8;      // result slot
        PushReal(r, x);
        PushWord(3);
        PushWord(1);
        PushWord(3);
        PushNames("libm.so.6", "cos");
        Call(vm::Std::ExternalCall);
        return PopR();
    }
};

TEST_F(ExternalCallTest, CosFromLibmIsTheBuiltInCos) {
    for (double x : {0.0, 0.5, -2.25, 100.0}) {
        double external = LibmCos(x);
        PushReal(r, x);
        Call(vm::Std::Cos);
        EXPECT_EQ(external, PopR()) << x;
    }
    ExpectEmptyStack();
}

TEST_F(ExternalCallTest, LibrariesAreLoadedOnceAndReleasedWhenTheRunEnds) {
    EXPECT_EQ(LoadedLibraryCount(), 0u);
    LibmCos(1.0);
    LibmCos(2.0);
    EXPECT_EQ(LoadedLibraryCount(), 1u);
    ReleaseResources();
    EXPECT_EQ(LoadedLibraryCount(), 0u);
    EXPECT_EQ(LibmCos(0.0), 1.0);  // loaded again by the next call
}

TEST_F(ExternalCallTest, NullReferenceReachesTheRoutineAsNull) {
    // time(NULL): a variable parameter whose address is 0.
    r.sp -= 4;
    PushWord(0);
    PushWord(0x81);
    PushWord(1);
    PushWord(1);
    PushNames("libc.so.6", "time");
    std::time_t before = std::time(nullptr);
    Call(vm::Std::ExternalCall);
    int64_t now = PopInt();
    EXPECT_LE(std::llabs(now - static_cast<int32_t>(before)), 2);
    ExpectEmptyStack();
}

TEST_F(ExternalCallTest, ExternalCallsAreSupported) {
    PushWord(8);  // feature_external
    Call(vm::Std::Supported);
    EXPECT_EQ(PopWord(), 1u);
}

TEST_F(ExternalCallTest, FailuresAreRunTimeErrors) {
    auto call = [this](const std::string& library, const std::string& routine) {
        r.sp -= 4;
        PushWord(0);
        PushWord(1);
        PushNames(library, routine);
        int exitCode = 0;
        CallStd(vm::Number(vm::Std::ExternalCall), r, exitCode);
    };
    EXPECT_RUNTIME_ERROR(call("libtarn-none.so", "f"),
                         "Can not load 'libtarn-none.so' (cannot open shared object file: No such file or directory)");
    EXPECT_RUNTIME_ERROR(call("libc.so.6", "no_such_routine_here"), "Can not load _no_such_routine_here");
    EXPECT_RUNTIME_ERROR(call(std::string("libc.so.6\0x", 11), "getpid"),
                         "Can not load 'libc.so.6' (the name holds a zero character)");
    int exitCode = 0;
    EXPECT_RUNTIME_ERROR(CallStd(vm::Number(vm::Std::ExternalCall), r, exitCode), "Stack underflow");
}

}  // namespace
}  // namespace tarn::rt::test
