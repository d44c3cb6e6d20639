// A fresh compiler state for every test: options and messages at their start-up values,
// the console printer installed, no source open, the writer's sections empty.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "compiler/base/alloc.h"
#include "compiler/driver/command.h"
#include "compiler/base/process.h"
#include "compiler/driver/signals.h"
#include "compiler/driver/compile.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/writer/image.h"

namespace tarn::tpc::test {

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessagePrinter(ConsolePrinter);
        SetMessageListPrinter(ConsoleListPrinter);
        SetPositionSource(nullptr);
        InitCompileState();
        SetAllocMode(0);
        InitOptions();
        InitMessages();
        InitOutputState();
        SetGenerateCode(true);   // as tpc's start-up does
        // FATAL messages return to the caller as FatalStop instead of ending the process.
        SetCompiling(true);
    }
    void TearDown() override {
        InitOutputState();   // drops the writer's buffers before their blocks go
        ReleaseAll();
    }

    // Runs `body` and returns what it printed on standard output.
    template <class Body>
    static std::string Output(Body body) {
        ::testing::internal::CaptureStdout();
        body();
        return ::testing::internal::GetCapturedStdout();
    }
};

}  // namespace tarn::tpc::test
