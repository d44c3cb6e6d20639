// Program environment: paramcount (99) and paramstr (100). The program sees the arguments
// that follow the launcher's own: paramcount = argc - skip count, and paramstr i is
// argv[skip - 1 + i], so paramstr 0 is the last launcher-owned entry (the executable, or
// the image file given to a runner).
#include <cstring>

#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/window.h"
#include "runtime/stdroutines.h"
#include "vm/bytes.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

int ParamCount() { return g_engine.argc - g_engine.skipCount; }

// The argument at index i, or "" outside 1 - skip .. paramcount (and outside argv).
const char* ParamStr(int32_t i) {
    int64_t index = int64_t(g_engine.skipCount) - 1 + i;
    if (i > ParamCount() || index < 0 || index >= g_engine.argc || !g_engine.argv) return "";
    const char* s = g_engine.argv[index];
    return s ? s : "";
}

// A string value on the stack: the characters padded with zeros to a multiple of 4, the
// count word on top. An argument longer than the free stack is a stack overflow, not a
// write below the stack.
void PushString(Regs& r, const char* s) {
    size_t len = std::strlen(s);
    uint64_t need = vm::Align4(uint64_t{len}) + 4;
    if (r.sp < g_engine.stackLow || r.sp - g_engine.stackLow < need) RunTimeError("Stack overflow");
    uint32_t padded = vm::Align4(static_cast<uint32_t>(len));
    r.sp -= padded;
    uint8_t* chars = VmSpan(r.sp, padded);
    std::memset(chars, 0, padded);
    std::memcpy(chars, s, len);
    Push(r, static_cast<uint32_t>(len));
}

StdOutcome ParamCountRoutine(Regs& r, int&) {
    Push(r, static_cast<uint32_t>(ParamCount()));
    return StdOutcome::Continue;
}

StdOutcome ParamStrRoutine(Regs& r, int&) {
    PushString(r, ParamStr(static_cast<int32_t>(Pop(r))));
    return StdOutcome::Continue;
}

}  // namespace

void RegisterEnvRoutines() {
    RegisterStd(vm::Number(vm::Std::ParamCount), ParamCountRoutine);
    RegisterStd(vm::Number(vm::Std::ParamStr), ParamStrRoutine);
}

}  // namespace tarn::rt
