// databuf: the growable byte buffers that hold everything the code generator produces.
//
// A buffer is an append-only byte sequence of fixed 200-byte blocks: the tail block being
// filled lives inside the record, every completed block sits on the block list, oldest
// first. Any byte range already appended can be read back or overwritten in place, which
// is how jump targets and case tables are patched after the fact. Blocks come from the
// tracked allocator and are reclaimed with the rest of the compilation; only the record
// itself is an ordinary allocation.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "compiler/base/messages.h"

// An internal consistency check that also yields whether it held, so that the caller can
// stop when InternalError returns (reports disabled) instead of running on with bad state.
#define CODEGEN_OK(cond) \
    ((cond) || (::tarn::tpc::InternalError(#cond, __FILE__, __LINE__), false))

namespace tarn::tpc {

inline constexpr int32_t DATA_BUFFER_SIZE = 200;

struct DataBuffer {
    int32_t iCount = 0;                      // bytes used in the tail block, 0..DATA_BUFFER_SIZE
    uint8_t tail[DATA_BUFFER_SIZE] = {};     // the block being filled
    std::vector<uint8_t*> blocks;            // full blocks before the tail, oldest first
};

// A new empty buffer, or null when memory is exhausted (the caller reports it).
DataBuffer* DataBufferCreate();

// Logical size: the full blocks plus the used part of the tail.
uint32_t DataBufferGetSize(const DataBuffer* p);

// Appends size (non-zero) bytes at the end. The common case (a sound buffer whose tail
// block has room for all of it) is inline: the code generator appends every instruction.
void DataBufferAppendSlow(DataBuffer* p, const void* pData, uint32_t size);
inline void DataBufferAppend(DataBuffer* p, const void* pData, uint32_t size) {
    if (p != NULL && pData != NULL && size != 0 && p->iCount >= 0 &&
        p->iCount <= DATA_BUFFER_SIZE && size <= DATA_BUFFER_SIZE - (uint32_t)p->iCount) {
        std::memcpy(p->tail + p->iCount, pData, size);
        p->iCount += (int32_t)size;
        return;
    }
    DataBufferAppendSlow(p, pData, size);
}

// DataBufferAppend for a small item kept in a block of DATA_BUFFER_PAD bytes whose bytes
// past `size` (1..DATA_BUFFER_PAD) mean nothing: while the tail has room for the whole
// block it is copied at once, a fixed-size copy, and only `size` bytes count. The bytes
// copied past the end are overwritten by the next append before anything can read them.
inline constexpr uint32_t DATA_BUFFER_PAD = 16;

// Where a whole padded block can be stored in the tail block of p; null when it has no room.
inline uint8_t* DataBufferPaddedRoom(DataBuffer* p) {
    if (p == NULL || p->iCount < 0 || p->iCount > DATA_BUFFER_SIZE - (int32_t)DATA_BUFFER_PAD)
        return nullptr;
    return p->tail + p->iCount;
}

inline void DataBufferAppendPadded(DataBuffer* p, const uint8_t* block, uint32_t size) {
    uint8_t* room = size - 1 < DATA_BUFFER_PAD ? DataBufferPaddedRoom(p) : nullptr;
    if (room != nullptr) {
        std::memcpy(room, block, DATA_BUFFER_PAD);
        p->iCount += (int32_t)size;
        return;
    }
    DataBufferAppend(p, block, size);
}

// Copies bytes [pos, pos+size) out of the buffer; size is non-zero.
void DataBufferRead(const DataBuffer* p, void* pDest, uint32_t pos, uint32_t size);

// Overwrites bytes [pos, pos+size) in place; size is non-zero.
void DataBufferWrite(DataBuffer* p, const void* pSource, uint32_t pos, uint32_t size);

// Discards the buffer and sets the variable to null. The blocks themselves belong to the
// tracked allocator and go with the compilation.
void DataBufferFree(DataBuffer*& p);

}  // namespace tarn::tpc
