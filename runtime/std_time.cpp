// The clock: getdate (96) and gettime (97) in local time.
#include <ctime>

#include "runtime/errors.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "runtime/vmstrings.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

bool Now(std::tm& out) {
    std::time_t t = std::time(nullptr);
    return t != static_cast<std::time_t>(-1) && localtime_r(&t, &out) != nullptr;
}

void Store(uint32_t addr, int value) { StoreWord(VmSpan(addr, 4), static_cast<uint32_t>(value)); }

// Stack: addresses of year, month, day, day of week (0 = Sunday).
StdOutcome GetDate(Regs& r, int&) {
    uint32_t weekday = Pop(r), day = Pop(r), month = Pop(r), year = Pop(r);
    std::tm now{};
    if (!Now(now)) RunTimeError("Date not available");
    Store(year, now.tm_year + 1900);
    Store(month, now.tm_mon + 1);
    Store(day, now.tm_mday);
    Store(weekday, now.tm_wday);
    return StdOutcome::Continue;
}

// Stack: addresses of hour, minute, second.
StdOutcome GetTime(Regs& r, int&) {
    uint32_t second = Pop(r), minute = Pop(r), hour = Pop(r);
    std::tm now{};
    if (!Now(now)) RunTimeError("Time not available");
    Store(hour, now.tm_hour);
    Store(minute, now.tm_min);
    Store(second, now.tm_sec);
    return StdOutcome::Continue;
}

}  // namespace

void RegisterTimeRoutines() {
    RegisterStd(vm::Number(vm::Std::GetDate), GetDate);
    RegisterStd(vm::Number(vm::Std::GetTime), GetTime);
}

}  // namespace tarn::rt
