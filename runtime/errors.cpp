// Run-time error reports and the numbered errors of the library.
//
// A report may be written on a signal handler's path (a launcher's handler calls the
// exported RunTimeError), so the writing side uses only write(2)/writev(2), open(2) and
// hand-made number formatting; stdout is flushed first so that the program's buffered
// output comes before the report.
#include "runtime/errors.h"

#include <cerrno>
#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/uio.h>
#include <syslog.h>
#include <unistd.h>

#include "runtime/engine.h"
#include "runtime/lists.h"
#include "runtime/window.h"

namespace tarn::rt {

ErrorState g_errors;

namespace {

std::vector<ReleaseHook>& Hooks() {
    static std::vector<ReleaseHook> hooks;
    return hooks;
}

constexpr const char* kErrorMessages[] = {
#define ERR(n, name, text) text,
#include "runtime/errortable.def"
#undef ERR
};
constexpr uint32_t kErrorCount = sizeof kErrorMessages / sizeof kErrorMessages[0];

// A fixed buffer filled without allocation (usable on a signal handler's path).
struct Text {
    char buf[96];
    size_t len = 0;
};

void Append(Text& t, const char* s) {
    while (*s && t.len + 1 < sizeof t.buf) t.buf[t.len++] = *s++;
    t.buf[t.len] = 0;
}

void AppendNumber(Text& t, unsigned long v, unsigned base) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = "0123456789ABCDEF"[v % base];
        v /= base;
    } while (v);
    char s[24];
    for (int i = 0; i < n; ++i) s[i] = digits[n - 1 - i];
    s[n] = 0;
    Append(t, s);
}

Text BuildPrefix(uint32_t codeOffset, bool withOffset, bool showAddresses) {
    Text t;
    Append(t, "ERROR:");
    if (!withOffset) return t;
    if (uint32_t line = LineOfOffset(codeOffset)) {
        Append(t, " line ");
        AppendNumber(t, line, 10);
        Append(t, ",");
    }
    if (showAddresses) {
        Append(t, " address ");
        AppendNumber(t, codeOffset, 16);
        Append(t, "h:");
    }
    return t;
}

// Writes pieces as one writev; short writes (a full pipe) are not retried: a report must
// never block the end of the process for long or loop on a broken descriptor.
void WritePieces(int fd, const char* const* pieces, int count) {
    iovec iov[8];
    for (int i = 0; i < count; ++i) {
        iov[i].iov_base = const_cast<char*>(pieces[i]);
        iov[i].iov_len = std::strlen(pieces[i]);
    }
    ssize_t ignored = writev(fd, iov, count);
    (void)ignored;
}

void ReportToConsole(const char* prefix, const char* message) {
    std::fflush(stdout);
    const char* pieces[] = {"\n", prefix, " ", message, "\n"};
    WritePieces(STDOUT_FILENO, pieces, 5);
}

// A log file that cannot be opened is skipped silently.
void ReportToLogFile(const char* prefix, const char* message) {
    if (g_engine.logName.empty()) return;
    int fd = open(g_engine.logName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    const char* pieces[] = {"\n", prefix, " ", message, "\n"};
    WritePieces(fd, pieces, 5);
    close(fd);
}

// The message box of the original platform becomes one system-log line "caption: message".
void ReportToMessageBox(const char* caption, const char* message) {
    if (const char* sink = std::getenv("TARN_MESSAGE_BOX_FILE"); sink && *sink) {
        int fd = open(sink, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return;
        const char* pieces[] = {caption, ": ", message, "\n"};
        WritePieces(fd, pieces, 4);
        close(fd);
        return;
    }
    syslog(LOG_USER | LOG_ERR, "%s: %s", caption, message);
}

void ReportAt(const char* message, uint32_t codeOffset, bool withOffset) {
    Text prefix = BuildPrefix(codeOffset, withOffset, g_engine.showAddresses);
    if (g_errors.toConsole) ReportToConsole(prefix.buf, message);
    if (g_errors.toLogFile) ReportToLogFile(prefix.buf, message);
    if (g_errors.toMessageBox) {
        Text caption = prefix;
        caption.buf[--caption.len] = 0;
        ReportToMessageBox(caption.buf, message);
    }
}

// Copies s, cut to max characters, into a Pascal string with a 1-byte length prefix.
void StoreShortString(uint32_t addr, const char* s, uint32_t max) {
    uint32_t n = static_cast<uint32_t>(strnlen(s, max));
    uint8_t* dst = VmSpan(addr, uint64_t{n} + 1);
    dst[0] = static_cast<uint8_t>(n);
    std::memcpy(dst + 1, s, n);
}

std::string LoadShortString(uint32_t addr) {
    uint8_t n = *VmSpan(addr, 1);
    return std::string(reinterpret_cast<const char*>(VmSpan(addr, uint64_t{n} + 1) + 1), n);
}

// The registered list variable's header, or 0 when the variable is still undefined.
uint32_t ErrorListHeader() {
    uint32_t header = LoadWord(VmSpan(g_errors.listVar, 4));
    if (header == kUndefinedWord) return 0;
    if (WindowBlockSize(header) == 0) RunTimeError("Accessing undefined list");
    return header;
}

void AppendErrorEntry(uint32_t number, const char* source, const char* description) {
    constexpr const char* kAppendFailed = "Appending database error to DBErrors list failed";
    if (g_errors.listElemSize < kErrorEntrySize) RunTimeError(kAppendFailed);
    uint32_t header = ErrorListHeader();
    if (header == 0) {
        header = NewList(g_errors.listElemSize, false);
        if (header == 0) RunTimeError(kAppendFailed);
        SetVmWord(g_errors.listVar, header);
    }
    uint32_t entry = AppendListElement(header);
    if (entry == 0) RunTimeError(kAppendFailed);
    SetVmWord(entry + kErrorEntryNumber, number);
    StoreShortString(entry + kErrorEntryName, source ? source : "", kErrorNameMax);
    StoreShortString(entry + kErrorEntryDescription, description, kErrorDescriptionMax);
}

volatile std::sig_atomic_t g_inRunTimeError = 0;

}  // namespace

// ---- Fatal errors -------------------------------------------------------------------

uint32_t LineOfOffset(uint32_t codeOffset) {
    const auto& lines = g_engine.lineTable;
    // Entry 0 is never consulted: line 1 holds no code of its own in a compiled program.
    for (size_t i = lines.size(); i-- > 1;) {
        if (lines[i] != 0 && lines[i] <= codeOffset) return static_cast<uint32_t>(i + 1);
    }
    return 0;
}

std::string ReportPrefix(uint32_t codeOffset, bool withOffset, bool showAddresses) {
    return BuildPrefix(codeOffset, withOffset, showAddresses).buf;
}

std::string LogFileNameFor(std::string_view imageName) {
    constexpr size_t kMaxName = 260;
    size_t slash = imageName.find_last_of('/');
    size_t dot = imageName.find_last_of('.');
    bool hasExtension = dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
    std::string_view stem = hasExtension ? imageName.substr(0, dot) : imageName;
    if (hasExtension && imageName.substr(dot) == ".log") return {};
    std::string name = std::string(stem) + ".log";
    if (name.size() > kMaxName) return {};
    return name;
}

void Report(const char* message, uint32_t codeOffset) { ReportAt(message, codeOffset, true); }

void RunTimeError(const char* message) {
    // A fault while reporting (or while releasing resources) must not recurse.
    if (g_inRunTimeError) {
#ifdef TARN_FUZZ_HOOKS
        FuzzEndRun(1);
#endif
        _exit(1);
    }
    g_inRunTimeError = 1;
    ReportAt(message ? message : "", g_engine.cur, g_engine.running);
    ReleaseResources();
    EndProcess(1);
}

void EndProcess(int code) {
#ifdef TARN_FUZZ_HOOKS
    FuzzEndRun(code);
#endif
    std::exit(code);
}

void StopForUserBreak() {
    g_userBreak = 0;
    Report("User abort", g_engine.cur);
    ReleaseResources();
    EndProcess(g_engine.exitCodeVar ? static_cast<int>(VmWord(g_engine.exitCodeVar)) : 0);
}

// ---- Switches, pending error, error list --------------------------------------------

void ResetErrorState() {
    g_errors = ErrorState{};
    g_inRunTimeError = 0;
    ResetStackLog();
}

const char* ErrorMessage(uint32_t n) { return n < kErrorCount ? kErrorMessages[n] : "Undefined error"; }

void RecordError(uint32_t number, const char* source, const char* description) {
    if (g_errors.pending == 0) g_errors.pending = number;
    if (g_errors.listVar == 0) return;
    if (description == nullptr || *description == 0) description = ErrorMessage(number);
    AppendErrorEntry(number, source, description);
}

void ClearErrorList() {
    // The list is emptied whenever it holds entries, not only when a number is pending:
    // after ioresult took the number, the next operation must still start a fresh list.
    if (g_errors.listVar == 0) return;
    if (uint32_t header = ErrorListHeader(); header && ListLength(header) > 0) ClearList(header);
}

uint32_t TakeIoResult() {
    uint32_t n = g_errors.pending;
    g_errors.pending = 0;
    return n;
}

void CheckPendingError() {
    if (g_errors.pending == 0 || !g_errors.trapping) return;
    uint32_t header = g_errors.listVar ? ErrorListHeader() : 0;
    uint32_t count = header ? ListLength(header) : 0;
    if (count == 0) RunTimeError(ErrorMessage(g_errors.pending));
    for (uint32_t i = 1; i < count; ++i) {
        uint32_t entry = ListElementAddress(header, i);
        int32_t number = static_cast<int32_t>(VmWord(entry + kErrorEntryNumber));
        std::string name = LoadShortString(entry + kErrorEntryName);
        std::printf("\nERROR: ");
        if (number != 0) std::printf("%d ", number);
        if (!name.empty()) std::printf("(%s) ", name.c_str());
        std::printf("%s\n", LoadShortString(entry + kErrorEntryDescription).c_str());
        std::fflush(stdout);
    }
    std::string last = LoadShortString(ListElementAddress(header, count) + kErrorEntryDescription);
    RunTimeError(last.c_str());
}

// ---- Math errors ----------------------------------------------------------------------

const char* MathErrorMessage(int err, int fpFlags) {
    if (err == EDOM) return "Invalid domain (math)";
    if (err == ERANGE) return "Result out of range (math)";
    if (err != 0) return "Exception (math)";
    if (fpFlags & FE_INVALID) return "Invalid domain (math)";
    if (fpFlags & (FE_DIVBYZERO | FE_OVERFLOW)) return "Result out of range (math)";
    return nullptr;
}

MathGuard BeginMath() {
    MathGuard g{fegetexcept()};
    fedisableexcept(FE_ALL_EXCEPT);
    feclearexcept(FE_ALL_EXCEPT);
    errno = 0;
    return g;
}

void EndMath(const MathGuard& guard) {
    int err = errno;
    int flags = fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    // Flags must be clear before the traps come back, or the next operation would trap.
    feclearexcept(FE_ALL_EXCEPT);
    if (guard.savedTraps) feenableexcept(guard.savedTraps);
    if (const char* message = MathErrorMessage(err, flags)) RunTimeError(message);
}

// ---- Release hooks ------------------------------------------------------------------

void AddReleaseHook(ReleaseHook hook) { Hooks().push_back(hook); }

void ReleaseResources() {
    for (ReleaseHook h : Hooks()) h();
}

void MemoryAllocationFailure() {
    std::printf("[TARNRUN] ERROR: %s", "Memory allocation failure!\n");
    std::fflush(stdout);
    ReleaseResources();
    EndProcess(1);
}

}  // namespace tarn::rt
