// The tracked allocator: every compiler record and buffer block comes from here, is
// carved from a recorded chunk, and is released together with all others when a
// compilation ends. Nothing is freed singly. Under option zdm (mode 15) new blocks are
// filled with 0xA5 and carry a guard word right behind them that CheckGuardWords verifies.
#pragma once

#include <cstddef>
#include <cstdint>
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

// Frees every tracked block and sets the mode to ALLOC_RELEASED.
void ReleaseAll();

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
