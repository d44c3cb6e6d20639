// Run-time errors: the one reporting path for fatal errors, and the hooks that release
// database and automation resources when a run ends.
#pragma once

#include <cstdint>

namespace tarn::rt {

// Reports message as a run-time error at the current instruction, releases resources and
// ends the process with exit code 1. Never returns. (The exported C entry RunTimeError
// calls this.)
[[noreturn]] void RunTimeError(const char* message);

// Writes one report of message for the instruction at code offset codeOffset to every
// destination the program chose, without ending the process (used by the user-break path).
void Report(const char* message, uint32_t codeOffset);

// CHKERR: when an error number is pending and error trapping is on, reports it (and the
// registered error list) and ends the process with exit code 1; otherwise does nothing.
void CheckPendingError();

// Releases database and automation resources; each later subsystem registers a hook.
using ReleaseHook = void (*)();
void AddReleaseHook(ReleaseHook hook);
void ReleaseResources();

}  // namespace tarn::rt
