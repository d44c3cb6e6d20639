// Helpers shared by the error tests: a VM window for each test, and a way to see what a
// process that ends in a run-time error wrote.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/window.h"
#include "tests/unit/engine_test_files.h"

namespace tarn::rt::test {

inline std::string TempPath(const std::string& name) { return TempPathFor("errors", name); }

// Every test starts from a fresh run: default switches, a small VM memory, no line table,
// the message box sent to a file instead of the system log.
class RunFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WindowOpen(kVmBytes));
        g_engine.lineTable.clear();
        g_engine.logName.clear();
        g_engine.showAddresses = false;
        g_engine.running = true;
        g_engine.cur = 0;
        g_engine.stackLow = 4096;
        g_engine.stackTop = kVmBytes - 4;
        ResetErrorState();
        boxFile = TempPath("box");
        std::remove(boxFile.c_str());
        setenv("TARN_MESSAGE_BOX_FILE", boxFile.c_str(), 1);
    }
    void TearDown() override {
        std::remove(boxFile.c_str());
        WindowClose();
    }
    Regs StackRegs() const { return Regs{g_engine.stackTop, 0}; }

    static constexpr uint32_t kVmBytes = 64 * 1024;
    std::string boxFile;
};

// Runs fn in a death-test child with standard output going to path; the child must end.
#define EXPECT_EXIT_WITH_STDOUT(path, statement, code)                                   \
    EXPECT_EXIT(                                                                         \
        {                                                                                \
            std::fflush(stdout);                                                         \
            int fd_ = open((path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);          \
            if (fd_ < 0 || dup2(fd_, STDOUT_FILENO) < 0) std::_Exit(99);                 \
            statement;                                                                   \
        },                                                                               \
        ::testing::ExitedWithCode(code), "")

}  // namespace tarn::rt::test
