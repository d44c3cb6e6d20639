// The compiler inside the IDE: the same compile engine as tpc (compiler/driver), run in
// this process with the options of the current project and a message printer that hands
// every message to the IDE instead of the console.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "compiler/base/messages.h"
#include "ide/project/project.h"

namespace tarn::ide {

constexpr size_t MAX_MESSAGE_RECORDS = 170;  // stored per compilation
constexpr size_t MAX_RECORD_FILE = 260;
constexpr size_t MAX_RECORD_TEXT = 500;

// One stored compiler message. col is the compiler's column plus 1 (0: unknown); line
// 0 means unknown.
struct MessageRecord {
    tpc::MsgKind kind = tpc::MsgKind::INFORM;
    int number = 0;
    uint32_t line = 0;
    uint32_t col = 0;
    std::string file;
    std::string text;
};

struct CompileJob {
    std::string source;  // the program's source file
    std::string output;  // "" derives the default (".tvm")
    std::string header;  // the "#!" header text, "" for none
};

struct CompileOutcome {
    bool started = false;  // false: a name could not be set; `failure` says why
    std::string failure;
    int errors = 0;
    int warnings = 0;
    std::string output;  // the image or executable the compilation writes
};

// Builds a record from what the compiler's printer receives; a file name longer than 260
// or a text longer than 500 characters is dropped from the record.
MessageRecord MakeRecord(tpc::MsgKind kind, int number, const char* file, uint32_t line,
                         int32_t col, const char* text);

// Runs one compilation: the compiler's state initialised as tpc initialises it (without
// banner and command line), messages 5 and 6 enabled, the project's options applied, the
// names set, then Compile with floating-point traps on and fault signals caught, so that
// a crash of the compiler ends its step with a message instead of ending the IDE. Every
// message goes to `sink` as it arrives. Afterwards the floating-point environment and the
// signal handlers are put back and every tracked allocation of the compiler is released.
CompileOutcome RunCompiler(const CompileJob& job, const Project& project,
                           const std::function<void(const MessageRecord&)>& sink);

// The failure texts of naming.
inline const char* INVALID_OUTPUT_NAME = "Invalid output filename";
inline const char* CANNOT_COMPILE_NAME = "Can not compile file with this name";

// The output name the job compiles to ("" when none can be derived).
std::string OutputNameFor(const CompileJob& job);

}  // namespace tarn::ide
