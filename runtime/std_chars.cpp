// Character classes and case conversion (routines 2-11). Each routine replaces the
// character code on top of the stack. Codes outside 0..255 are not characters: the class
// tests answer 0 for them and the conversions leave them as they are.
#include <cctype>

#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

// The console's printable set: everything but NUL, the control characters that move the
// cursor or ring the bell (1, 7-10, 13) and 255.
bool IsPrintable(int c) {
    if (c == 0 || c == 1 || c == 13 || c == 255) return false;
    return c < 7 || c > 10;
}

template <int (*Test)(int)>
StdOutcome Class(Regs& r, int&) {
    uint32_t c = Pop(r);
    Push(r, c <= 255 && Test(static_cast<int>(c)) ? 1 : 0);
    return StdOutcome::Continue;
}

template <int (*Convert)(int)>
StdOutcome Case(Regs& r, int&) {
    uint32_t c = Pop(r);
    Push(r, c <= 255 ? static_cast<uint32_t>(Convert(static_cast<int>(c))) & 0xFF : c);
    return StdOutcome::Continue;
}

int IsAlpha(int c) { return std::isalpha(c); }
int IsAlnum(int c) { return std::isalnum(c); }
int IsDigit(int c) { return std::isdigit(c); }
int IsLower(int c) { return std::islower(c); }
int IsPrint(int c) { return IsPrintable(c); }
int IsSpace(int c) { return std::isspace(c); }
int IsUpper(int c) { return std::isupper(c); }
int IsXDigit(int c) { return std::isxdigit(c); }
int ToLower(int c) { return std::tolower(c); }
int ToUpper(int c) { return std::toupper(c); }

}  // namespace

void RegisterCharRoutines() {
    using vm::Std;
    static constexpr struct { Std n; StdRoutine routine; } kRoutines[] = {
        {Std::IsAlpha, Class<IsAlpha>},   {Std::IsAlphaNum, Class<IsAlnum>},
        {Std::IsDigit, Class<IsDigit>},   {Std::IsLower, Class<IsLower>},
        {Std::IsPrint, Class<IsPrint>},   {Std::IsSpace, Class<IsSpace>},
        {Std::IsUpper, Class<IsUpper>},   {Std::IsXDigit, Class<IsXDigit>},
        {Std::LoCase, Case<ToLower>},     {Std::UpCase, Case<ToUpper>},
    };
    for (const auto& r : kRoutines) RegisterStd(vm::Number(r.n), r.routine);
}

}  // namespace tarn::rt
