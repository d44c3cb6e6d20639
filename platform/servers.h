// Server libraries: loading the library a registry entry names, calling its factory, and
// the texts that failed results map to. Libraries stay loaded until UnloadServers (the
// engine calls it at the end of a run, after every object has been released).
#pragma once

#include <cstddef>
#include <string>

#include "platform/registry.h"
#include "tarn/automation.h"

namespace tarn::automation {

struct Creation {
    tarn_dispatch* object = nullptr;  // one reference, owned by the caller
    tarn_result result = TARN_OK;
    std::string detail;               // what went wrong, beyond the result (empty: nothing)
};

// Creates an object of entry's class: loads entry.path (kept loaded), finds the factory and
// calls it with entry.progId. A library that cannot be loaded, lacks the factory, or whose
// factory throws, fails or succeeds without an object gives TARN_E_FAIL and a detail.
Creation CreateServerObject(const RegistryEntry& entry);

// Unloads every library CreateServerObject loaded.
void UnloadServers();
size_t LoadedServerCount();

// The description of a failed creation: "Class not registered", "Invalid class id", ...
const char* CreationFailureText(tarn_result r);

// The description of a failed member lookup or call. propertyGet picks the texts of the
// property read (routine 174) rather than those of the method calls and property put.
const char* MemberFailureText(tarn_result r, bool propertyGet);

}  // namespace tarn::automation
