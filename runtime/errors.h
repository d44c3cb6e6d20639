// Run-time errors: the one reporting path for fatal errors, the numbered (recoverable)
// errors of the library with the pending error number, error trapping and the program's
// error list, the math-error mapping, and the hooks that release database and automation
// resources when a run ends.
//
// Reports go to every destination the program chose: standard output, the log file
// (g_engine.logName, appended) and the "message box", which on this platform is the
// system log (LOG_USER | LOG_ERR). Setting the environment variable TARN_MESSAGE_BOX_FILE
// to a path sends the message-box line to that file (appended) instead of the system log,
// so tests can read it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/engine.h"

namespace tarn::rt {

// ---- Fatal errors -------------------------------------------------------------------

// Ends the process with code: the one way every fatal path of the engine (run-time errors,
// allocation and load failures, a user break inside a routine) leaves. The image fuzzer is
// built with TARN_FUZZ_HOOKS and supplies FuzzEndRun, which ends the run instead of the
// process so that one process can run many images.
[[noreturn]] void EndProcess(int code);
#ifdef TARN_FUZZ_HOOKS
[[noreturn]] void FuzzEndRun(int code);
#endif

// Reports message as a run-time error at the current instruction, releases resources and
// ends the process with exit code 1. Never returns. Safe on a signal handler's path: the
// report is written with write(2), and a second fault while reporting ends the process at
// once. (The exported C entry RunTimeError calls this.)
[[noreturn]] void RunTimeError(const char* message);

// A failed host or heap allocation: prints "[TARNRUN] ERROR: Memory allocation failure!\n" on
// standard output, releases database and automation resources and ends the process with
// exit code 1 (not a run-time error report: there may be no memory left to make one).
[[noreturn]] void MemoryAllocationFailure();

// The user break seen inside a long engine operation: reports "User abort" like the
// dispatch loop does and ends the process with the program's exit code.
[[noreturn]] void StopForUserBreak();

// Writes one report of message for the instruction at code offset codeOffset to every
// destination the program chose, without ending the process (used by the user-break path).
void Report(const char* message, uint32_t codeOffset);

// The report's prefix: "ERROR:", then " line %lu," when the line table maps codeOffset to
// a line, then " address %lXh:" when addresses are shown. The message-box caption is the
// prefix without its last character.
std::string ReportPrefix(uint32_t codeOffset, bool withOffset, bool showAddresses);

// The source line whose code contains codeOffset, or 0 when the line table has none.
uint32_t LineOfOffset(uint32_t codeOffset);

// The log file name for an image: the image name with its extension replaced by ".log";
// empty when the extension already is ".log" or the name would reach 261 characters.
std::string LogFileNameFor(std::string_view imageName);

// ---- Report switches, trapping, pending error, error list --------------------------

struct ErrorState {
    bool toConsole = true;     // routine 187 turns it off
    bool toMessageBox = true;  // routine 186 turns it off
    bool toLogFile = false;    // routine 185 turns it on
    bool trapping = true;      // traperrors (171)
    uint32_t pending = 0;      // first recorded error number; 0 = none
    uint32_t listVar = 0;      // VM address of the registered error list variable; 0 = none
    uint32_t listElemSize = 0; // component size the program registered with the list
};

extern ErrorState g_errors;

// Run set-up: trapping on, console and message box on, log file off, nothing pending, no
// error list, an empty stack log.
void ResetErrorState();

// The message of numbered error n ("Undefined error" outside the table).
const char* ErrorMessage(uint32_t n);

// Named numbers of the table, for the library routines that record errors.
enum class ErrorNo : uint32_t {
#define ERR(n, name, text) name = n,
#include "runtime/errortable.def"
#undef ERR
};

// A recoverable library failure: sets the pending number when none is pending and
// appends {number, source (cut to 16), description (cut to 255; the number's message when
// null or empty)} to the registered error list.
void RecordError(uint32_t number, const char* source = "", const char* description = nullptr);
inline void RecordError(ErrorNo n, const char* source = "", const char* description = nullptr) {
    RecordError(static_cast<uint32_t>(n), source, description);
}

// Empties the registered error list when it holds entries (ClearErrors' slow part).
void ClearErrorList();

// Done at the start of every file, directory, object and database operation: nothing
// pending, and the registered error list emptied. Inline because text I/O calls it for
// every value read or written, and most programs register no list.
inline void ClearErrors() {
    g_errors.pending = 0;
    if (g_errors.listVar == 0) return;
    // A list variable among the globals that is still undefined: no list was ever made.
    if (uint64_t{g_errors.listVar} + 4 <= g_engine.stackLow && VmWord(g_errors.listVar) == kUndefinedWord) return;
    ClearErrorList();
}

// ioresult: the pending number, which is then cleared (the list keeps its entries so the
// program can still read the details).
uint32_t TakeIoResult();

// CHKERR: when an error number is pending and error trapping is on, reports it (and the
// registered error list) and ends the process with exit code 1; otherwise does nothing.
void CheckPendingError();

// Layout of one error-list entry (the packed record ErrorT): number word, name as
// string[16] (length byte + 16 characters), description as string[255].
inline constexpr uint32_t kErrorEntryNumber = 0;
inline constexpr uint32_t kErrorEntryName = 4;
inline constexpr uint32_t kErrorNameMax = 16;
inline constexpr uint32_t kErrorEntryDescription = kErrorEntryName + 1 + kErrorNameMax;
inline constexpr uint32_t kErrorDescriptionMax = 255;
inline constexpr uint32_t kErrorEntrySize = kErrorEntryDescription + 1 + kErrorDescriptionMax;

// ---- Math errors ----------------------------------------------------------------------

// Brackets one computation of a standard math function: BeginMath clears errno and the
// floating-point flags and masks the floating-point traps (so a domain error is seen as a
// flag, not a SIGFPE); EndMath restores the traps and raises "Invalid domain (math)",
// "Result out of range (math)" or "Exception (math)" when the computation failed.
struct MathGuard {
    int savedTraps;
};
MathGuard BeginMath();
void EndMath(const MathGuard& guard);

// The message for a math failure seen as errno value err and floating-point flags
// fpFlags (fetestexcept); nullptr when neither reports a failure.
const char* MathErrorMessage(int err, int fpFlags);

// ---- Stack log (routines 110-114) ---------------------------------------------------

inline constexpr int kStackLogSize = 260;
int StackLogDepth();  // entries held; 0 when empty (and the block released)
void ResetStackLog();

// ---- Release hooks ------------------------------------------------------------------

// Releases database and automation resources; each later subsystem registers a hook.
using ReleaseHook = void (*)();
void AddReleaseHook(ReleaseHook hook);
void ReleaseResources();

// ---- Standard routines --------------------------------------------------------------

// Installs routines 98, 110-114, 170, 171 and 185-187 in the CALLSTD table.
void RegisterErrorRoutines();

// Installs the stack log routines 110-114 (called by RegisterErrorRoutines).
void RegisterStackLogRoutines();

// Installs paramcount (99) and paramstr (100).
void RegisterEnvRoutines();

}  // namespace tarn::rt
