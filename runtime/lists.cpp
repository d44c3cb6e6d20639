// Lists inside the VM window (see lists.h for the layout). Chunks are kept in order and
// each records how many of its slots are used, so inserting or deleting touches one chunk
// and its neighbours rather than moving the whole list.
#include "runtime/lists.h"

#include <algorithm>
#include <cstring>

#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/window.h"

namespace tarn::rt {

namespace {

// Header words
constexpr uint32_t kCount = 0, kElemSize = 4, kPerChunk = 8, kFirst = 12, kLast = 16;
constexpr uint32_t kHeaderSize = 20;
// Chunk words
constexpr uint32_t kNext = 0, kUsed = 4, kChunkData = 8;
constexpr uint32_t kPackedChunkBytes = 16;
// A long walk looks at the user break this often.
constexpr uint64_t kBreakInterval = uint64_t{1} << 16;

uint32_t Field(uint32_t block, uint32_t field) { return VmWord(block + field); }
void SetField(uint32_t block, uint32_t field, uint32_t v) { SetVmWord(block + field, v); }

[[noreturn]] void Corrupt() { RunTimeError("List is corrupt"); }

// What a list's header says about its chunks, checked: the header is a live block, and a
// chunk of perChunk elements of elemSize bytes fits the heap. Every chunk the list routines
// touch is then checked to be a live block of at least chunkBytes with no more than
// perChunk elements used, so whatever the program wrote into header or chunks, every slot
// address and every copy stays inside one of the list's own blocks.
struct Shape {
    uint32_t header;
    uint32_t elemSize;
    uint32_t perChunk;
    uint64_t chunkBytes;
};

Shape ShapeOf(uint32_t header) {
    if (WindowBlockSize(header) < kHeaderSize) Corrupt();
    Shape s{header, Field(header, kElemSize), Field(header, kPerChunk), 0};
    s.chunkBytes = kChunkData + uint64_t{s.perChunk} * s.elemSize;
    if (s.perChunk == 0 || s.chunkBytes > kHeapLimit) Corrupt();
    return s;
}

// The elements used in chunk c, after checking c is one of this list's chunks.
uint32_t Used(const Shape& s, uint32_t c) {
    uint32_t used = Field(c, kUsed);
    if (WindowBlockSize(c) < s.chunkBytes || used > s.perChunk) Corrupt();
    return used;
}

uint32_t SlotAddress(const Shape& s, uint32_t chunk, uint32_t slot) {
    return static_cast<uint32_t>(chunk + kChunkData + uint64_t{slot} * s.elemSize);
}

// Moves count elements inside or between checked chunks.
void MoveSlots(const Shape& s, uint32_t to, uint32_t from, uint32_t count) {
    uint64_t bytes = uint64_t{count} * s.elemSize;
    std::memmove(VmSpan(to, bytes), VmSpan(from, bytes), bytes);
}

void FillUndefined(const Shape& s, uint32_t addr) {
    std::memset(VmSpan(addr, s.elemSize), kUndefinedByte, s.elemSize);
}

// Counts the steps of a walk over a chunk chain. An intact chain holds distinct live
// blocks, so a walk longer than the heap has blocks met a chain the program made into a
// cycle; the bound is the allocator's, which the program cannot raise. Long walks stay
// responsive to the user break.
struct Walk {
    uint64_t steps = 0;
    const uint64_t limit = WindowLiveBlocks();
    void Step() {
        if (++steps > limit) Corrupt();
        if (steps % kBreakInterval == 0 && g_userBreak) StopForUserBreak();
    }
};

// A new chunk after prev (0: at the front); 0 when memory runs out.
uint32_t NewChunk(const Shape& s, uint32_t prev) {
    uint32_t chunk = WindowAlloc(static_cast<uint32_t>(s.chunkBytes));
    if (chunk == 0) return 0;
    SetField(chunk, kUsed, 0);
    uint32_t next = prev ? Field(prev, kNext) : Field(s.header, kFirst);
    SetField(chunk, kNext, next);
    if (prev) SetField(prev, kNext, chunk);
    else SetField(s.header, kFirst, chunk);
    if (next == 0) SetField(s.header, kLast, chunk);
    return chunk;
}

void UnlinkChunk(const Shape& s, uint32_t prev, uint32_t chunk) {
    uint32_t next = Field(chunk, kNext);
    if (prev) SetField(prev, kNext, next);
    else SetField(s.header, kFirst, next);
    if (next == 0) SetField(s.header, kLast, prev);
    WindowFree(chunk);
}

// The chunk holding element index (0-based), its predecessor, the slot inside it and the
// chunk's used count; chunk 0 when the chain ends first.
struct Position {
    uint32_t prev, chunk, slot, used;
};

Position Locate(const Shape& s, uint32_t index) {
    uint32_t prev = 0;
    Walk walk;
    for (uint32_t c = Field(s.header, kFirst); c != 0; prev = c, c = Field(c, kNext)) {
        walk.Step();
        uint32_t used = Used(s, c);
        if (index < used) return {prev, c, index, used};
        index -= used;
    }
    return {prev, 0, 0, 0};
}

// Frees the chunk chain; false when it was not the intact chain of the header. The walk
// stops at the first link that is not a chunk of this list.
bool FreeChunks(uint32_t header) {
    Shape s = ShapeOf(header);
    uint64_t held = 0;
    Walk walk;
    uint32_t c = Field(header, kFirst);
    while (c != 0) {
        walk.Step();
        uint32_t used = Field(c, kUsed);
        if (WindowBlockSize(c) < s.chunkBytes || used > s.perChunk) return false;
        uint32_t next = Field(c, kNext);
        held += used;
        WindowFree(c);
        c = next;
    }
    return held == Field(header, kCount);
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

uint32_t ListLength(uint32_t header) { return Field(ShapeOf(header).header, kCount); }

uint32_t AppendListElement(uint32_t header) {
    Shape s = ShapeOf(header);
    uint32_t last = Field(header, kLast);
    if (last != 0 && Field(last, kNext) != 0) Corrupt();
    if (last == 0 || Used(s, last) == s.perChunk) {
        last = NewChunk(s, last);
        if (last == 0) return 0;
    }
    uint32_t used = Used(s, last);
    uint32_t addr = SlotAddress(s, last, used);
    SetField(last, kUsed, used + 1);
    SetField(header, kCount, Field(header, kCount) + 1);
    FillUndefined(s, addr);
    return addr;
}

uint32_t InsertListElement(uint32_t header, uint32_t index) {
    Shape s = ShapeOf(header);
    uint32_t count = Field(header, kCount);
    if (index == 0 || index > count) return AppendListElement(header);
    Position p = Locate(s, index - 1);
    if (p.chunk == 0) RunTimeError("List over run");
    uint32_t used = p.used;
    if (used == s.perChunk) {
        // Full: the tail of this chunk from the insertion slot on moves to a new chunk.
        uint32_t tail = NewChunk(s, p.chunk);
        if (tail == 0) return 0;
        uint32_t moved = used - p.slot;
        MoveSlots(s, SlotAddress(s, tail, 0), SlotAddress(s, p.chunk, p.slot), moved);
        SetField(tail, kUsed, moved);
        used = p.slot;
    } else {
        MoveSlots(s, SlotAddress(s, p.chunk, p.slot + 1), SlotAddress(s, p.chunk, p.slot), used - p.slot);
    }
    SetField(p.chunk, kUsed, used + 1);
    SetField(header, kCount, count + 1);
    uint32_t addr = SlotAddress(s, p.chunk, p.slot);
    FillUndefined(s, addr);
    return addr;
}

uint32_t ListElementAddress(uint32_t header, uint32_t index) {
    Shape s = ShapeOf(header);
    if (index == 0 || index > Field(header, kCount)) return 0;
    Position p = Locate(s, index - 1);
    return p.chunk ? SlotAddress(s, p.chunk, p.slot) : 0;
}

void DeleteListElements(uint32_t header, uint32_t index, uint32_t count) {
    Shape s = ShapeOf(header);
    Walk walk;  // every round removes at least one element or ends
    while (count > 0 && index >= 1 && index <= Field(header, kCount)) {
        walk.Step();
        Position p = Locate(s, index - 1);
        if (p.chunk == 0) return;
        uint32_t n = std::min(count, p.used - p.slot);
        MoveSlots(s, SlotAddress(s, p.chunk, p.slot), SlotAddress(s, p.chunk, p.slot + n), p.used - p.slot - n);
        SetField(p.chunk, kUsed, p.used - n);
        SetField(header, kCount, Field(header, kCount) - n);
        if (p.used == n) UnlinkChunk(s, p.prev, p.chunk);
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
