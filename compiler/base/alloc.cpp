// The tracked allocator. Blocks are carved from large zero-filled chunks; the chunks are
// linked into a list of live chunks so that ReleaseAll can free them all at the end of a
// compilation. A large compilation makes millions of small records and never frees one,
// so one malloc per record (and one free each at the end) cost more than the whole
// parse; bumping a pointer inside a chunk costs next to nothing, and alloc.h inlines it.
//
// Guarded blocks (option zdm) carry a small header in front of them that links them into
// a list of their own, so CheckGuardWords can find every guard word.
#include "compiler/base/alloc.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define TARN_ASAN_ARENA 1
#endif

namespace tarn::tpc {

namespace {

constexpr size_t ALIGN = alignof(std::max_align_t);
constexpr size_t FIRST_CHUNK = 64 * 1024;  // a small compilation stays small
constexpr size_t LARGEST_CHUNK = 8 * 1024 * 1024;
constexpr size_t HUGE_PAGE = 2 * 1024 * 1024;
// No request beyond this can be met, and the sums that place a block (header, guard word,
// rounding) must not wrap around.
constexpr size_t LARGEST_BLOCK = PTRDIFF_MAX / 2;
#ifdef TARN_ASAN_ARENA
// Poisoned gap behind every block, so a write past a block still trips the sanitizer.
constexpr size_t RED_ZONE = 16;
#else
constexpr size_t RED_ZONE = 0;
#endif

constexpr size_t RoundUp(size_t n) { return (n + ALIGN - 1) & ~(ALIGN - 1); }
constexpr size_t RoundUp8(size_t n) { return (n + 7) & ~size_t{7}; }

// A type's size is a multiple of its alignment, so a block whose size is not a multiple
// of 16 cannot hold anything that needs more than 8; 8-byte steps save a tenth of the
// memory of a large compilation, whose records are mostly 64 to 88 bytes.
constexpr size_t BlockAlign(size_t size) { return size % ALIGN == 0 ? ALIGN : 8; }

struct Chunk {
    Chunk* next;
    size_t size;       // bytes behind the header
    size_t mapped;     // bytes mapped for the chunk, header included; 0: from calloc
};
constexpr size_t CHUNK_HEADER = RoundUp(sizeof(Chunk));

// In front of every block allocated in guard mode.
struct GuardedBlock {
    GuardedBlock* next;
    size_t size;       // bytes the caller asked for; the guard word follows them
};
constexpr size_t GUARD_HEADER = RoundUp(sizeof(GuardedBlock));

Chunk* gChunks = nullptr;        // every live chunk, newest first
size_t gNextChunk = FIRST_CHUNK;
GuardedBlock* gGuarded = nullptr;
uint32_t gMode = 0;
OutOfMemoryHandler gHandler = DefaultOutOfMemory;
int gFailures = 0;         // test seam: allocations still to fail

using alloc_internal::gCursor;

void UpdateScratch();

// Plain blocks may be carved inline unless a debug mode or a pending test failure needs
// the slow path; the sanitizer build always takes it, to place its red zones.
void UpdateFastPath() {
    const bool plain = (gMode & (ALLOC_FILL | ALLOC_GUARD)) == 0 || gMode == ALLOC_RELEASED;
    gCursor.fast = plain && gFailures == 0 && RED_ZONE == 0;
    UpdateScratch();
}

// The handlers do not return (they exit or throw); should one return anyway, stop here
// rather than hand out a null block.
[[noreturn]] void OutOfMemory() {
    gHandler(0);
    std::abort();
}

// Big chunks are mapped on a huge-page boundary, so that a system that backs all anonymous
// memory with huge pages can use them. They are not madvise'd for huge pages: with the
// usual "defrag on madvise" setting the kernel then compacts memory synchronously on the
// first touch, which made a cold compilation two to three times slower than a warm one.
// Mapped memory arrives zero-filled. `bytes` is a multiple of HUGE_PAGE.
Chunk* MapChunk(size_t bytes) {
    void* p = mmap(nullptr, bytes + HUGE_PAGE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                   -1, 0);
    if (p == MAP_FAILED) return nullptr;
    auto* base = static_cast<unsigned char*>(p);
    auto* aligned = reinterpret_cast<unsigned char*>(
        (reinterpret_cast<uintptr_t>(base) + HUGE_PAGE - 1) & ~(uintptr_t{HUGE_PAGE} - 1));
    if (aligned > base) munmap(base, static_cast<size_t>(aligned - base));
    const size_t tail = static_cast<size_t>(base + bytes + HUGE_PAGE - (aligned + bytes));
    if (tail > 0) munmap(aligned + bytes, tail);
    return reinterpret_cast<Chunk*>(aligned);
}

// A new zero-filled chunk with room for at least `need` bytes, linked into the live list.
// Requests too big for the usual chunk size get a chunk of their own, and the current
// chunk stays current so its remaining room is not lost.
unsigned char* NewChunk(size_t need, bool makeCurrent) {
    size_t bytes = RoundUp(CHUNK_HEADER + need);  // header included
    if (makeCurrent && bytes < gNextChunk) bytes = gNextChunk;
    const bool mapped = bytes >= HUGE_PAGE;
    if (mapped) bytes = (bytes + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    Chunk* chunk = mapped ? MapChunk(bytes) : static_cast<Chunk*>(std::calloc(1, bytes));
    if (!chunk) OutOfMemory();
    *chunk = {gChunks, bytes - CHUNK_HEADER, mapped ? bytes : 0};
    gChunks = chunk;
    auto* start = reinterpret_cast<unsigned char*>(chunk) + CHUNK_HEADER;
#ifdef TARN_ASAN_ARENA
    ASAN_POISON_MEMORY_REGION(start, chunk->size);
#endif
    if (makeCurrent) {
        gCursor.free = start;
        gCursor.end = start + chunk->size;
        if (gNextChunk < LARGEST_CHUNK) gNextChunk *= 2;
    }
    return start;
}

// `bytes` of zero-filled room aligned to `align` (8 or 16).
unsigned char* Carve(size_t bytes, size_t align) {
    // Empty requests still take room, so no two blocks share an address.
    const size_t need = RoundUp8((bytes ? bytes : 1) + RED_ZONE);
    auto* p = reinterpret_cast<unsigned char*>(
        (reinterpret_cast<uintptr_t>(gCursor.free) + align - 1) & ~(align - 1));
    if (gCursor.free && static_cast<size_t>(gCursor.end - p) >= need) {
        gCursor.free = p + need;
        return p;
    }
    if (need > gNextChunk / 4) return NewChunk(need, false);
    p = NewChunk(need, true);
    gCursor.free += need;
    return p;
}

// The scratch region: address space reserved once and reused by every statement; only the
// pages the largest statement touched are ever backed by memory. A statement that needs
// more than this gets tracked records for the rest.
constexpr size_t SCRATCH_BYTES = 256 * 1024 * 1024;

using alloc_internal::gScratch;
unsigned char* gScratchHigh = nullptr;   // the highest top so far
bool gScratchRefused = false;            // the reservation failed: no scratch records

void UpdateScratch() {
    const bool plain = (gMode & (ALLOC_FILL | ALLOC_GUARD)) == 0 || gMode == ALLOC_RELEASED;
    gScratch.on = gScratch.base && gScratch.depth > 0 && gScratch.suspended == 0 && plain &&
                  gFailures == 0;
    gScratch.fast = gScratch.on && RED_ZONE == 0;
}

void ReserveScratch() {
    if (gScratch.base || gScratchRefused) return;
    void* p = mmap(nullptr, SCRATCH_BYTES, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) {
        gScratchRefused = true;
        return;
    }
    gScratch.base = gScratch.free = gScratch.floor = gScratchHigh = static_cast<unsigned char*>(p);
    gScratch.end = gScratch.base + SCRATCH_BYTES;
#ifdef TARN_ASAN_ARENA
    ASAN_POISON_MEMORY_REGION(gScratch.base, SCRATCH_BYTES);
#endif
}

}  // namespace

namespace alloc_internal {
Cursor gCursor = {nullptr, nullptr, 0, RED_ZONE == 0};
Scratch gScratch = {nullptr, nullptr, nullptr, nullptr, 0, 0, false, false};
}

void* ScratchAllocSlow(size_t size) {
    if (gScratch.on && size <= SCRATCH_BYTES) {
        const size_t align = BlockAlign(size);
        const size_t need = RoundUp8((size ? size : 1) + RED_ZONE);
        auto* p = reinterpret_cast<unsigned char*>(
            (reinterpret_cast<uintptr_t>(gScratch.free) + align - 1) & ~(align - 1));
        if (need <= static_cast<size_t>(gScratch.end - p)) {
            gScratch.free = p + need;
#ifdef TARN_ASAN_ARENA
            ASAN_UNPOISON_MEMORY_REGION(p, size);
#endif
            return p;
        }
    }
    return TrackedAlloc(size);
}

ScratchScope::ScratchScope() : exceptions_(std::uncaught_exceptions()) {
    ReserveScratch();
    mark_ = gScratch.free;
    outerFloor_ = gScratch.floor;
    gScratch.floor = gScratch.free;
    ++gScratch.depth;
    UpdateScratch();
}

ScratchScope::~ScratchScope() {
    if (gScratch.depth == 0) return;   // ReleaseAll ran in between
    if (gScratch.free > gScratchHigh) gScratchHigh = gScratch.free;
    // A FATAL message unwinding the parse leaves scopes open whose bindings may still be
    // reached: their records stay until the compilation is released.
    const bool abandoned = std::uncaught_exceptions() > exceptions_;
#ifdef TARN_ASAN_ARENA
    if (!abandoned && gScratch.free > mark_)
        ASAN_POISON_MEMORY_REGION(mark_, gScratch.free - mark_);
#endif
    if (!abandoned) gScratch.free = mark_;
    gScratch.floor = outerFloor_;
    --gScratch.depth;
    UpdateScratch();
}

ScratchSuspend::ScratchSuspend() {
    ++gScratch.suspended;
    UpdateScratch();
}

ScratchSuspend::~ScratchSuspend() {
    if (gScratch.suspended > 0) --gScratch.suspended;
    UpdateScratch();
}

size_t ScratchHighWater() {
    unsigned char* high = gScratch.free > gScratchHigh ? gScratch.free : gScratchHigh;
    return gScratch.base ? static_cast<size_t>(high - gScratch.base) : 0;
}

void DefaultOutOfMemory(int code) {
    std::fputs(code == 0 ? "ERROR: Out of memory.\n" : "ERROR: Undefined exception.\n", stdout);
    std::fflush(stdout);
    std::exit(1);
}

void SetOutOfMemoryHandler(OutOfMemoryHandler handler) {
    gHandler = handler ? handler : DefaultOutOfMemory;
}

void* TrackedAllocSlow(size_t size) {
    if (gFailures > 0) {
        --gFailures;
        UpdateFastPath();
        OutOfMemory();
    }
    if (size > LARGEST_BLOCK) OutOfMemory();
    const bool guard = (gMode & ALLOC_GUARD) != 0 && gMode != ALLOC_RELEASED;
    const bool fill = (gMode & ALLOC_FILL) != 0 && gMode != ALLOC_RELEASED;
    unsigned char* block;
    if (guard) {
        unsigned char* room = Carve(GUARD_HEADER + size + sizeof ALLOC_GUARD_WORD, ALIGN);
#ifdef TARN_ASAN_ARENA
        ASAN_UNPOISON_MEMORY_REGION(room, GUARD_HEADER + size + sizeof ALLOC_GUARD_WORD);
#endif
        auto* rec = reinterpret_cast<GuardedBlock*>(room);
        *rec = {gGuarded, size};
        gGuarded = rec;
        block = room + GUARD_HEADER;
        std::memcpy(block + size, &ALLOC_GUARD_WORD, sizeof ALLOC_GUARD_WORD);
    } else {
        block = Carve(size, BlockAlign(size));
#ifdef TARN_ASAN_ARENA
        ASAN_UNPOISON_MEMORY_REGION(block, size);
#endif
    }
    // Chunks arrive zero-filled and no byte is handed out twice, so only fill mode writes.
    if (fill) std::memset(block, ALLOC_FILL_BYTE, size);
    ++gCursor.live;
    return block;
}

uint64_t gReleases = 0;

uint64_t ReleaseGeneration() { return gReleases; }

void ReleaseAll() {
    ++gReleases;
    while (gChunks) {
        Chunk* next = gChunks->next;
#ifdef TARN_ASAN_ARENA
        ASAN_UNPOISON_MEMORY_REGION(reinterpret_cast<unsigned char*>(gChunks) + CHUNK_HEADER,
                                    gChunks->size);
#endif
        if (gChunks->mapped) munmap(gChunks, gChunks->mapped);
        else std::free(gChunks);
        gChunks = next;
    }
    gCursor.free = gCursor.end = nullptr;
    gCursor.live = 0;
    gNextChunk = FIRST_CHUNK;
    gGuarded = nullptr;
    gMode = ALLOC_RELEASED;
    // The scratch region stays reserved for the next compilation; its pages go back.
    if (gScratch.base) {
        if (gScratch.free > gScratchHigh) gScratchHigh = gScratch.free;
        madvise(gScratch.base, static_cast<size_t>(gScratchHigh - gScratch.base), MADV_DONTNEED);
#ifdef TARN_ASAN_ARENA
        ASAN_POISON_MEMORY_REGION(gScratch.base, SCRATCH_BYTES);
#endif
        gScratch.free = gScratch.floor = gScratchHigh = gScratch.base;
    }
    gScratch.depth = gScratch.suspended = 0;
    UpdateFastPath();
}

size_t CheckGuardWords() {
    size_t damaged = 0;
    for (const GuardedBlock* r = gGuarded; r; r = r->next) {
        uint32_t word;
        std::memcpy(&word, reinterpret_cast<const unsigned char*>(r) + GUARD_HEADER + r->size,
                    sizeof word);
        if (word != ALLOC_GUARD_WORD) ++damaged;
    }
    return damaged;
}

uint32_t AllocMode() { return gMode; }

void SetAllocMode(uint32_t mode) {
    gMode = mode;
    UpdateFastPath();
}

size_t LiveBlocks() { return gCursor.live; }

void FailNextAllocations(int count) {
    gFailures = count;
    UpdateFastPath();
}

}  // namespace tarn::tpc
