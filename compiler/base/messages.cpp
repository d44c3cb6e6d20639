// The message table, the diagnostic counters and ReportMessage.
#include "compiler/base/messages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "compiler/base/alloc.h"
#include "compiler/base/options.h"

namespace tarn::tpc {

namespace {

constexpr uint32_t NOCTX = MSG_NO_CONTEXT;
constexpr uint32_t CTX = 0;
constexpr uint32_t FATAL = static_cast<uint32_t>(MsgKind::FATAL);
constexpr uint32_t ERROR = static_cast<uint32_t>(MsgKind::ERROR);
constexpr uint32_t WARNING = static_cast<uint32_t>(MsgKind::WARNING);
constexpr uint32_t INFORM = static_cast<uint32_t>(MsgKind::INFORM);
constexpr uint32_t TRACE = static_cast<uint32_t>(MsgKind::TRACE);

}  // namespace

// Entry 0 is not a message; it keeps the numbers as indexes.
MessageEntry gMessageTable[MAX_MESSAGE + 1] = {
    {"", INFORM | NOCTX | MSG_DISABLED},
#define MSG(number, name, kind, context, text) {text, kind | context},
#include "compiler/base/messages.def"
#undef MSG
};
static_assert(sizeof gMessageTable / sizeof gMessageTable[0] == MAX_MESSAGE + 1,
              "messages.def must hold 244 rows");

namespace {

struct DiagnosticState {
    int32_t errorCount = 0;
    int32_t warningCount = 0;
    uint32_t lastErrorLine = 0;
    bool generateCode = true;
    bool compiling = false;
    bool internalErrors = true;
};
DiagnosticState gDiag;

MessagePrinter gPrinter = nullptr;
MessageListPrinter gListPrinter = nullptr;
PositionSource gPositionSource = nullptr;

void OutOfMemoryMessage(int) { ReportMessage(msg::OutOfMemory, nullptr); }

// What ReportMessage still has to do once the caller's argument list is closed.
enum class Follow { NOTHING, COUNT, TOO_LONG };

struct Issued {
    Follow follow;
    MsgKind kind;
};

bool CurrentPosition(Position& pos) {
    return gPositionSource && gPositionSource(pos);
}

// Steps 1 to 6 of reporting: filter, work out the place, format, print.
Issued Issue(const Position* pos, int number, uint32_t line, va_list args) {
    const MessageEntry& entry = Message(number);
    const auto kind = static_cast<MsgKind>(entry.flags & MSG_KIND_MASK);
    if (entry.flags & MSG_DISABLED) return {Follow::NOTHING, kind};

    Position current;
    const bool haveCurrent = CurrentPosition(current);
    if (line == 0) line = pos ? pos->line : (haveCurrent ? current.line : 0);
    int32_t col = pos ? pos->col : -1;

    if (kind == MsgKind::ERROR) {
        // One error per source line: only the line number is compared, not the file.
        if (gDiag.lastErrorLine != 0 && gDiag.lastErrorLine == line) return {Follow::NOTHING, kind};
        if (line != 0) gDiag.lastErrorLine = line;
    }

    if (std::strlen(entry.text) > MAX_MESSAGE_LENGTH) return {Follow::TOO_LONG, kind};
    char text[MAX_MESSAGE_LENGTH + 1];
    const int length = std::vsnprintf(text, sizeof text, entry.text, args);
    if (length < 0 || static_cast<size_t>(length) > MAX_MESSAGE_LENGTH)
        return {Follow::TOO_LONG, kind};

    const char* file = pos ? pos->filename : (haveCurrent ? current.filename : nullptr);
    if (file && *file == '\0') file = nullptr;

    const Position* context = nullptr;
    if (!(entry.flags & MSG_NO_CONTEXT)) {
        if (pos) {
            context = pos;
        } else if (haveCurrent) {
            context = &current;
            col = current.col;
        }
    }
    if (gPrinter) gPrinter(kind, number, file, line, col, text, context);
    return {Follow::COUNT, kind};
}

[[noreturn]] void StopCompilation() {
    if (gDiag.compiling) throw FatalStop{};
    std::fflush(stdout);
    std::exit(1);
}

// Step 7: count and react by kind. The limits are FATAL messages of their own.
void Finish(Issued issued) {
    if (issued.follow == Follow::TOO_LONG) {
        ReportMessage(msg::LimitMessageLength, nullptr);
        return;
    }
    if (issued.follow == Follow::NOTHING) return;
    switch (issued.kind) {
    case MsgKind::FATAL:
        ++gDiag.errorCount;
        gDiag.generateCode = false;
        StopCompilation();
    case MsgKind::ERROR:
        ++gDiag.errorCount;
        gDiag.generateCode = false;
        break;
    case MsgKind::WARNING:
        ++gDiag.warningCount;
        break;
    case MsgKind::INFORM:
    case MsgKind::TRACE:
        return;
    }
    if (gDiag.warningCount > GetOption(opt::mw)) ReportMessage(msg::TooManyWarnings, nullptr);
    if (gDiag.errorCount > GetOption(opt::me)) ReportMessage(msg::TooManyErrors, nullptr);
}

}  // namespace

MessageEntry& Message(int number) {
    if (number < 1 || number > MAX_MESSAGE) {
        InternalError("number >= 1 && number <= MAX_MESSAGE", __FILE__, __LINE__);
        return gMessageTable[0];
    }
    return gMessageTable[number];
}

MsgKind KindOf(int number) { return static_cast<MsgKind>(Message(number).flags & MSG_KIND_MASK); }

int32_t ErrorCount() { return gDiag.errorCount; }
int32_t WarningCount() { return gDiag.warningCount; }
uint32_t LastErrorLine() { return gDiag.lastErrorLine; }
bool GenerateCode() { return gDiag.generateCode; }
void SetGenerateCode(bool on) { gDiag.generateCode = on; }
bool Compiling() { return gDiag.compiling; }
void SetCompiling(bool on) { gDiag.compiling = on; }
void EnableInternalErrors(bool on) { gDiag.internalErrors = on; }

void InitMessages() {
    gDiag.errorCount = 0;
    gDiag.warningCount = 0;
    gDiag.lastErrorLine = 0;
    SetOutOfMemoryHandler(OutOfMemoryMessage);
    SetOption(opt::TraceMessages, 0, 0);
    SetOption(opt::InformMessages, 0, 1);
    SetOption(opt::InformMessages, msg::Compiling, 0);
    SetOption(opt::InformMessages, msg::CompileDone, 0);
    SetOption(opt::WarningMessages, 0, 1);
    SetOption(opt::WarningMessages, msg::HidesDeclaration, 0);
    SetOption(opt::me, 25, 0);
    SetOption(opt::mw, 100, 0);
    gDiag.internalErrors = true;
}

void ReportMessageV(const Position* pos, int number, uint32_t line, va_list args) {
    Finish(Issue(pos, number, line, args));
}

void ReportMessageAt(const Position* pos, int number, uint32_t line, ...) {
    va_list args;
    va_start(args, line);
    const Issued issued = Issue(pos, number, line, args);
    va_end(args);
    Finish(issued);
}

void InternalError(const char* condition, const char* module, int line) {
    if (!gDiag.internalErrors) return;
    const char* slash = module ? std::strrchr(module, '/') : nullptr;
    const char* name = slash ? slash + 1 : (module ? module : "");
    char text[MAX_MESSAGE_LENGTH + 1];
    std::snprintf(text, sizeof text, "%s, FILE %s, LINE %d", condition, name, line);
    ReportMessage(msg::InternalCompilerError, nullptr, text);
}

void SetMessagePrinter(MessagePrinter printer) { gPrinter = printer; }
void SetMessageListPrinter(MessageListPrinter printer) { gListPrinter = printer; }

void ListMessages() {
    for (int n = 1; n <= MAX_MESSAGE; ++n)
        if (gListPrinter) gListPrinter(gMessageTable[n].flags, n, gMessageTable[n].text);
}

void SetPositionSource(PositionSource source) { gPositionSource = source; }

bool ReadLineFromFile(const Position& pos, std::string& line) {
    constexpr size_t MAX_LINE = 400;
    if (!pos.filename || !*pos.filename || pos.offset < 0) return false;
    FILE* f = std::fopen(pos.filename, "rb");
    if (!f) return false;
    line.clear();
    if (std::fseek(f, static_cast<long>(pos.offset), SEEK_SET) != 0) {
        std::fclose(f);
        return false;
    }
    for (;;) {
        const int c = std::fgetc(f);
        if (c == EOF || c == 26) {
            line.push_back(26);
            break;
        }
        if (c == '\n' || line.size() >= MAX_LINE) break;
        if (c == 7 || c == 8 || c == 11 || c == 12 || c == 13) continue;
        line.push_back(static_cast<char>(c));
    }
    std::fclose(f);
    return true;
}

}  // namespace tarn::tpc
