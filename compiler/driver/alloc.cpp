// The tracked allocator. Blocks are carved from large zero-filled chunks; the chunks are
// linked into a list of live chunks so that ReleaseAll can free them all at the end of a
// compilation. A compilation makes a few hundred thousand small records and never frees
// one, so one malloc per record (and one free each at the end) cost more than the whole
// parse; bumping a pointer inside a chunk costs next to nothing.
//
// Guarded blocks (option zdm) carry a small header in front of them that links them into
// a list of their own, so CheckGuardWords can find every guard word.
#include "compiler/driver/alloc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define TARN_ASAN_ARENA 1
#endif

namespace tarn::tpc {

namespace {

constexpr size_t kAlign = alignof(std::max_align_t);
constexpr size_t kFirstChunk = 64 * 1024;         // a small compilation stays small
constexpr size_t kLargestChunk = 8 * 1024 * 1024;
constexpr size_t kHugePage = 2 * 1024 * 1024;
#ifdef TARN_ASAN_ARENA
// Poisoned gap behind every block, so a write past a block still trips the sanitizer.
constexpr size_t kRedZone = 16;
#else
constexpr size_t kRedZone = 0;
#endif

constexpr size_t RoundUp(size_t n) { return (n + kAlign - 1) & ~(kAlign - 1); }
constexpr size_t RoundUp8(size_t n) { return (n + 7) & ~size_t{7}; }

// A type's size is a multiple of its alignment, so a block whose size is not a multiple
// of 16 cannot hold anything that needs more than 8; 8-byte steps save a tenth of the
// memory of a large compilation, whose records are mostly 72 or 88 bytes.
constexpr size_t BlockAlign(size_t size) { return size % kAlign == 0 ? kAlign : 8; }

struct Chunk {
    Chunk* next;
    size_t size;       // bytes behind the header
    size_t mapped;     // bytes mapped for the chunk, 0 when it came from malloc
};
constexpr size_t kChunkHeader = RoundUp(sizeof(Chunk));

// In front of every block allocated in guard mode.
struct GuardedBlock {
    GuardedBlock* next;
    size_t size;       // bytes the caller asked for; the guard word follows them
};
constexpr size_t kGuardHeader = RoundUp(sizeof(GuardedBlock));

Chunk* gChunks = nullptr;        // every live chunk, newest first
unsigned char* gFree = nullptr;  // the unused rest of the current chunk
unsigned char* gEnd = nullptr;
size_t gNextChunk = kFirstChunk;
GuardedBlock* gGuarded = nullptr;
size_t gLiveCount = 0;
uint32_t gMode = 0;
OutOfMemoryHandler gHandler = DefaultOutOfMemory;
int gFailures = 0;         // test seam: allocations still to fail

// The handlers do not return (they exit or throw); should one return anyway, stop here
// rather than hand out a null block.
[[noreturn]] void OutOfMemory() {
    gHandler(0);
    std::abort();
}

// Big chunks are mapped on a huge-page boundary and offered to the kernel for huge
// pages: a large compilation touches a few hundred megabytes of records, and faulting
// them in 4 KiB at a time costs more system time than the parse itself. Mapped memory
// arrives zero-filled.
Chunk* MapChunk(size_t bytes, size_t* mapped) {
    const size_t length = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    void* p = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    auto* base = static_cast<unsigned char*>(p);
    auto* aligned = reinterpret_cast<unsigned char*>(
        (reinterpret_cast<uintptr_t>(base) + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1));
    if (aligned > base) munmap(base, static_cast<size_t>(aligned - base));
    const size_t tail = static_cast<size_t>(base + length + kHugePage - (aligned + length));
    if (tail > 0) munmap(aligned + length, tail);
#ifdef MADV_HUGEPAGE
    madvise(aligned, length, MADV_HUGEPAGE);
#endif
    *mapped = length;
    return reinterpret_cast<Chunk*>(aligned);
}

// A new zero-filled chunk with room for at least `need` bytes, linked into the live list.
// Requests too big for the usual chunk size get a chunk of their own, and the current
// chunk stays current so its remaining room is not lost.
unsigned char* NewChunk(size_t need, bool makeCurrent) {
    const size_t size = makeCurrent ? (need > gNextChunk ? RoundUp(need) : gNextChunk) : RoundUp(need);
    size_t mapped = 0;
    Chunk* chunk = size >= kHugePage ? MapChunk(kChunkHeader + size, &mapped)
                                     : static_cast<Chunk*>(std::calloc(1, kChunkHeader + size));
    if (!chunk) OutOfMemory();
    chunk->next = gChunks;
    chunk->size = size;
    chunk->mapped = mapped;
    gChunks = chunk;
    auto* start = reinterpret_cast<unsigned char*>(chunk) + kChunkHeader;
#ifdef TARN_ASAN_ARENA
    ASAN_POISON_MEMORY_REGION(start, size);
#endif
    if (makeCurrent) {
        gFree = start;
        gEnd = start + size;
        if (gNextChunk < kLargestChunk) gNextChunk *= 2;
    }
    return start;
}

// `bytes` of zero-filled room aligned to `align` (8 or 16).
unsigned char* Carve(size_t bytes, size_t align) {
    // Empty requests still take room, so no two blocks share an address.
    const size_t need = RoundUp8((bytes ? bytes : 1) + kRedZone);
    auto* p = reinterpret_cast<unsigned char*>((reinterpret_cast<uintptr_t>(gFree) + align - 1) & ~(align - 1));
    if (gFree && static_cast<size_t>(gEnd - p) >= need) {
        gFree = p + need;
        return p;
    }
    if (need > gNextChunk / 4) return NewChunk(need, false);
    p = NewChunk(need, true);
    gFree += need;
    return p;
}

}  // namespace

void DefaultOutOfMemory(int code) {
    std::fputs(code == 0 ? "ERROR: Out of memory.\n" : "ERROR: Undefined exception.\n", stdout);
    std::fflush(stdout);
    std::exit(1);
}

void SetOutOfMemoryHandler(OutOfMemoryHandler handler) {
    gHandler = handler ? handler : DefaultOutOfMemory;
}

void* TrackedAlloc(size_t size) {
    if (gFailures > 0) {
        --gFailures;
        OutOfMemory();
    }
    const bool guard = (gMode & ALLOC_GUARD) != 0 && gMode != ALLOC_RELEASED;
    const bool fill = (gMode & ALLOC_FILL) != 0 && gMode != ALLOC_RELEASED;
    unsigned char* block;
    if (guard) {
        unsigned char* room = Carve(kGuardHeader + size + sizeof ALLOC_GUARD_WORD, kAlign);
#ifdef TARN_ASAN_ARENA
        ASAN_UNPOISON_MEMORY_REGION(room, kGuardHeader + size + sizeof ALLOC_GUARD_WORD);
#endif
        auto* rec = reinterpret_cast<GuardedBlock*>(room);
        *rec = {gGuarded, size};
        gGuarded = rec;
        block = room + kGuardHeader;
        std::memcpy(block + size, &ALLOC_GUARD_WORD, sizeof ALLOC_GUARD_WORD);
    } else {
        block = Carve(size, BlockAlign(size));
#ifdef TARN_ASAN_ARENA
        ASAN_UNPOISON_MEMORY_REGION(block, size);
#endif
    }
    // Chunks arrive zero-filled and no byte is handed out twice, so only fill mode writes.
    if (fill) std::memset(block, ALLOC_FILL_BYTE, size);
    ++gLiveCount;
    return block;
}

void ReleaseAll() {
    while (gChunks) {
        Chunk* next = gChunks->next;
#ifdef TARN_ASAN_ARENA
        ASAN_UNPOISON_MEMORY_REGION(reinterpret_cast<unsigned char*>(gChunks) + kChunkHeader, gChunks->size);
#endif
        if (gChunks->mapped) munmap(gChunks, gChunks->mapped);
        else std::free(gChunks);
        gChunks = next;
    }
    gFree = gEnd = nullptr;
    gNextChunk = kFirstChunk;
    gGuarded = nullptr;
    gLiveCount = 0;
    gMode = ALLOC_RELEASED;
}

size_t CheckGuardWords() {
    size_t damaged = 0;
    for (const GuardedBlock* r = gGuarded; r; r = r->next) {
        uint32_t word;
        std::memcpy(&word, reinterpret_cast<const unsigned char*>(r) + kGuardHeader + r->size, sizeof word);
        if (word != ALLOC_GUARD_WORD) ++damaged;
    }
    return damaged;
}

uint32_t AllocMode() { return gMode; }
void SetAllocMode(uint32_t mode) { gMode = mode; }
size_t LiveBlocks() { return gLiveCount; }
void FailNextAllocations(int count) { gFailures = count; }

}  // namespace tarn::tpc
