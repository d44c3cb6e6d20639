// Standard routine 144: calls of routines in shared libraries (see external.h and
// docs/external.md).
#include "runtime/external.h"

#include <dlfcn.h>
#include <ffi.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <memory>
#include <unordered_map>

#include <xmmintrin.h>

#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/stdroutines.h"
#include "runtime/window.h"
#include "vm/image.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

constexpr const char* kStackUnderflow = "Stack underflow";
constexpr const char* kInvalidKind = "Invalid Return type";
constexpr const char* kTooLarge = "External argument too large";

// libffi describes a record passed by value element by element; each byte is one element,
// so a by-value aggregate is bounded to keep that description (and the copy libffi makes
// on the host stack) small.
constexpr uint32_t kMaxAggregateBytes = 64 * 1024;

// A library name this long is left out of the load-failure message.
constexpr size_t kLoadMessageRoom = 275;
constexpr size_t kLoadMessageOverhead = 32;

// ---- Decoding ---------------------------------------------------------------------------

// Pops words and string values from a copy of the stack's top, never past its end.
class StackReader {
public:
    explicit StackReader(std::span<const uint8_t> stack) : stack_(stack) {}

    size_t Position() const { return at_; }
    size_t Remaining() const { return stack_.size() - at_; }

    bool Word(uint32_t& v) {
        if (Remaining() < 4) return false;
        std::memcpy(&v, stack_.data() + at_, 4);
        at_ += 4;
        return true;
    }

    // A string value: count word, then the characters padded to a multiple of 4. The
    // length limit is checked before the characters are looked at.
    const char* Name(std::string& name, size_t maxLength, const char* tooLong) {
        uint32_t count;
        if (!Word(count)) return kStackUnderflow;
        if (count > maxLength) return tooLong;
        uint64_t padded = vm::Align4(count);
        if (Remaining() < padded) return kStackUnderflow;
        name.assign(reinterpret_cast<const char*>(stack_.data() + at_), count);
        at_ += padded;
        return nullptr;
    }

    const char* Descriptor(TypeDescriptor& d) {
        uint32_t word;
        if (!Word(word)) return kStackUnderflow;
        uint32_t kind = word & ~kByReference;
        if (kind > static_cast<uint32_t>(ExternalKind::Single)) return kInvalidKind;
        d.kind = static_cast<ExternalKind>(kind);
        d.byReference = (word & kByReference) != 0;
        if (d.HasSizeWord() && !Word(d.size)) return kStackUnderflow;
        return nullptr;
    }

private:
    std::span<const uint8_t> stack_;
    size_t at_ = 0;
};

bool IsAggregate(ExternalKind k) { return k == ExternalKind::Array || k == ExternalKind::Record; }

// A parameter needs a value to pass; an aggregate passed by value needs at least one byte.
const char* CheckParameter(const TypeDescriptor& d) {
    if (d.kind == ExternalKind::None) return kInvalidKind;
    if (!d.byReference && d.HasSizeWord()) {
        if (d.size == 0) return kInvalidKind;
        if (d.size > kMaxAggregateBytes) return kTooLarge;
    }
    return nullptr;
}

const char* CheckResult(const TypeDescriptor& d) {
    if (d.byReference) return kInvalidKind;
    if (IsAggregate(d.kind) && d.size == 0) return kInvalidKind;
    if (IsAggregate(d.kind) && d.size > kMaxAggregateBytes) return kTooLarge;
    return nullptr;
}

}  // namespace

uint64_t TypeDescriptor::StackBytes() const {
    if (byReference) return 4;
    switch (kind) {
        case ExternalKind::None: return 0;
        case ExternalKind::Ordinal:
        case ExternalKind::Pointer:
        case ExternalKind::Single: return 4;
        case ExternalKind::Real: return 8;
        case ExternalKind::Array:
        case ExternalKind::Record:
        case ExternalKind::String: return (uint64_t{size} + 3) & ~uint64_t{3};
    }
    return 0;
}

DecodedCall DecodeCall(std::span<const uint8_t> stack) {
    DecodedCall d;
    CallDescription& c = d.call;
    StackReader in(stack);
    auto fail = [&d](const char* message) {
        d.error = message;
        return d;
    };

    if (!in.Word(c.convention)) return fail(kStackUnderflow);
    if (const char* e = in.Name(c.routine, kMaxRoutineName, "Function/Procedure name too long")) return fail(e);
    if (const char* e = in.Name(c.library, kMaxLibraryName, "Lib/DLL name too long")) return fail(e);
    if (const char* e = in.Descriptor(c.result)) return fail(e);
    if (const char* e = CheckResult(c.result)) return fail(e);

    uint32_t count;
    if (!in.Word(count)) return fail(kStackUnderflow);
    if (count > kMaxExternalParameters) return fail("Too many parameters");
    c.parameters.resize(count);
    uint64_t argumentBytes = 0;
    for (TypeDescriptor& p : c.parameters) {
        if (const char* e = in.Descriptor(p)) return fail(e);
        if (const char* e = CheckParameter(p)) return fail(e);
        argumentBytes += p.StackBytes();
    }

    uint64_t resultBytes = c.result.StackBytes();
    if (argumentBytes + resultBytes > in.Remaining()) return fail(kStackUnderflow);
    c.descriptionBytes = static_cast<uint32_t>(in.Position());
    c.argumentBytes = static_cast<uint32_t>(argumentBytes);
    c.resultBytes = static_cast<uint32_t>(resultBytes);
    return d;
}

namespace {

// ---- Libraries and routines -------------------------------------------------------------

// Loaded for the run: libraries by the name the program gave, routines by library name,
// a zero byte and the routine's name.
std::unordered_map<std::string, void*> g_libraries;
std::unordered_map<std::string, void*> g_routines;

// Set while a foreign routine runs: a fault or signal that ends the run then must not
// unload the library whose code is on the stack.
volatile std::sig_atomic_t g_inForeignCall = 0;

// dlerror's text without the library name it starts with (the message names it already).
std::string LoaderReason(const std::string& name) {
    const char* text = dlerror();
    if (text == nullptr) return {};
    std::string reason = text;
    if (reason.compare(0, name.size() + 2, name + ": ") == 0) reason.erase(0, name.size() + 2);
    return reason;
}

// dlopen sets no error code of its own (errno after a failure is unspecified, and differs
// between builds), so the loader's reason stands where a system error code would.
[[noreturn]] void CannotLoadLibrary(const std::string& name, const std::string& reason) {
    std::string shown = name.c_str();  // up to a zero character: the message is a C string
    std::string message = "Can not load ";
    message += name.size() + kLoadMessageOverhead >= kLoadMessageRoom ? "library" : "'" + shown + "'";
    if (!reason.empty()) message += " (" + reason + ")";
    RunTimeError(message.c_str());
}

void* Library(const std::string& name) {
    if (auto found = g_libraries.find(name); found != g_libraries.end()) return found->second;
    if (name.find('\0') != std::string::npos) CannotLoadLibrary(name, "the name holds a zero character");
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) CannotLoadLibrary(name, LoaderReason(name));
    g_libraries.emplace(name, handle);
    return handle;
}

// The routine by its name as given, then by "_" + name. The failure names the second
// lookup; with names bounded to 258 characters the message always has room for it.
void* Routine(const std::string& library, const std::string& name) {
    std::string key = library + '\0' + name;
    if (auto found = g_routines.find(key); found != g_routines.end()) return found->second;
    void* handle = Library(library);
    std::string lookup = "_" + name;
    void* address = nullptr;
    if (name.find('\0') == std::string::npos) {
        address = dlsym(handle, name.c_str());
        if (address == nullptr) address = dlsym(handle, lookup.c_str());
    }
    if (address == nullptr) RunTimeError(("Can not load " + lookup).c_str());
    g_routines.emplace(std::move(key), address);
    return address;
}

void RemoveFaultChain();

void ReleaseLibraries() {
    RemoveFaultChain();
    // Ending the run from inside a foreign routine (a fault it caused): its code is still
    // on the stack, and the process ends anyway.
    if (!g_inForeignCall) {
        for (auto& [name, handle] : g_libraries) dlclose(handle);
    }
    g_libraries.clear();
    g_routines.clear();
}

// ---- Pointers between the VM and the host -----------------------------------------------

// Host pointer for VM address addr, which must address at least n bytes the program owns;
// 0 is the null pointer.
void* HostPointer(uint32_t addr, uint64_t n) {
    if (addr == 0) return nullptr;
    return VmSpan(addr, std::max<uint64_t>(n, 1));
}

// VM address of a pointer a routine gave back: null is 0, a pointer at memory the program
// owns is its VM address, anything else (host memory, an unused part of the window) cannot
// be represented and stops the program.
uint32_t VmAddress(const void* p) {
    if (p == nullptr) return 0;
    if (InWindow(p)) {
        uint64_t offset = static_cast<const uint8_t*>(p) - Mem();
        if (offset <= UINT32_MAX && VmRoom(static_cast<uint32_t>(offset)) > 0) return static_cast<uint32_t>(offset);
    }
    RunTimeError("External routine returned a pointer outside VM memory");
}

// ---- The native call --------------------------------------------------------------------

union Scalar {
    int32_t i;
    float f;
    double d;
    void* p;
    ffi_arg word;
};

// A variable parameter of a pointer type: the routine sees a host pointer variable, whose
// final value goes back into the VM variable as a VM address.
struct PointerVariable {
    uint32_t vmVariable;
    size_t slot;  // index into NativeCall::scalars of the host pointer
};

// A record, array or string passed by value: libffi describes it as a structure of bytes.
struct ByteStructure {
    std::vector<ffi_type*> elements;
    ffi_type type{};

    explicit ByteStructure(uint32_t size) : elements(size + 1, &ffi_type_uint8) {
        elements[size] = nullptr;
        type.type = FFI_TYPE_STRUCT;
        type.elements = elements.data();
    }
};

struct NativeCall {
    std::vector<ffi_type*> types;
    std::vector<void*> values;
    std::vector<Scalar> scalars;           // one per parameter, plus the original pointers
    std::vector<uint8_t> block;            // host copy of the argument block
    std::vector<std::unique_ptr<ByteStructure>> structures;
    std::vector<PointerVariable> pointerVariables;
    std::vector<void*> passedPointers;     // what each pointer variable held before the call
};

ffi_type* ByteStructureType(NativeCall& n, uint32_t size) {
    n.structures.push_back(std::make_unique<ByteStructure>(size));
    return &n.structures.back()->type;
}

// Bytes a by-reference argument must address: what the routine may read or write there.
uint64_t ReferencedBytes(const TypeDescriptor& d) {
    switch (d.kind) {
        case ExternalKind::Real: return 8;
        case ExternalKind::Array:
        case ExternalKind::Record:
        case ExternalKind::String: return d.size;
        default: return 4;
    }
}

void AddReference(NativeCall& n, const TypeDescriptor& d, uint32_t addr, size_t slot) {
    Scalar& s = n.scalars[slot];
    if (d.kind == ExternalKind::Pointer && addr != 0) {
        // The VM variable holds a VM address; the routine gets a host pointer variable.
        uint32_t value = LoadWord(VmSpan(addr, 4));
        void* host = value != 0 && VmRoom(value) > 0 ? Mem() + value : nullptr;
        n.passedPointers.push_back(host);
        n.scalars.push_back(Scalar{.p = host});
        n.pointerVariables.push_back({addr, n.scalars.size() - 1});
        s.p = &n.scalars.back().p;
    } else {
        s.p = HostPointer(addr, ReferencedBytes(d));
    }
    n.types.push_back(&ffi_type_pointer);
    n.values.push_back(&s);
}

void AddValue(NativeCall& n, const TypeDescriptor& d, const uint8_t* arg, size_t slot) {
    Scalar& s = n.scalars[slot];
    ffi_type* type = nullptr;
    switch (d.kind) {
        case ExternalKind::Ordinal: std::memcpy(&s.i, arg, 4); type = &ffi_type_sint32; break;
        case ExternalKind::Pointer: s.p = HostPointer(LoadWord(arg), 1); type = &ffi_type_pointer; break;
        case ExternalKind::Real: std::memcpy(&s.d, arg, 8); type = &ffi_type_double; break;
        case ExternalKind::Single: std::memcpy(&s.f, arg, 4); type = &ffi_type_float; break;
        case ExternalKind::Array:
        case ExternalKind::Record:
        case ExternalKind::String:
            n.types.push_back(ByteStructureType(n, d.size));
            n.values.push_back(const_cast<uint8_t*>(arg));
            return;
        case ExternalKind::None: break;
    }
    n.types.push_back(type);
    n.values.push_back(&s);
}

// Copies the argument block out of VM memory and describes each argument to libffi.
// Scalars get room for every parameter and every pointer variable up front, so the
// addresses handed to libffi stay valid.
void PrepareArguments(NativeCall& n, const CallDescription& c, uint32_t argumentsAt) {
    size_t count = c.parameters.size();
    const uint8_t* block = VmSpan(argumentsAt, c.argumentBytes);
    n.block.assign(block, block + c.argumentBytes);
    n.scalars.reserve(2 * count);
    n.scalars.resize(count);
    n.types.reserve(count);
    n.values.reserve(count);
    uint32_t offset = 0;
    for (size_t i = 0; i < count; ++i) {
        const TypeDescriptor& d = c.parameters[i];
        const uint8_t* arg = n.block.data() + offset;
        if (d.byReference) AddReference(n, d, LoadWord(arg), i);
        else AddValue(n, d, arg, i);
        offset += static_cast<uint32_t>(d.StackBytes());
    }
}

ffi_type* ResultType(NativeCall& n, const TypeDescriptor& d) {
    switch (d.kind) {
        case ExternalKind::None: return &ffi_type_void;
        case ExternalKind::Ordinal: return &ffi_type_sint32;
        case ExternalKind::Pointer:
        case ExternalKind::String: return &ffi_type_pointer;
        case ExternalKind::Real: return &ffi_type_double;
        case ExternalKind::Single: return &ffi_type_float;
        case ExternalKind::Array:
        case ExternalKind::Record: return ByteStructureType(n, d.size);
    }
    return &ffi_type_void;
}

// ---- Faults and the floating-point environment around the call -------------------------

// A fault inside a foreign routine is the program's run-time error, wherever it lands (the
// engine's own handler would call a fault outside the VM window an internal error). The
// handler is installed at the first call of a run, in front of the handler that was there,
// and stays until the run ends: swapping handlers around every call would cost four
// system calls per call.
struct FaultChain {
    bool installed = false;
    struct sigaction previous[2];  // SIGSEGV, SIGBUS
};

FaultChain g_faultChain;

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS};
int ChainIndex(int sig) { return sig == SIGSEGV ? 0 : 1; }

void OnFault(int sig, siginfo_t* info, void* context) {
    if (g_inForeignCall) RunTimeError("Invalid memory access");
    // Not in a foreign routine: the handler that was there before decides.
    const struct sigaction& previous = g_faultChain.previous[ChainIndex(sig)];
    if (previous.sa_flags & SA_SIGINFO) {
        previous.sa_sigaction(sig, info, context);
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(sig);
    } else {
        // The default action: a hardware fault repeats when this handler returns, a sent
        // signal has to be raised again.
        sigaction(sig, &previous, nullptr);
        if (info->si_code <= 0) raise(sig);
    }
}

void InstallFaultChain() {
    if (g_faultChain.installed) return;
    struct sigaction sa{};
    sa.sa_sigaction = OnFault;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&sa.sa_mask);
    for (int sig : kFaultSignals) sigaction(sig, &sa, &g_faultChain.previous[ChainIndex(sig)]);
    g_faultChain.installed = true;
}

// Puts the previous handlers back, unless someone replaced this one in the meantime (the
// engine removes its own handler at the end of a run too, in either order).
void RemoveFaultChain() {
    if (!g_faultChain.installed) return;
    for (int sig : kFaultSignals) {
        struct sigaction current{};
        sigaction(sig, nullptr, &current);
        if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == OnFault)
            sigaction(sig, &g_faultChain.previous[ChainIndex(sig)], nullptr);
    }
    g_faultChain.installed = false;
}

// The floating-point control state a routine could change: SSE's MXCSR (rounding, trap
// masks, flags) and the x87 control word. Saving just these two registers does what
// fegetenv/fesetenv would, without the slow x87 environment store, which took a third of
// the time of a call.
struct FpControl {
    uint32_t mxcsr;
    uint16_t x87;
};

FpControl SaveFpControl() {
    FpControl c;
    c.mxcsr = _mm_getcsr();
    asm volatile("fnstcw %0" : "=m"(c.x87));
    return c;
}

void RestoreFpControl(const FpControl& c) {
    asm volatile("fnclex\n\tfldcw %0" : : "m"(c.x87));
    _mm_setcsr(c.mxcsr);
}

// Puts the routine's result into the result space at the new stack top.
void StoreResult(const TypeDescriptor& d, const void* rvalue, uint32_t at) {
    Scalar r;
    std::memcpy(&r, rvalue, sizeof r);
    switch (d.kind) {
        case ExternalKind::None: return;
        case ExternalKind::Ordinal: StoreWord(VmSpan(at, 4), static_cast<uint32_t>(r.word)); return;
        case ExternalKind::Pointer: StoreWord(VmSpan(at, 4), VmAddress(r.p)); return;
        case ExternalKind::Real: StoreReal(VmSpan(at, 8), r.d); return;
        case ExternalKind::Single: std::memcpy(VmSpan(at, 4), &r.f, 4); return;
        case ExternalKind::Array:
        case ExternalKind::Record: std::memcpy(VmSpan(at, d.size), rvalue, d.size); return;
        case ExternalKind::String: {
            // A zero-terminated string, cut to the space (a null pointer is the empty string).
            if (d.size == 0) return;
            const char* text = static_cast<const char*>(r.p);
            size_t length = text ? strnlen(text, d.size - 1) : 0;
            uint8_t* space = VmSpan(at, d.size);
            if (length) std::memmove(space, text, length);
            space[length] = 0;
            return;
        }
    }
}

StdOutcome CallExternal(Regs& regs, int&) {
    uint32_t top = g_engine.stackTop;
    if (regs.sp > top) RunTimeError(kStackUnderflow);
    const uint8_t* stack = VmSpan(regs.sp, top - regs.sp);
    DecodedCall decoded = DecodeCall({stack, top - regs.sp});
    if (decoded.error) RunTimeError(decoded.error);
    const CallDescription& c = decoded.call;
    uint32_t argumentsAt = regs.sp + c.descriptionBytes;

    NativeCall n;
    PrepareArguments(n, c, argumentsAt);
    ffi_type* resultType = ResultType(n, c.result);
    void* routine = Routine(c.library, c.routine);

    ffi_cif cif;
    if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, static_cast<unsigned>(n.types.size()), resultType, n.types.data()) != FFI_OK)
        RunTimeError(kInvalidKind);
    // Room for any result: a register pair, a scalar widened to ffi_arg, or the structure.
    std::vector<uint64_t> rvalue(std::max<size_t>(4, (size_t{c.result.size} + 7) / 8 + 2), 0);
    {
        ForeignCallGuard guard;
        ffi_call(&cif, FFI_FN(routine), rvalue.data(), n.values.data());
    }

    for (size_t i = 0; i < n.pointerVariables.size(); ++i) {
        const PointerVariable& v = n.pointerVariables[i];
        void* now = n.scalars[v.slot].p;
        if (now == n.passedPointers[i]) continue;  // untouched: the VM value stays as it was
        StoreWord(VmSpan(v.vmVariable, 4), VmAddress(now));
    }
    regs.sp = argumentsAt + c.argumentBytes;
    StoreResult(c.result, rvalue.data(), regs.sp);
    return StdOutcome::Continue;
}

}  // namespace

// The floating-point state the routine leaves behind (rounding, masked traps, raised flags)
// does not leak into the program. The traps the run enabled stay on during the call, so a
// floating-point fault in the library raises SIGFPE, which the launcher reports as
// "Invalid arithmetic".
ForeignCallGuard::ForeignCallGuard() {
    const FpControl saved = SaveFpControl();
    mxcsr_ = saved.mxcsr;
    x87_ = saved.x87;
    InstallFaultChain();
    g_inForeignCall = 1;
}

ForeignCallGuard::~ForeignCallGuard() {
    g_inForeignCall = 0;
    RestoreFpControl(FpControl{mxcsr_, x87_});
}

void RegisterExternalRoutines() {
    RegisterStd(vm::Number(vm::Std::ExternalCall), CallExternal);
    AddReleaseHook(ReleaseLibraries);
}

size_t LoadedLibraryCount() { return g_libraries.size(); }

}  // namespace tarn::rt
