// databuf: block buffers with append, read and overwrite at a position.
#include "compiler/base/databuf.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "compiler/base/alloc.h"

namespace tarn::tpc {

namespace {

constexpr uint32_t BLOCK = DATA_BUFFER_SIZE;

bool BufferIsSound(const DataBuffer* p) {
    return CODEGEN_OK(p != NULL) && CODEGEN_OK(p->iCount >= 0) &&
           CODEGEN_OK(p->iCount <= DATA_BUFFER_SIZE);
}

uint32_t SizeOf(const DataBuffer* p) {
    return (uint32_t)p->iCount + BLOCK * (uint32_t)p->blocks.size();
}

// Moves the full tail block onto the list, leaving an empty tail. The block comes from
// the tracked allocator, which never returns null (its handler reports "Out of memory.").
void RetireTail(DataBuffer* p) {
    auto* block = static_cast<uint8_t*>(TrackedAlloc(BLOCK));
    std::memcpy(block, p->tail, BLOCK);
    p->blocks.push_back(block);
    p->iCount = 0;
}

// The walk shared by Read and Write: hands each piece of [pos, pos+size) that lies in one
// block to `copy`, in order, as (address inside the buffer, length).
template <typename Buffer, typename Copy>
void WalkRange(Buffer* p, uint32_t pos, uint32_t size, Copy copy) {
    if (!BufferIsSound(p) || !CODEGEN_OK(size != 0) ||
        !CODEGEN_OK((uint64_t)pos + size <= DataBufferGetSize(p)))
        return;
    while (size != 0) {
        uint32_t blockIndex = pos / BLOCK;
        uint32_t iListNodeOffset = pos % BLOCK;
        if (blockIndex + 1 > p->blocks.size()) {
            if (!CODEGEN_OK(iListNodeOffset + size <= (uint32_t)p->iCount)) return;
            copy(p->tail + iListNodeOffset, size);
            return;
        }
        uint32_t piece = std::min(size, BLOCK - iListNodeOffset);
        copy(p->blocks[blockIndex] + iListNodeOffset, piece);
        pos += piece;
        size -= piece;
    }
}

}  // namespace

DataBuffer* DataBufferCreate() {
    return new (std::nothrow) DataBuffer();
}

uint32_t DataBufferGetSize(const DataBuffer* p) {
    return BufferIsSound(p) ? SizeOf(p) : 0;
}

void DataBufferAppendSlow(DataBuffer* p, const void* pData, uint32_t size) {
    if (!BufferIsSound(p) || !CODEGEN_OK(pData != NULL) || !CODEGEN_OK(size != 0)) return;
    auto* src = static_cast<const uint8_t*>(pData);
    for (;;) {
        if (p->iCount < DATA_BUFFER_SIZE) {
            uint32_t piece = std::min(size, BLOCK - (uint32_t)p->iCount);
            std::memcpy(p->tail + p->iCount, src, piece);
            p->iCount += (int32_t)piece;
            src += piece;
            size -= piece;
        }
        if (size == 0) return;
        RetireTail(p);  // the tail is full and more bytes wait
    }
}

void DataBufferRead(const DataBuffer* p, void* pDest, uint32_t pos, uint32_t size) {
    if (!CODEGEN_OK(pDest != NULL)) return;
    auto* dst = static_cast<uint8_t*>(pDest);
    WalkRange(p, pos, size, [&dst](const uint8_t* at, uint32_t n) {
        std::memcpy(dst, at, n);
        dst += n;
    });
}

void DataBufferWrite(DataBuffer* p, const void* pSource, uint32_t pos, uint32_t size) {
    if (!CODEGEN_OK(pSource != NULL)) return;
    auto* src = static_cast<const uint8_t*>(pSource);
    WalkRange(p, pos, size, [&src](uint8_t* at, uint32_t n) {
        std::memcpy(at, src, n);
        src += n;
    });
}

void DataBufferFree(DataBuffer*& p) {
    if (!BufferIsSound(p)) return;
    p->iCount = 0;
    p->blocks.clear();
    delete p;
    p = nullptr;
}

}  // namespace tarn::tpc
