// A fresh VM window and a fresh working directory for every file test, with helpers that
// push the arguments of the file routines in the order compiled code pushes them.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/files.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "runtime/window.h"
#include "vm/stdroutines.h"
#include "tests/unit/engine_test_files.h"

namespace tarn::rt::test {

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tarn-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_EQ(getcwd(savedCwd_, sizeof savedCwd_) != nullptr, true);
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        ASSERT_TRUE(WindowOpen(kVmBytes));
        std::memset(Mem(), kUndefinedByte, kVmBytes);
        g_engine.lineTable.clear();
        g_engine.logName.clear();
        g_engine.showAddresses = false;
        g_engine.running = true;
        g_engine.cur = 0;
        g_engine.stackLow = kStackLow;
        g_engine.stackTop = kVmBytes - 4;
        ResetErrorState();
        g_errors.toMessageBox = false;
        InstallStandardRoutines();
        r = Regs{g_engine.stackTop, 0};
    }
    void TearDown() override {
        ReleaseFiles();
        WindowClose();
        EXPECT_EQ(chdir(savedCwd_), 0);
        std::string cmd = "rm -rf '" + dir_ + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }

    void Call(vm::Std n) {
        int exitCode = 0;
        ASSERT_EQ(CallStd(vm::Number(n), r, exitCode), StdOutcome::Continue);
    }
    void PushWord(uint32_t v) { Push(r, v); }
    void PushStr(const std::string& s) { PushString(r, s); }
    uint32_t PopWord() { return Pop(r); }
    std::string PopStr() { return PopString(r); }
    void ExpectEmptyStack() { EXPECT_EQ(r.sp, g_engine.stackTop); }
    uint32_t Pending() const { return g_errors.pending; }

    // ---- The routines, one call each, leaving the stack as it was --------------------------
    void Assign(uint32_t fv, const std::string& name, uint32_t size = 1) {
        PushWord(fv); PushWord(size); PushStr(name); Call(vm::Std::Assign);
    }
    void Open(uint32_t fv, uint32_t mode, uint32_t size = 1) {
        PushWord(fv);
        if (mode & kModeBinary) PushWord(size);
        PushWord(mode);
        Call(vm::Std::Open);
    }
    void OnFile(vm::Std n, uint32_t fv) { PushWord(fv); Call(n); }
    uint32_t FileFunction(vm::Std n, uint32_t fv) { PushWord(fv); Call(n); return PopWord(); }
    void WriteStr(uint32_t fv, const std::string& s, int32_t width = 0) {
        PushWord(fv); PushStr(s); PushWord(static_cast<uint32_t>(width)); Call(vm::Std::WriteString);
    }
    void WriteInt(uint32_t fv, int32_t n, int32_t width = 0) {
        PushWord(fv); PushWord(static_cast<uint32_t>(n)); PushWord(static_cast<uint32_t>(width));
        Call(vm::Std::WriteInteger);
    }
    void ReadInto(vm::Std n, uint32_t fv, uint32_t a) { PushWord(fv); PushWord(a); Call(n); }
    // A text file named name holding text, opened for reading in fv.
    void ResetWith(uint32_t fv, const std::string& name, const std::string& text) {
        WriteFile(name, text);
        Assign(fv, name);
        Open(fv, kModeInput);
        ASSERT_EQ(Pending(), 0u);
    }

    static constexpr uint32_t kVmBytes = 64 * 1024;
    static constexpr uint32_t kStackLow = 16 * 1024;
    static constexpr uint32_t kF = 64;   // file variables
    static constexpr uint32_t kG = 68;
    static constexpr uint32_t kVar = 256;  // a variable for read results
    Regs r{};
    std::string dir_;
    char savedCwd_[4096] = {};
};

#define EXPECT_RUNTIME_ERROR(statement, message) EXPECT_RUNTIME_ERROR_IN(dir_ + "/death.out", statement, message)

}  // namespace tarn::rt::test
