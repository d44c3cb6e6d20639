// Run-time error reports. This is the simplest form: one console line with the source
// line when the line table has one. The full report (log file, system log, numbered
// errors, trapping, error lists) is built on top of this routine.
#include "runtime/errors.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "runtime/engine.h"

namespace tarn::rt {

namespace {
std::vector<ReleaseHook>& Hooks() {
    static std::vector<ReleaseHook> hooks;
    return hooks;
}
}  // namespace

void AddReleaseHook(ReleaseHook hook) { Hooks().push_back(hook); }

void ReleaseResources() {
    for (ReleaseHook h : Hooks()) h();
}

void Report(const char* message, uint32_t codeOffset) {
    char prefix[64] = "ERROR:";
    const auto& lines = g_engine.lineTable;
    for (size_t i = lines.size(); i-- > 1;) {
        if (lines[i] != 0 && lines[i] <= codeOffset) {
            std::snprintf(prefix, sizeof prefix, "ERROR: line %zu,", i + 1);
            break;
        }
    }
    std::printf("\n%s %s\n", prefix, message);
    std::fflush(stdout);
}

void CheckPendingError() {
    // No library routine records numbered errors yet, so nothing can be pending.
}

void RunTimeError(const char* message) {
    Report(message, g_engine.cur);
    ReleaseResources();
    std::exit(1);
}

}  // namespace tarn::rt
