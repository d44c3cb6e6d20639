// The engine's standard library outside files, directories, external calls, objects and
// databases: one Register function per family, the per-run reset, and the helpers every
// family uses to move string values between the VM stack and the host.
//
// The stack layout of each routine (arguments in push order, results) is in docs/stdlib.md.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/engine.h"

namespace tarn::rt {

void RegisterCharRoutines();     // 2-11
void RegisterStringRoutines();   // 115-130 (without 119), 134, 147-149
void RegisterMathRoutines();     // 73-91
void RegisterRandomRoutines();   // 103-106, crc32 182
void RegisterStdEnvRoutines();   // 101, 102, 119, 131, 143, 145, 146, 168, 180, 181, 188, 189
void RegisterMemoryRoutines();   // 0, 1, 92, 93, 190
void RegisterListRoutines();     // 66-72
void RegisterTimeRoutines();     // 96, 97
void RegisterConsoleRoutines();  // 135-142

// Puts back the state a program starts with: the random generator after its warm-up
// steps, the console colours and the pending keys. Called at the start of every run.
void StartStdlibRun();
void ResetRandomGenerator();  // the generator as a program starts with it
void ResetConsole();          // no keys read ahead

// ---- String values on the VM stack ----------------------------------------------------

// Pops the string value on top of the stack (count word, then the characters padded to a
// multiple of 4) and returns a copy of its characters. A value reaching past the stack
// top is "Invalid Stack Pointer".
std::string PopString(Regs& regs);

// Pushes s as a string value, padding with zero bytes. A value that does not fit between
// SP and the stack's low limit is "Stack overflow".
void PushString(Regs& regs, std::string_view s);

// Widest field a number is written in; a larger width is this one.
inline constexpr int32_t kMaxFieldWidth = 1027;

// Room for an integer's text: the widest field, or a sign and ten digits.
struct IntegerText {
    char chars[kMaxFieldWidth + 12];
};

// Room for a real's text: the widest field (a fixed-point text of the largest real with the
// most decimals, or an E-notation text with the most digits, is no wider).
struct RealText {
    char chars[kMaxFieldWidth + 16];
};

// Text of a number as text files write it, formatted into `room` without the C library
// because numbers are most of what programs write; a width below 1 is the default width
// (8 for integers, 9 for reals). An integral value (signed, or unsigned when isUnsigned)
// as "%*ld"/"%*lu" would give it; a real as "%*.*f" would give it when precision >= 1
// (at most 716 decimals, 715 for a negative value), otherwise as "%*.*E" with the width
// (at least 9) and width - 8 decimals.
std::string_view FormatInteger(IntegerText& room, uint32_t value, int32_t width, bool isUnsigned);
std::string_view FormatReal(RealText& room, double value, int32_t width, int32_t precision);

}  // namespace tarn::rt
