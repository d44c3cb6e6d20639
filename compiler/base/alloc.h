// The tracked allocator: every compiler record and buffer block comes from here, is
// carved from a recorded chunk, and is released together with all others when a
// compilation ends. Nothing is freed singly. Under option zdm (mode 15) new blocks are
// filled with 0xA5 and carry a guard word right behind them that CheckGuardWords verifies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace tarn::tpc {

constexpr uint32_t ALLOC_FILL = 0x1;       // fill new blocks with 0xA5
constexpr uint32_t ALLOC_GUARD = 0x8;      // guard word behind every block
constexpr uint32_t ALLOC_DEBUG = 0xF;      // the mode option zdm selects
constexpr uint32_t ALLOC_RELEASED = 4;     // mode after ReleaseAll
constexpr uint8_t ALLOC_FILL_BYTE = 0xA5;
constexpr uint32_t ALLOC_GUARD_WORD = 0x5A17C0DE;

// The current chunk's cursor, so that TrackedAlloc's common case can be inlined.
namespace alloc_internal {
struct Cursor {
    unsigned char* free;   // the unused rest of the current chunk
    unsigned char* end;
    size_t live;           // LiveBlocks
    bool fast;             // no debug mode, no test failure pending, no sanitizer
};
extern Cursor gCursor;
}  // namespace alloc_internal

void* TrackedAllocSlow(size_t size);   // everything else: new chunks, zdm, test seam

// Returns a block of `size` bytes (never null: when memory runs out the out-of-memory
// handler runs, and the installed handlers do not return). A block is aligned to 16
// bytes when its size is a multiple of 16, else to 8: enough for any type of that size.
inline void* TrackedAlloc(size_t size) {
    alloc_internal::Cursor& c = alloc_internal::gCursor;
    if (c.fast) {   // alignment and 8-byte steps as Carve in alloc.cpp
        const uintptr_t align = size % 16 == 0 ? 16 : 8;
        auto* p = reinterpret_cast<unsigned char*>(
            (reinterpret_cast<uintptr_t>(c.free) + align - 1) & ~(align - 1));
        const size_t need = size == 0 ? 8 : (size + 7) & ~size_t{7};
        // A size within 7 of SIZE_MAX rounds to 0: the slow path refuses it.
        if (c.free && need >= size && need <= static_cast<size_t>(c.end - p)) {
            c.free = p + need;
            ++c.live;
            return p;
        }
    }
    return TrackedAllocSlow(size);
}

// A zero-filled block for a record; T must be trivially destructible because records
// are never destroyed, only released with everything else.
template <class T, class... Args>
T* TrackedNew(Args&&... args) {
    static_assert(std::is_trivially_destructible_v<T>, "tracked records are never destroyed");
    void* p = TrackedAlloc(sizeof(T));
    return new (p) T{std::forward<Args>(args)...};
}

// ---- Scratch records ---------------------------------------------------------------
//
// The records of a statement's expressions (expressions, factors, variable accesses,
// constants and their one-value types, actual parameters and the lists that hold them)
// are dead once the statement's code has been generated, and a routine's local
// declarations (types, variables, bindings, nested routines) once its scope is closed:
// nothing outside keeps a pointer to them. They are carved from a second region, the
// scratch region, which works as a stack: a ScratchScope marks its top when a statement
// or a routine's block starts and cuts it back when it ends, so the next one reuses the
// same (cache-warm) memory and a large program needs no more of it than its largest
// routine.
//
// ScratchNew gives a scratch record only inside a ScratchScope and outside a
// ScratchSuspend (which lazy finishing of declarations takes, since what it makes is kept
// by declaration records); elsewhere, and under option zdm, it is TrackedNew. A scratch
// record may point to anything older than itself, never the other way round: a longer-lived
// record must not keep a pointer to one.
namespace alloc_internal {
struct Scratch {
    unsigned char* free;   // top of the stack
    unsigned char* end;    // end of the reserved region
    unsigned char* base;   // start of the region (null until first used)
    unsigned char* floor;  // the innermost scope's mark
    int depth;             // open ScratchScopes
    int suspended;         // open ScratchSuspends
    bool on;               // scratch records are being given
    bool fast;             // ... and may be carved inline (no sanitizer red zones)
};
extern Scratch gScratch;
}  // namespace alloc_internal

void* ScratchAllocSlow(size_t size);

// A block from the scratch region when scratch records are being given, else TrackedAlloc.
// Unlike TrackedAlloc's, the block is not zero-filled (ScratchNew value-initialises).
inline void* ScratchAlloc(size_t size) {
    alloc_internal::Scratch& s = alloc_internal::gScratch;
    if (s.fast) {
        const uintptr_t align = size % 16 == 0 ? 16 : 8;
        auto* p = reinterpret_cast<unsigned char*>(
            (reinterpret_cast<uintptr_t>(s.free) + align - 1) & ~(align - 1));
        const size_t need = size == 0 ? 8 : (size + 7) & ~size_t{7};
        if (need >= size && need <= static_cast<size_t>(s.end - p)) {
            s.free = p + need;
            return p;
        }
    }
    return ScratchAllocSlow(size);
}

// A zero-filled record, as TrackedNew's: the scratch region's memory is reused, and value
// initialisation alone leaves the tail of a union (beyond its first member) as it was.
template <class T, class... Args>
T* ScratchNew(Args&&... args) {
    static_assert(std::is_trivially_destructible_v<T>, "scratch records are never destroyed");
    void* p = ScratchAlloc(sizeof(T));
    std::memset(p, 0, sizeof(T));
    return new (p) T{std::forward<Args>(args)...};
}

// Open ScratchScopes: the records of a scope opened at this depth are the scratch records
// of the innermost one.
inline int ScratchDepth() { return alloc_internal::gScratch.depth; }

// Whether p lies in the scratch region.
inline bool IsScratch(const void* p) {
    const alloc_internal::Scratch& s = alloc_internal::gScratch;
    auto* q = static_cast<const unsigned char*>(p);
    return q >= s.base && q < s.end;
}

// Whether p is a scratch record of the innermost ScratchScope (so that what hangs from it
// may be a scratch record too).
inline bool IsInnermostScratch(const void* p) {
    const alloc_internal::Scratch& s = alloc_internal::gScratch;
    auto* q = static_cast<const unsigned char*>(p);
    return q >= s.floor && q < s.free;
}

// One statement: scratch records made while it is open are released when it closes.
class ScratchScope {
public:
    ScratchScope();
    ~ScratchScope();
    ScratchScope(const ScratchScope&) = delete;
    ScratchScope& operator=(const ScratchScope&) = delete;

private:
    unsigned char* mark_;
    unsigned char* outerFloor_;
    int exceptions_;   // uncaught exceptions when opened
};

// While one is open, ScratchNew gives tracked records.
class ScratchSuspend {
public:
    ScratchSuspend();
    ~ScratchSuspend();
    ScratchSuspend(const ScratchSuspend&) = delete;
    ScratchSuspend& operator=(const ScratchSuspend&) = delete;
};

// Bytes of the scratch region in use at most so far (for the benchmarks).
size_t ScratchHighWater();

// Frees every tracked block and sets the mode to ALLOC_RELEASED.
void ReleaseAll();

// How many times ReleaseAll has run: a module that keeps tracked records for reuse across
// compilations drops them when this changes.
uint64_t ReleaseGeneration();

uint32_t AllocMode();
void SetAllocMode(uint32_t mode);   // option zdm: ALLOC_DEBUG when on, 0 when off
size_t LiveBlocks();                // blocks handed out and not yet released

// Counts the guard words that no longer hold ALLOC_GUARD_WORD (a write behind the end
// of a block). Blocks allocated outside guard mode are not checked.
size_t CheckGuardWords();

// Called with code 0 when an allocation fails. The start-up handler prints
// "ERROR: Out of memory.\n" (any other code: "ERROR: Undefined exception.\n") and ends
// the process with exit code 1; InitMessages installs one that issues message 10.
using OutOfMemoryHandler = void (*)(int code);
void SetOutOfMemoryHandler(OutOfMemoryHandler handler);
void DefaultOutOfMemory(int code);

// Test seam: makes the next `count` allocations fail as if memory had run out.
void FailNextAllocations(int count);

}  // namespace tarn::tpc
