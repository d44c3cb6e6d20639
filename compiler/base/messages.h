// The one channel for everything the compiler says. Every message has a number in the
// table of messages.def; ReportMessage formats it, hands it to the installed printer and
// counts it by kind. A FATAL message ends the current step of Compile (it throws
// FatalStop, which Compile catches); outside a compilation it ends the process.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

#include "compiler/base/position.h"

namespace tarn::tpc {

// Message kinds, the low 7 bits of an entry's flags.
enum class MsgKind : uint32_t { FATAL = 0, ERROR = 1, WARNING = 2, INFORM = 3, TRACE = 4 };

constexpr int MAX_MESSAGE = 244;
constexpr size_t MAX_MESSAGE_LENGTH = 500;   // longest format and longest formatted text
constexpr uint32_t MSG_KIND_MASK = 0x7f;
constexpr uint32_t MSG_NO_CONTEXT = 0x80;    // never shows the source line
constexpr uint32_t MSG_DISABLED = 0x100;     // dropped before printing and counting

// Message numbers by name: msg::TypeMismatch is 114. They are plain ints so that they
// pass straight to ReportMessage.
namespace msg {
enum : int {
#define MSG(number, name, kind, context, text) name = number,
#include "compiler/base/messages.def"
#undef MSG
};
}  // namespace msg

struct MessageEntry {
    const char* text;   // printf format
    uint32_t flags;     // kind | MSG_NO_CONTEXT | MSG_DISABLED
};

// The writable table entry of message number (1..MAX_MESSAGE); an internal error otherwise.
MessageEntry& Message(int number);
MsgKind KindOf(int number);

// Thrown by a FATAL message while Compiling; Compile catches it at the step's end.
struct FatalStop {};

// --- Diagnostic state --------------------------------------------------------------

int32_t ErrorCount();     // ERROR and FATAL messages issued
int32_t WarningCount();   // WARNING messages issued
uint32_t LastErrorLine(); // line of the last printed ERROR, 0 = none

// The code generator emits only while this is true; every ERROR and FATAL clears it.
bool GenerateCode();
void SetGenerateCode(bool on);   // the code generator's initialisation sets it

// True from the start of Compile on (FATAL then returns to the step instead of exiting).
bool Compiling();
void SetCompiling(bool on);

// Resets counts, LastErrorLine, the out-of-memory handler, the message defaults (all
// TRACE off; INFORM on but 5 and 6; WARNING on but 54), me = 25, mw = 100, and enables
// InternalError reports. Needs the option store to be initialised first.
void InitMessages();

// --- Reporting ---------------------------------------------------------------------

// Issues message `number`. `pos` may be null: the lexer's current position is then used
// for the line and the context. `line` overrides the line when not 0. The variadic
// arguments fill the message's format (see messages.def for the types each conversion
// wants). Returns only for kinds other than FATAL.
void ReportMessageAt(const Position* pos, int number, uint32_t line, ...);
void ReportMessageV(const Position* pos, int number, uint32_t line, va_list args);

// The table behind Message(); read directly only by ReportMessage's test below.
extern MessageEntry gMessageTable[MAX_MESSAGE + 1];

// True for a valid number whose message is switched off. The parser issues a trace
// message for almost every node it builds, all off unless option zt turns them on, so
// ReportMessage drops them here before building an argument list.
inline bool MessageSwitchedOff(int number) {
    return number >= 1 && number <= MAX_MESSAGE &&
           (gMessageTable[number].flags & MSG_DISABLED) != 0;
}

// The everyday forms: ReportMessage(msg::TypeMismatch, &pos) or, at the lexer's current
// position, ReportMessage(msg::Expected, nullptr, ":=").
template <class... Args>
void ReportMessage(int number, const Position* pos, Args... args) {
    if (MessageSwitchedOff(number)) return;
    ReportMessageAt(pos, number, 0, args...);
}

// Reports a failed internal consistency check as message 33 (FATAL) naming the condition,
// the source module and the line. Does nothing while reports are disabled.
void InternalError(const char* condition, const char* module, int line);
void EnableInternalErrors(bool on);

// TPC_CHECK(cond): an internal consistency check.
// TPC_CHECK_AFTER_ERROR(cond): a check that tolerates the state once an error has been
// reported (it passes silently while ErrorCount() > 0), for states that substitution of
// bad types and constants can produce.
#define TPC_CHECK(cond) \
    ((cond) ? (void)0 : ::tarn::tpc::InternalError(#cond, __FILE__, __LINE__))
#define TPC_CHECK_AFTER_ERROR(cond)          \
    ((cond) || ::tarn::tpc::ErrorCount() > 0 \
         ? (void)0                           \
         : ::tarn::tpc::InternalError(#cond, __FILE__, __LINE__))

// --- Printers ----------------------------------------------------------------------

// Formats one message for its destination. `file` is null when unknown, `line` 0 when
// unknown, `col` negative when unknown; `text` is fully formatted; `context` is the
// position whose source line may be shown under the message (null for none).
using MessagePrinter = void (*)(MsgKind kind, int number, const char* file, uint32_t line,
                                int32_t col, const char* text, const Position* context);
// Prints one row of the message list (option zml).
using MessageListPrinter = void (*)(uint32_t flags, int number, const char* format);

void SetMessagePrinter(MessagePrinter printer);
void SetMessageListPrinter(MessageListPrinter printer);
// Calls the list printer for every message 1..MAX_MESSAGE.
void ListMessages();

// --- The current position ---------------------------------------------------------

// A message reported without a position is placed at the current token. The lexer sits
// above this module, so it hands in the one question the messages must ask of it when it
// starts: the current token's position, false while no source file is open.
using PositionSource = bool (*)(Position& pos);
void SetPositionSource(PositionSource source);

// Reads the line starting at pos.offset of pos.filename as the lexer would hold it
// (BEL, BS, VT, FF and CR dropped; 0x1A stored where the file ends); the console
// printer shows it under a message.
bool ReadLineFromFile(const Position& pos, std::string& line);

}  // namespace tarn::tpc
