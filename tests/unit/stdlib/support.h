// A fresh VM window for every standard-library test, helpers that push and pop the values
// routines take and give, and a check that a call ends the process with a given run-time
// error.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "runtime/window.h"
#include "vm/stdroutines.h"
#include "tests/unit/engine_test_files.h"

namespace tarn::rt::test {

inline std::string TempPath(const std::string& name) { return TempPathFor("stdlib", name); }

class StdlibTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WindowOpen(kVmBytes));
        std::memset(Mem(), kUndefinedByte, kVmBytes);
        g_engine.lineTable.clear();
        g_engine.logName.clear();
        g_engine.showAddresses = false;
        g_engine.running = true;
        g_engine.cur = 0;
        g_engine.stackLow = kStackLow;
        g_engine.stackTop = kVmBytes - 4;
        g_engine.errorCodeVar = 0;
        ResetErrorState();
        g_errors.toMessageBox = false;
        InstallStandardRoutines();
        StartStdlibRun();
        r = Regs{g_engine.stackTop, 0};
    }
    void TearDown() override { WindowClose(); }

    void Call(vm::Std n) {
        int exitCode = 0;
        ASSERT_EQ(CallStd(vm::Number(n), r, exitCode), StdOutcome::Continue);
    }
    void PushWord(uint32_t v) { Push(r, v); }
    void PushInt(int32_t v) { Push(r, static_cast<uint32_t>(v)); }
    void PushStr(const std::string& s) { PushString(r, s); }
    uint32_t PopWord() { return Pop(r); }
    int32_t PopInt() { return static_cast<int32_t>(Pop(r)); }
    double PopR() { return PopReal(r); }
    // Pops a string value and checks its shape: zero padding up to a multiple of 4.
    std::string PopStr() {
        uint32_t count = VmWord(r.sp);
        uint32_t padded = (count + 3) / 4 * 4;
        for (uint32_t k = count; k < padded; ++k) EXPECT_EQ(Mem()[r.sp + 4 + k], 0) << "padding";
        return PopString(r);
    }
    // Everything pushed was popped again.
    void ExpectEmptyStack() { EXPECT_EQ(r.sp, g_engine.stackTop); }

    // A string variable in global memory with a 1- or 4-byte length prefix.
    void SetStringVar(uint32_t addr, const std::string& s, int prefix) {
        if (prefix == 1) Mem()[addr] = static_cast<uint8_t>(s.size());
        else SetVmWord(addr, static_cast<uint32_t>(s.size()));
        std::memcpy(Mem() + addr + prefix, s.data(), s.size());
    }
    std::string StringVar(uint32_t addr, int prefix) {
        uint32_t n = prefix == 1 ? Mem()[addr] : VmWord(addr);
        return std::string(reinterpret_cast<const char*>(Mem() + addr + prefix), n);
    }

    static constexpr uint32_t kVmBytes = 64 * 1024;
    static constexpr uint32_t kStackLow = 16 * 1024;
    Regs r{};
};

#define EXPECT_RUNTIME_ERROR(statement, message) EXPECT_RUNTIME_ERROR_IN(TempPath("out"), statement, message)

}  // namespace tarn::rt::test
