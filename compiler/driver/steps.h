// The work Compile delegates to the other modules of the compiler. The driver library
// cannot link the front end or the code generator (they link it), so each of those
// modules installs its entries here at start-up. An entry left empty makes Compile say
// plainly that the step is not available in this build and count it as an error: a
// compilation never claims success for a step that did nothing, and no image is written.
#pragma once

namespace tarn::tpc {

struct CompileSteps {
    // Module initialisation, run once by the entry point before the command line is read.
    void (*initFront)() = nullptr;      // lexer and the other front-end tables
    void (*initCodegen)() = nullptr;    // code generator state: stack size, GenerateCode, buffers

    // Step 1 of Compile, in this order.
    void (*openSource)(const char* sourceName) = nullptr;                   // lexer: push the main file
    void (*openOutput)(const char* outputName, const char* header) = nullptr;  // image writer
    void (*openOuterScope)() = nullptr;   // identifiers: outermost scope and predefined ids
    void (*parseProgram)() = nullptr;     // lexer + parser: first token, then the program
    void (*closeOuterScope)() = nullptr;  // identifiers
    // Step 2.
    void (*closeSources)() = nullptr;     // lexer: close every source file still open
    // Step 3.
    void (*writeImage)() = nullptr;       // image writer: image file or launcher copy
};

// The installed entries. The front end fills its entries from InstallFrontSteps and the
// code generator from InstallCodegenSteps; tpc (and the IDE) call both at start-up when
// those modules are linked.
CompileSteps& Steps();

void InstallFrontSteps(CompileSteps& steps);     // defined by tarn_front
void InstallCodegenSteps(CompileSteps& steps);   // defined by tarn_codegen

// What Compile does for an empty entry: prints "tpc: <what> is not available in this
// build." on standard output, counts it as an error (so no image is written and tpc
// ends with exit code 1) and abandons the current step.
[[noreturn]] void StepNotAvailable(const char* what);

}  // namespace tarn::tpc
