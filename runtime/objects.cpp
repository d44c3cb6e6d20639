// Automation objects (see objects.h and docs/automation.md).
#include "runtime/objects.h"

#include <dlfcn.h>
#include <fenv.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <vector>

#include "platform/registry.h"
#include "platform/servers.h"
#include "platform/variants.h"
#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/external.h"
#include "runtime/stdroutines.h"
#include "runtime/vmstrings.h"
#include "runtime/window.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

using namespace tarn::automation;

constexpr uint32_t kGenericObjectKind = 1;
constexpr uint32_t kRecordSize = 12;  // kind, handle number, locale
constexpr const char* kStackUnderflow = "Stack underflow";

// What the engine knows of one object record; the record in VM memory is only a copy.
struct ObjectEntry {
    uint32_t kind = kGenericObjectKind;
    tarn_dispatch* object = nullptr;  // null for a record made by routine 151
    uint32_t locale = TARN_LOCALE_USER_DEFAULT;
    uint32_t handle = 0;              // creation number, also stored in the record
};

std::map<uint32_t, ObjectEntry> g_objects;  // by record VM address
uint32_t g_nextHandle = 1;

// The registry is read on the first createobject of a run and kept until the run ends.
bool g_registryLoaded = false;
Registry g_registry;

// Set while server code runs: a run that ends from inside it (a fault) must not call the
// server again to release objects.
bool g_inServerCall = false;

void Trace(const char* tag) {
    if (!g_engine.trace) return;
    std::printf("TRACE: %s\n", tag);
    std::fflush(stdout);
}

// ---- Calls into server code ---------------------------------------------------------

// A C++ exception that a server lets escape is the member's exception, with its text.
struct ServerCall {
    tarn_result result = TARN_OK;
    std::string thrown;  // what() of an escaped exception
};

// A server is library code that may rely on IEEE arithmetic (an overflow giving an infinity
// it then handles): the program's floating-point traps are masked while it runs, and the
// guard puts the program's control state back when the call ends.
void MaskTrapsForServer() { fedisableexcept(FE_ALL_EXCEPT); }

template <class F>
ServerCall CallServer(F&& call) {
    ServerCall c;
    ForeignCallGuard guard;  // a fault in the server is the program's "Invalid memory access"
    MaskTrapsForServer();
    g_inServerCall = true;
    try {
        c.result = call();
    } catch (const std::exception& e) {
        c.result = TARN_E_EXCEPTION;
        c.thrown = e.what();
    } catch (...) {
        c.result = TARN_E_EXCEPTION;
    }
    g_inServerCall = false;
    return c;
}

void ReleaseInterface(tarn_dispatch* object) {
    if (object) CallServer([object] { object->vtbl->release(object); return TARN_OK; });
}

// Frees what v holds; a reference goes back to its server through CallServer.
void ClearVariant(tarn_variant& v) {
    if (v.vt == TARN_VT_DISPATCH) {
        ReleaseInterface(v.u.dispatch);
        tarn_variant_init(&v);
    }
    tarn_variant_clear(&v);
}

// ---- Object records -----------------------------------------------------------------

uint32_t NewRecord(tarn_dispatch* object) {
    Trace("--ObjectNewInternal--");
    uint32_t addr = WindowAlloc(kRecordSize);
    if (addr == 0) {
        ReleaseInterface(object);
        MemoryAllocationFailure();
    }
    ObjectEntry e;
    e.object = object;
    e.handle = g_nextHandle++;
    uint8_t* record = VmSpan(addr, kRecordSize);
    StoreWord(record, e.kind);
    StoreWord(record + 4, e.handle);
    StoreWord(record + 8, e.locale);
    g_objects[addr] = e;
    return addr;
}

// The object a member access goes to, after the checks of the variable at varAddr.
ObjectEntry& AccessedObject(uint32_t varAddr) {
    uint32_t ref = LoadWord(VmSpan(varAddr, 4));
    if (ref == kUndefinedWord) RunTimeError("Accessing undefined object");
    if (ref == 0) RunTimeError("Accessing nil object");
    auto found = g_objects.find(ref);
    if (found == g_objects.end() || found->second.object == nullptr)
        RunTimeError("Internal failure: Object reference is NULL");
    return found->second;
}

// ---- The VM stack -------------------------------------------------------------------

void Need(const Regs& r, uint64_t bytes) {
    if (uint64_t{r.sp} + bytes > g_engine.stackTop) RunTimeError(kStackUnderflow);
}

uint32_t PopWord(Regs& r) {
    Need(r, 4);
    return Pop(r);
}

std::string PopString(Regs& r) {
    uint32_t length = PopWord(r);
    r.sp -= 4;
    uint32_t footprint = ValueFootprint(r, length);
    std::string s(reinterpret_cast<const char*>(VmSpan(r.sp + 4, length)), length);
    r.sp += footprint;
    return s;
}

// A variant value: the type code on top, the value below it. An omitted argument is the
// type code 0 alone.
VmValue PopVariant(Regs& r) {
    VmValue v;
    v.type = PopWord(r);
    switch (v.type) {
        case kVmEmpty: break;
        case kVmNull:
        case kVmInteger:
        case kVmBoolean:
        case kVmByte:
        case kVmWord:
        case kVmObject: v.word = PopWord(r); break;
        case kVmReal: Need(r, 8); v.real = PopReal(r); break;
        case kVmString: v.text = PopString(r); break;
        default: RunTimeError("Variant's type is unknown");
    }
    return v;
}

void PushVariant(Regs& r, const VmValue& v) {
    switch (v.type) {
        case kVmReal:
            CheckStackPointer(uint64_t{r.sp} - 12);
            PushReal(r, v.real);
            break;
        case kVmString: {
            uint64_t sp = uint64_t{r.sp} - Footprint(v.text.size()) - 4;
            CheckStackPointer(sp);
            r.sp = static_cast<uint32_t>(sp + 4);
            SetVmWord(r.sp, static_cast<uint32_t>(v.text.size()));
            std::copy(v.text.begin(), v.text.end(), VmSpan(r.sp + 4, v.text.size()));
            break;
        }
        default:
            CheckStackPointer(uint64_t{r.sp} - 8);
            Push(r, v.type == kVmNull ? 0 : v.word);
            break;
    }
    Push(r, v.type);
}

// ---- createobject -------------------------------------------------------------------

const Registry& TheRegistry() {
    if (!g_registryLoaded) {
        const char* override = std::getenv("TARN_AUTOMATION_REGISTRY");
        g_registry = LoadRegistry(RegistryFiles(override, std::getenv("HOME"), KitRegistryFile()), override != nullptr);
        g_registryLoaded = true;
    }
    return g_registry;
}

// Records error 40: first the details (registry lines that could not be used, why a server
// failed), then the description a program tests.
uint32_t CreationFailed(const std::string& progId, const char* description, const std::vector<std::string>& details) {
    for (const std::string& d : details) RecordError(ErrorNo::ObjectCreateFailure, "createobject", d.c_str());
    RecordError(ErrorNo::ObjectCreateFailure, progId.c_str(), description);
    return 0;
}

uint32_t CreateByProgId(const std::string& progId) {
    if (!IsValidProgId(progId)) return CreationFailed(progId, "Invalid class id", {});
    const Registry& registry = TheRegistry();
    const RegistryEntry* entry = registry.Find(progId);
    if (!entry) {
        std::vector<std::string> details;
        for (const RegistryProblem& p : registry.problems) details.push_back(p.text);
        return CreationFailed(progId, "Class not registered", details);
    }
    Creation c;
    {
        ForeignCallGuard guard;
        MaskTrapsForServer();
        g_inServerCall = true;
        c = CreateServerObject(*entry);
        g_inServerCall = false;
    }
    if (!c.object) {
        std::vector<std::string> details;
        if (!c.detail.empty()) details.push_back(c.detail);
        return CreationFailed(progId, CreationFailureText(c.result), details);
    }
    return NewRecord(c.object);
}

// ---- Member access ------------------------------------------------------------------

struct MemberOperation {
    const char* trace;
    ErrorNo error;
    uint16_t flags;
    bool counted;      // an argument count lies on top of the arguments
    bool propertyPut;  // exactly one argument, the new value
    bool result;       // a variant value is pushed
};

constexpr MemberOperation kPropertyGet{"--ObjectGenericGetOrFunc--", ErrorNo::ObjectGetFailure,
                                       TARN_DISPATCH_METHOD | TARN_DISPATCH_PROPERTYGET, false, false, true};
constexpr MemberOperation kFunctionCall{"--ObjectGenericFunc--", ErrorNo::ObjectFunctionFailure, TARN_DISPATCH_METHOD,
                                        true, false, true};
constexpr MemberOperation kProcedureCall{"--ObjectGenericProc--", ErrorNo::ObjectProcedureFailure, TARN_DISPATCH_METHOD,
                                         true, false, false};
constexpr MemberOperation kPropertyPut{"--ObjectGenericPropertyPut--", ErrorNo::ObjectPutFailure,
                                       TARN_DISPATCH_PROPERTYPUT, false, true, false};

// The arguments converted for the server; cleared (strings freed, references released)
// whichever way the call ends.
struct Arguments {
    std::vector<tarn_variant> list;
    ~Arguments() {
        for (tarn_variant& v : list) ClearVariant(v);
    }
};

// The interface behind an object argument; null for nil and for anything that is not a
// live automation object (which then reaches the server as an omitted argument).
tarn_dispatch* ObjectArgument(const VmValue& v) {
    if (v.type != kVmObject) return nullptr;
    if (v.word == kUndefinedWord) RunTimeError("Accessing undefined object");
    auto found = g_objects.find(v.word);
    if (found == g_objects.end() || found->second.kind != kGenericObjectKind) return nullptr;
    return found->second.object;
}

std::string ExceptionText(const tarn_exception& ex, const std::string& thrown) {
    std::string text = ex.description ? NarrowText(ex.description) : thrown;
    return text.empty() ? "Object raised exception" : text;
}

// Calls the member; on success, for operations with a result, stores the converted result
// in *out. False after recording the failure.
bool Invoke(const MemberOperation& op, ObjectEntry& target, const std::string& name, std::vector<VmValue>& values,
            VmValue* out) {
    tarn_dispatch* object = target.object;
    tarn_sysstr wideName = WidenText(name);
    if (!wideName) {
        RecordError(op.error, name.c_str(), "Memory allocation failure");
        return false;
    }
    int32_t id = 0;
    ServerCall lookup = CallServer(
        [&] { return object->vtbl->get_ids_of_names(object, &wideName, 1, target.locale, &id); });
    tarn_sysstr_free(wideName);
    if (lookup.result != TARN_OK) {
        RecordError(op.error, name.c_str(), MemberFailureText(lookup.result, op.result && !op.counted));
        return false;
    }

    Arguments args;
    args.list.resize(values.size());
    std::vector<tarn_dispatch*> interfaces(values.size());
    for (size_t i = 0; i < values.size(); ++i) interfaces[i] = ObjectArgument(values[i]);
    // An object argument takes a reference of its own, and add_ref is server code.
    bool allocated = true;
    ServerCall conversion = CallServer([&] {
        for (size_t i = 0; i < values.size(); ++i)
            if (!ToAutomation(values[i], interfaces[i], args.list[i])) allocated = false;
        return TARN_OK;
    });
    if (!allocated) RecordError(ErrorNo::GenericObjectFailure, name.c_str(), "Memory allocation failure");
    if (conversion.result != TARN_OK) {
        RecordError(ErrorNo::ObjectRaisedException, name.c_str(), ExceptionText({}, conversion.thrown).c_str());
        return false;
    }
    static constexpr int32_t kPutName[] = {TARN_DISPID_PROPERTYPUT};
    tarn_params params{args.list.data(), op.propertyPut ? kPutName : nullptr, static_cast<uint32_t>(args.list.size()),
                       op.propertyPut ? 1u : 0u};
    tarn_variant result;
    tarn_variant_init(&result);
    tarn_exception ex{};
    uint32_t badArgument = 0;
    ServerCall call = CallServer([&] {
        return object->vtbl->invoke(object, id, target.locale, op.flags, &params, op.result ? &result : nullptr, &ex,
                                    &badArgument);
    });
    std::string exceptionText = ExceptionText(ex, call.thrown);
    tarn_sysstr_free(ex.source);
    tarn_sysstr_free(ex.description);
    if (call.result != TARN_OK) {
        ClearVariant(result);
        if (call.result == TARN_E_EXCEPTION) RecordError(ErrorNo::ObjectRaisedException, name.c_str(), exceptionText.c_str());
        else RecordError(op.error, name.c_str(), MemberFailureText(call.result, op.result && !op.counted));
        return false;
    }
    if (!op.result) return true;

    Trace("--ProcessResultValue--");
    ProgramValue converted;
    // An object result gets a reference for its record: add_ref is server code.
    CallServer([&] {
        converted = FromAutomation(result);
        return TARN_OK;
    });
    ClearVariant(result);
    if (converted.error) {
        RecordError(ErrorNo::GenericObjectFailure, name.c_str(), converted.error);
        return false;
    }
    *out = std::move(converted.value);
    if (out->type == kVmObject) out->word = converted.object ? NewRecord(converted.object) : 0;
    return true;
}

StdOutcome MemberAccess(Regs& r, const MemberOperation& op) {
    Trace(op.trace);
    ClearErrors();
    uint32_t count = op.propertyPut ? 1 : 0;
    if (op.counted) {
        count = PopWord(r);
        // Every argument takes at least its type word.
        if (count > (g_engine.stackTop - r.sp) / 4) RunTimeError(kStackUnderflow);
    }
    std::vector<VmValue> values;  // last argument first, as the server receives them
    values.reserve(count);
    for (uint32_t i = 0; i < count; ++i) values.push_back(PopVariant(r));
    std::string name = PopString(r);
    ObjectEntry& target = AccessedObject(PopWord(r));

    VmValue result;
    bool ok = Invoke(op, target, name, values, &result);
    if (op.result) PushVariant(r, ok ? result : VmValue{});
    return StdOutcome::Continue;
}

// ---- The routines -------------------------------------------------------------------

// 151: stack: variable address, two words the code generator passes (4 and 0). Stores a
// record with no object behind it; a member access through it is "Internal failure:
// Object reference is NULL".
StdOutcome NewObject(Regs& r, int&) {
    Trace("-ObjectNew--");
    ClearErrors();
    PopWord(r);
    PopWord(r);
    uint32_t var = PopWord(r);
    uint32_t record = NewRecord(nullptr);
    StoreWord(VmSpan(var, 4), record);
    return StdOutcome::Continue;
}

// 172: stack: the ProgID as a string value; pushes the object (0 after a failure).
StdOutcome CreateObject(Regs& r, int&) {
    Trace("--ObjectCreateGeneric--");
    ClearErrors();
    std::string progId = PopString(r);
    uint32_t record = CreateByProgId(progId);
    Push(r, record);
    return StdOutcome::Continue;
}

// 173 (and 152, which the code generator emits for dispose of a generic object): stack:
// the variable's address. The variable becomes undefined.
StdOutcome DisposeObject(Regs& r, int&) {
    Trace("--ObjectDisposeGeneric--");
    ClearErrors();
    uint32_t var = PopWord(r);
    uint32_t ref = LoadWord(VmSpan(var, 4));
    if (ref == kUndefinedWord) RunTimeError("Disposing undefined object");
    if (ref == 0) RunTimeError("Disposing nil object");
    auto found = g_objects.find(ref);
    if (found == g_objects.end()) RunTimeError("Internal failure: Object reference is NULL");
    tarn_dispatch* object = found->second.object;
    g_objects.erase(found);
    WindowFree(ref);
    StoreWord(VmSpan(var, 4), kUndefinedWord);
    ReleaseInterface(object);
    return StdOutcome::Continue;
}

StdOutcome PropertyGet(Regs& r, int&) { return MemberAccess(r, kPropertyGet); }
StdOutcome FunctionCall(Regs& r, int&) { return MemberAccess(r, kFunctionCall); }
StdOutcome ProcedureCall(Regs& r, int&) { return MemberAccess(r, kProcedureCall); }
StdOutcome PropertyPut(Regs& r, int&) { return MemberAccess(r, kPropertyPut); }

// 169 isnull: stack: a variant value; pushes 1 when it is null.
StdOutcome IsNull(Regs& r, int&) {
    VmValue v = PopVariant(r);
    Push(r, v.type == kVmNull ? 1 : 0);
    return StdOutcome::Continue;
}

// The end of a run: every object still held is released, newest first, then the servers
// are unloaded. A run that ends inside server code (a fault there) leaves them alone.
void ReleaseObjects() {
    if (!g_inServerCall) {
        std::vector<std::pair<uint32_t, tarn_dispatch*>> held;
        for (const auto& [addr, e] : g_objects) held.emplace_back(e.handle, e.object);
        std::sort(held.begin(), held.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        g_objects.clear();
        for (const auto& [handle, object] : held) ReleaseInterface(object);
        UnloadServers();
    }
    g_objects.clear();
    g_nextHandle = 1;
    g_registry = Registry{};
    g_registryLoaded = false;
}

}  // namespace

std::string KitRegistryFile() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&KitRegistryFile), &info) == 0 || info.dli_fname == nullptr) return {};
    std::string path = info.dli_fname;
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return path.substr(0, slash) + "/../share/tarn/automation.conf";
}

size_t LiveObjectCount() { return g_objects.size(); }

void RegisterObjectRoutines() {
    using vm::Std;
    struct Entry {
        Std n;
        StdRoutine routine;
    };
    static constexpr Entry kRoutines[] = {
        {Std::NewObject, NewObject},         {Std::ObjectRoutine152, DisposeObject}, {Std::IsNull, IsNull},
        {Std::CreateObject, CreateObject},   {Std::DisposeObject, DisposeObject},    {Std::ObjectGet, PropertyGet},
        {Std::ObjectFunctionCall, FunctionCall}, {Std::ObjectProcedureCall, ProcedureCall},
        {Std::ObjectPut, PropertyPut},
    };
    for (const Entry& e : kRoutines) RegisterStd(vm::Number(e.n), e.routine);
    AddReleaseHook(ReleaseObjects);
}

}  // namespace tarn::rt
