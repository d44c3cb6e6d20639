// External library routines: standard routine 144 calls a routine of a shared library that
// the program declared `external`. The compiled code describes the call on the VM stack
// (docs/external.md has the exact layout); this module decodes that description, loads the
// library with dlopen and finds the routine with dlsym (both kept for the rest of the run),
// builds the native argument list and calls through libffi, then puts the result back.
//
// Arguments that refer to VM memory (variable parameters, pointer values) reach the routine
// as host pointers into the VM window, each checked with VmSpan first; a pointer the routine
// hands back becomes a VM address only when it points at memory the program owns.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "vm/external.h"

namespace tarn::rt {

using vm::ExternalKind;
inline constexpr uint32_t kByReference = vm::kExternalByReference;
inline constexpr uint32_t kMaxExternalParameters = 256;
inline constexpr size_t kMaxRoutineName = 258;  // "_" + name must fit 259 characters
inline constexpr size_t kMaxLibraryName = 259;

struct TypeDescriptor {
    ExternalKind kind = ExternalKind::None;
    bool byReference = false;
    uint32_t size = 0;  // the size word of kinds 4-6; 0 for the others

    bool HasSizeWord() const {
        return kind == ExternalKind::Array || kind == ExternalKind::Record || kind == ExternalKind::String;
    }
    // Bytes the value occupies on the VM stack: as an argument (a by-reference argument is
    // one VM address) or as the result space below the argument block.
    uint64_t StackBytes() const;
};

// Everything the compiled code pushed for one call, as read from the top of the stack.
struct CallDescription {
    // The convention word (stdcall or cdecl). Both mean this platform's C convention, so
    // the call does not depend on it.
    uint32_t convention = 0;
    std::string routine;
    std::string library;
    TypeDescriptor result;
    std::vector<TypeDescriptor> parameters;  // first parameter first
    uint32_t descriptionBytes = 0;  // from SP to the first argument
    uint32_t argumentBytes = 0;     // the argument block
    uint32_t resultBytes = 0;       // the result space below it
};

struct DecodedCall {
    CallDescription call;
    const char* error = nullptr;  // the run-time error text when the description is bad
};

// Reads the call description from stack, the bytes from SP up to the stack top. Checks
// in the order they are popped: name lengths, descriptor kinds, the parameter count, and
// that the argument block and the result space lie on the stack.
DecodedCall DecodeCall(std::span<const uint8_t> stack);

// Brackets a call into code the engine does not own (an external routine, an automation
// server): while it lives, a memory fault is the program's run-time error "Invalid memory
// access" wherever it lands, and the floating-point control state is put back when it
// ends. A fault ends the run from inside the call, so the guard is never left open.
class ForeignCallGuard {
public:
    ForeignCallGuard();
    ~ForeignCallGuard();
    ForeignCallGuard(const ForeignCallGuard&) = delete;
    ForeignCallGuard& operator=(const ForeignCallGuard&) = delete;

private:
    uint32_t mxcsr_ = 0;
    uint16_t x87_ = 0;
};

// Installs routine 144 and the hook that unloads the libraries when a run ends.
void RegisterExternalRoutines();

// Libraries the current run has loaded (ReleaseResources unloads them).
size_t LoadedLibraryCount();

}  // namespace tarn::rt
