// Automation objects: standard routines 151, 152 and 172-177 (object records, createobject,
// dispose, property reads and writes, method calls) and 169 (isnull), on top of the
// automation layer in platform/ (registry, server libraries, variant conversions).
//
// An object variable holds 0 (nil), 0xFFFFFFFF (undefined) or the VM address of an object
// record: three words {kind 1, handle number, locale 0x400} inside the VM window. The
// record is the program's view only; the engine keeps every live record in its own table
// with the interface pointer, and accepts an address only when the table knows it. So a
// program can copy, keep or overwrite object references, but never forge one into a host
// pointer. docs/automation.md has the stack convention of each routine.
#pragma once

#include <cstddef>
#include <string>

namespace tarn::rt {

// Installs the routines and the hook that, when a run ends, releases every object still
// held and unloads the server libraries.
void RegisterObjectRoutines();

// Object records alive in this run (tests check that dispose and the release hook balance).
size_t LiveObjectCount();

// The kit's own registry: share/tarn/automation.conf beside the directory of the engine
// library (or of the program the engine is linked into).
std::string KitRegistryFile();

}  // namespace tarn::rt
