// A fresh compiler state for every test: options and messages at their start-up values,
// the console printer installed, no lexer and no compile steps.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "compiler/driver/alloc.h"
#include "compiler/driver/command.h"
#include "compiler/driver/compeng.h"
#include "compiler/driver/messages.h"
#include "compiler/driver/options.h"
#include "compiler/driver/steps.h"

namespace tarn::tpc::test {

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessagePrinter(ConsolePrinter);
        SetMessageListPrinter(ConsoleListPrinter);
        Source() = SourceHooks{};
        Steps() = CompileSteps{};
        InitCompileState();
        SetAllocMode(0);
        InitOptions();
        InitMessages();
        SetGenerateCode(true);   // as the code generator's initialisation does
        // FATAL messages return to the caller as FatalStop instead of ending the process.
        SetCompiling(true);
    }
    void TearDown() override { ReleaseAll(); }

    // Runs `body` and returns what it printed on standard output.
    template <class Body>
    static std::string Output(Body body) {
        ::testing::internal::CaptureStdout();
        body();
        return ::testing::internal::GetCapturedStdout();
    }
};

}  // namespace tarn::tpc::test
