// Lists inside the VM window (see lists.h for the layout). Chunks are kept in order and
// each records how many of its slots are used, so inserting or deleting touches one chunk
// and its neighbours rather than moving the whole list.
#include "runtime/lists.h"

#include <algorithm>
#include <cstring>

#include "runtime/engine.h"
#include "runtime/window.h"

namespace tarn::rt {

namespace {

// Header words
constexpr uint32_t kCount = 0, kElemSize = 4, kPerChunk = 8, kFirst = 12, kLast = 16;
constexpr uint32_t kHeaderSize = 20;
// Chunk words
constexpr uint32_t kNext = 0, kUsed = 4, kChunkData = 8;
constexpr uint32_t kPackedChunkBytes = 16;

uint32_t Field(uint32_t block, uint32_t field) { return VmWord(block + field); }
void SetField(uint32_t block, uint32_t field, uint32_t v) { SetVmWord(block + field, v); }

uint32_t SlotAddress(uint32_t header, uint32_t chunk, uint32_t slot) {
    return chunk + kChunkData + slot * Field(header, kElemSize);
}

// A new chunk after prev (0: at the front); 0 when memory runs out.
uint32_t NewChunk(uint32_t header, uint32_t prev) {
    uint64_t bytes = kChunkData + uint64_t{Field(header, kPerChunk)} * Field(header, kElemSize);
    if (bytes > 0xFFFFFFFFu) return 0;
    uint32_t chunk = WindowAlloc(static_cast<uint32_t>(bytes));
    if (chunk == 0) return 0;
    SetField(chunk, kUsed, 0);
    uint32_t next = prev ? Field(prev, kNext) : Field(header, kFirst);
    SetField(chunk, kNext, next);
    if (prev) SetField(prev, kNext, chunk);
    else SetField(header, kFirst, chunk);
    if (next == 0) SetField(header, kLast, chunk);
    return chunk;
}

void UnlinkChunk(uint32_t header, uint32_t prev, uint32_t chunk) {
    uint32_t next = Field(chunk, kNext);
    if (prev) SetField(prev, kNext, next);
    else SetField(header, kFirst, next);
    if (next == 0) SetField(header, kLast, prev);
    WindowFree(chunk);
}

// The chunk holding element index (0-based), its predecessor and the slot inside it.
struct Position {
    uint32_t prev, chunk, slot;
};

// Every chunk of an intact list holds at least one element, so a walk that meets more
// chunks than elements has met a list the program overwrote (possibly a cycle).
uint32_t ChunkLimit(uint32_t header) { return Field(header, kCount) + 1; }

Position Locate(uint32_t header, uint32_t index) {
    uint32_t prev = 0, limit = ChunkLimit(header);
    for (uint32_t c = Field(header, kFirst); c != 0 && limit-- > 0; prev = c, c = Field(c, kNext)) {
        uint32_t used = Field(c, kUsed);
        if (index < used) return {prev, c, index};
        index -= used;
    }
    return {prev, 0, 0};
}

// Frees the chunk chain; false when it was not the intact chain of header.
bool FreeChunks(uint32_t header) {
    uint64_t held = 0;
    uint32_t limit = ChunkLimit(header);
    bool intact = true;
    uint32_t c = Field(header, kFirst);
    for (; c != 0 && limit > 0; --limit) {
        uint32_t next = Field(c, kNext);
        held += Field(c, kUsed);
        intact = WindowFree(c) && intact;
        c = next;
    }
    return intact && c == 0 && held == Field(header, kCount);
}

void FillUndefined(uint32_t header, uint32_t addr) {
    std::memset(Mem() + addr, kUndefinedByte, Field(header, kElemSize));
}

}  // namespace

uint32_t NewList(uint32_t elementSize, bool packed) {
    uint32_t header = WindowAlloc(kHeaderSize);
    if (header == 0) return 0;
    uint32_t perChunk = packed && elementSize > 0 ? std::max<uint32_t>(1, kPackedChunkBytes / elementSize) : 1;
    if (packed && elementSize == 0) perChunk = kPackedChunkBytes;
    SetField(header, kCount, 0);
    SetField(header, kElemSize, elementSize);
    SetField(header, kPerChunk, perChunk);
    SetField(header, kFirst, 0);
    SetField(header, kLast, 0);
    return header;
}

uint32_t ListLength(uint32_t header) { return Field(header, kCount); }

uint32_t AppendListElement(uint32_t header) {
    uint32_t last = Field(header, kLast);
    if (last == 0 || Field(last, kUsed) == Field(header, kPerChunk)) {
        last = NewChunk(header, last);
        if (last == 0) return 0;
    }
    uint32_t used = Field(last, kUsed);
    uint32_t addr = SlotAddress(header, last, used);
    SetField(last, kUsed, used + 1);
    SetField(header, kCount, Field(header, kCount) + 1);
    FillUndefined(header, addr);
    return addr;
}

uint32_t InsertListElement(uint32_t header, uint32_t index) {
    uint32_t count = Field(header, kCount);
    if (index == 0 || index > count) return AppendListElement(header);
    Position p = Locate(header, index - 1);
    uint32_t size = Field(header, kElemSize);
    uint32_t used = Field(p.chunk, kUsed);
    if (used == Field(header, kPerChunk)) {
        // Full: the tail of this chunk from the insertion slot on moves to a new chunk.
        uint32_t tail = NewChunk(header, p.chunk);
        if (tail == 0) return 0;
        uint32_t moved = used - p.slot;
        std::memcpy(Mem() + SlotAddress(header, tail, 0), Mem() + SlotAddress(header, p.chunk, p.slot),
                    uint64_t{moved} * size);
        SetField(tail, kUsed, moved);
        used = p.slot;
    } else {
        std::memmove(Mem() + SlotAddress(header, p.chunk, p.slot + 1),
                     Mem() + SlotAddress(header, p.chunk, p.slot), uint64_t{used - p.slot} * size);
    }
    SetField(p.chunk, kUsed, used + 1);
    SetField(header, kCount, count + 1);
    uint32_t addr = SlotAddress(header, p.chunk, p.slot);
    FillUndefined(header, addr);
    return addr;
}

uint32_t ListElementAddress(uint32_t header, uint32_t index) {
    if (index == 0 || index > Field(header, kCount)) return 0;
    Position p = Locate(header, index - 1);
    return p.chunk ? SlotAddress(header, p.chunk, p.slot) : 0;
}

void DeleteListElements(uint32_t header, uint32_t index, uint32_t count) {
    uint32_t size = Field(header, kElemSize);
    while (count > 0 && index >= 1 && index <= Field(header, kCount)) {
        Position p = Locate(header, index - 1);
        if (p.chunk == 0) return;
        uint32_t used = Field(p.chunk, kUsed);
        uint32_t n = std::min(count, used - p.slot);
        std::memmove(Mem() + SlotAddress(header, p.chunk, p.slot),
                     Mem() + SlotAddress(header, p.chunk, p.slot + n), uint64_t{used - p.slot - n} * size);
        SetField(p.chunk, kUsed, used - n);
        SetField(header, kCount, Field(header, kCount) - n);
        if (used == n) UnlinkChunk(header, p.prev, p.chunk);
        count -= n;
    }
}

void ClearList(uint32_t header) {
    FreeChunks(header);
    SetField(header, kCount, 0);
    SetField(header, kFirst, 0);
    SetField(header, kLast, 0);
}

bool DisposeList(uint32_t header) {
    bool intact = FreeChunks(header);
    return WindowFree(header) && intact;
}

}  // namespace tarn::rt
