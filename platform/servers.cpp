// Server libraries (see servers.h).
#include "platform/servers.h"

#include <dlfcn.h>

#include <exception>
#include <unordered_map>

namespace tarn::automation {

namespace {

std::unordered_map<std::string, void*> g_servers;  // by resolved path

std::string LoaderReason() {
    const char* text = dlerror();
    return text ? text : "unknown reason";
}

Creation Failure(std::string detail) {
    Creation c;
    c.result = TARN_E_FAIL;
    c.detail = std::move(detail);
    return c;
}

}  // namespace

Creation CreateServerObject(const RegistryEntry& entry) {
    void* library = nullptr;
    if (auto found = g_servers.find(entry.path); found != g_servers.end()) {
        library = found->second;
    } else {
        library = dlopen(entry.path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) return Failure("cannot load the server of '" + entry.progId + "': " + LoaderReason());
        g_servers.emplace(entry.path, library);
    }
    dlerror();
    auto factory = reinterpret_cast<tarn_factory>(dlsym(library, TARN_FACTORY_NAME));
    if (!factory)
        return Failure("the server " + entry.path + " does not export " TARN_FACTORY_NAME);

    Creation c;
    try {
        c.result = factory(TARN_AUTOMATION_VERSION, entry.progId.c_str(), &c.object);
    } catch (const std::exception& e) {
        return Failure("the factory of '" + entry.progId + "' threw: " + e.what());
    } catch (...) {
        return Failure("the factory of '" + entry.progId + "' threw an exception");
    }
    if (c.result != TARN_OK) {
        // A factory that failed but handed out an object anyway: the reference is ours.
        if (c.object) c.object->vtbl->release(c.object);
        c.object = nullptr;
        return c;
    }
    if (!c.object || !c.object->vtbl) {
        c.object = nullptr;
        return Failure("the factory of '" + entry.progId + "' returned no object");
    }
    return c;
}

void UnloadServers() {
    for (auto& [path, handle] : g_servers) dlclose(handle);
    g_servers.clear();
}

size_t LoadedServerCount() { return g_servers.size(); }

const char* CreationFailureText(tarn_result r) {
    switch (r) {
        case TARN_E_INVALID_CLASS: return "Invalid class id";
        case TARN_E_NO_INTERFACE: return "Class does not support IDispatch interface";
        case TARN_E_CLASS_NOT_REGISTERED: return "Class not registered";
        case TARN_E_INVALID_ARG: return "Invalid argument";
        default: return "CreateObject failed";
    }
}

const char* MemberFailureText(tarn_result r, bool propertyGet) {
    switch (r) {
        case TARN_E_UNKNOWN_LOCALE: return "Unknown locale";
        case TARN_E_UNKNOWN_INTERFACE: return "Unknown interface";
        case TARN_E_UNKNOWN_NAME:
        case TARN_E_MEMBER_NOT_FOUND: return "Member not found";
        case TARN_E_BAD_PARAM_COUNT: return "Invalid number of parameters in method call";
        case TARN_E_PARAM_NOT_OPTIONAL: return propertyGet ? "Parameter is not optional" : "Parmeter is not optional";
        case TARN_E_OUT_OF_MEMORY: return "Memory allocation failure";
        default: return propertyGet ? "Attempt to get property or call method failed" : "Attempt to call method failed";
    }
}

}  // namespace tarn::automation
