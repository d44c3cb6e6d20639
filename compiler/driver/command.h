// The console side of the compiler: the console message printers, the usage texts and the
// command line of tpc.
#pragma once

#include <cstdint>

#include "compiler/base/messages.h"

namespace tarn::tpc {

// The console MessagePrinter: Borland (option mb), Microsoft (mm) or the native format
// (long, or brief with option b), with the source line and a caret under the native
// form when option mc is on. Writes to standard output, flushing each piece.
void ConsolePrinter(MsgKind kind, int number, const char* file, uint32_t line, int32_t col,
                    const char* text, const Position* context);
// The console MessageListPrinter: "KIND number text", " (NO CONTEXT)" when flagged.
void ConsoleListPrinter(uint32_t flags, int number, const char* format);

// Usage texts. The short one is five lines; the long one lists every option, the z...
// options only when withZ is true.
void PrintShortUsage();
void PrintLongUsage(bool withZ);

// Parses every argument after argv[0]: options, "?" and "??", the source file name.
// Ends the process (exit code 1) after a usage text, the message list, or when no
// source file is named. Leaves the source name set; the output name is the caller's.
void ParseCommandLine(int argc, char** argv);

}  // namespace tarn::tpc
