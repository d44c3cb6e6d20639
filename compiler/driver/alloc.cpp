// The tracked allocator. Blocks come from malloc; each is recorded in a singly linked
// list of live blocks so that ReleaseAll can free them all at the end of a compilation.
#include "compiler/driver/alloc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tarn::tpc {

namespace {

struct BlockRecord {
    unsigned char* start;
    size_t size;          // bytes the caller asked for
    bool guarded;         // a guard word follows the block
    BlockRecord* next;
};

BlockRecord* gLive = nullptr;
size_t gLiveCount = 0;
uint32_t gMode = 0;
OutOfMemoryHandler gHandler = DefaultOutOfMemory;
int gFailures = 0;         // test seam: allocations still to fail

void* RawAlloc(size_t size) {
    if (gFailures > 0) {
        --gFailures;
        return nullptr;
    }
    return std::malloc(size);
}

// The handlers do not return (they exit or throw); should one return anyway, stop here
// rather than hand out a null block.
[[noreturn]] void OutOfMemory() {
    gHandler(0);
    std::abort();
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
    const bool guard = (gMode & ALLOC_GUARD) != 0 && gMode != ALLOC_RELEASED;
    const bool fill = (gMode & ALLOC_FILL) != 0 && gMode != ALLOC_RELEASED;
    const size_t total = size + (guard ? sizeof(uint32_t) : 0);
    auto* block = static_cast<unsigned char*>(RawAlloc(total == 0 ? 1 : total));
    if (!block) OutOfMemory();
    if (fill) std::memset(block, ALLOC_FILL_BYTE, size);
    else std::memset(block, 0, size);
    if (guard) std::memcpy(block + size, &ALLOC_GUARD_WORD, sizeof ALLOC_GUARD_WORD);

    auto* rec = static_cast<BlockRecord*>(RawAlloc(sizeof(BlockRecord)));
    if (!rec) {
        std::free(block);
        OutOfMemory();
    }
    *rec = {block, size, guard, gLive};
    gLive = rec;
    ++gLiveCount;
    return block;
}

void ReleaseAll() {
    while (gLive) {
        BlockRecord* next = gLive->next;
        std::free(gLive->start);
        std::free(gLive);
        gLive = next;
    }
    gLiveCount = 0;
    gMode = ALLOC_RELEASED;
}

size_t CheckGuardWords() {
    size_t damaged = 0;
    for (const BlockRecord* r = gLive; r; r = r->next) {
        if (!r->guarded) continue;
        uint32_t word;
        std::memcpy(&word, r->start + r->size, sizeof word);
        if (word != ALLOC_GUARD_WORD) ++damaged;
    }
    return damaged;
}

uint32_t AllocMode() { return gMode; }
void SetAllocMode(uint32_t mode) { gMode = mode; }
size_t LiveBlocks() { return gLiveCount; }
void FailNextAllocations(int count) { gFailures = count; }

}  // namespace tarn::tpc
