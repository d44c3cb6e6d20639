// Dynamic variables: new (93), dispose (92) and move (190); pack (0) and unpack (1), the
// copies between an unpacked and a packed array. Blocks come from the VM
// window's allocator, so a pointer is an ordinary VM address and a block can never be
// reached outside the window.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/errors.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "runtime/vmstrings.h"
#include "runtime/window.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

// Filling a block touches every page of it; a big block is filled a slice at a time so
// that a user break stops a `new` of gigabytes within a fraction of a second.
constexpr uint32_t kFillSlice = 32u << 20;
// Blocks up to this size (most records) are filled with a few stores in place.
constexpr uint32_t kSmallFill = 64;

// Undefined bytes at p[at, at + n) for n = 1, 4 or 8: one store each.
template <uint32_t n>
void Undefine(uint8_t* p, uint32_t at) {
    constexpr uint64_t kOnes = ~uint64_t{0};
    std::memcpy(p + at, &kOnes, n);
}

[[gnu::noinline]] void FillLarge(uint8_t* p, uint32_t size) {
    for (uint32_t done = 0; done < size;) {
        if (g_userBreak) StopForUserBreak();
        uint32_t n = std::min(size - done, kFillSlice);
        std::memset(p + done, kUndefinedByte, n);
        done += n;
    }
}

// Fills the first size bytes of a block the allocator has just handed out (so it lies
// inside the heap, at least size bytes long) with undefined bytes. A small block takes
// pairs of stores from both ends that overlap in the middle, never a byte past size.
void FillUndefined(uint32_t block, uint32_t size) {
    uint8_t* p = Mem() + block;
    if (size <= kSmallFill) {
        if (size >= 8) {
            Undefine<8>(p, 0);
            Undefine<8>(p, size - 8);
            if (size > 16) {
                Undefine<8>(p, 8);
                Undefine<8>(p, size - 16);
            }
            if (size > 32) {
                Undefine<8>(p, 16);
                Undefine<8>(p, 24);
                Undefine<8>(p, size - 32);
                Undefine<8>(p, size - 24);
            }
        } else if (size >= 4) {
            Undefine<4>(p, 0);
            Undefine<4>(p, size - 4);
        } else if (size > 0) {
            Undefine<1>(p, 0);
            Undefine<1>(p, size / 2);
            Undefine<1>(p, size - 1);
        }
        return;
    }
    FillLarge(p, size);
}

// Stack: address of the pointer variable, size. The block starts as undefined bytes.
StdOutcome New(Regs& r, int&) {
    uint32_t size = Pop(r);
    uint32_t var = Pop(r);
    uint8_t* pointer = VmSpan(var, 4);
    uint32_t block = WindowAlloc(size);
    if (block == 0) MemoryAllocationFailure();
    FillUndefined(block, size);
    StoreWord(pointer, block);
    return StdOutcome::Continue;
}

// Stack: address of the pointer variable. A pointer to anything but a live block (one
// that was disposed already through another copy of the pointer, say) is treated as
// undefined rather than corrupting the allocator.
StdOutcome Dispose(Regs& r, int&) {
    uint32_t var = Pop(r);
    uint32_t block = LoadWord(VmSpan(var, 4));
    if (block == kUndefinedWord) RunTimeError("Disposing undefined pointer");
    if (block == 0) RunTimeError("Disposing nil pointer");
    if (!WindowFree(block)) RunTimeError("Disposing undefined pointer");
    StoreWord(VmSpan(var, 4), kUndefinedWord);
    return StdOutcome::Continue;
}

// Stack: source address, destination address, count. The areas may overlap; a count
// below 1 moves nothing.
StdOutcome Move(Regs& r, int&) {
    int32_t count = static_cast<int32_t>(Pop(r));
    uint32_t dst = Pop(r);
    uint32_t src = Pop(r);
    if (count > 0) std::memmove(VmSpan(dst, uint32_t(count)), VmSpan(src, uint32_t(count)), uint32_t(count));
    return StdOutcome::Continue;
}

// Stack: unpacked array's address, index, packed array's address, low and high of the
// unpacked index type, low and high of the packed one, component size. The packed array is
// copied whole, so the unpacked elements index .. index + (packed length - 1) must exist.
StdOutcome PackOrUnpack(Regs& r, bool pack) {
    const uint32_t size = Pop(r);
    const int64_t packedHigh = static_cast<int32_t>(Pop(r));
    const int64_t packedLow = static_cast<int32_t>(Pop(r));
    const int64_t unpackedHigh = static_cast<int32_t>(Pop(r));
    const int64_t unpackedLow = static_cast<int32_t>(Pop(r));
    const uint32_t packed = Pop(r);
    const int64_t index = static_cast<int32_t>(Pop(r));
    const uint32_t unpacked = Pop(r);
    const int64_t count = packedHigh - packedLow + 1;
    if (index < unpackedLow || index + count - 1 > unpackedHigh) RunTimeError("Value out of range");
    const uint64_t bytes = static_cast<uint64_t>(count) * size;
    if (bytes == 0) return StdOutcome::Continue;
    const uint32_t from = unpacked + static_cast<uint32_t>(static_cast<uint64_t>(index - unpackedLow) * size);
    uint8_t* u = VmSpan(from, static_cast<uint32_t>(bytes));
    uint8_t* p = VmSpan(packed, static_cast<uint32_t>(bytes));
    if (pack) std::memmove(p, u, bytes); else std::memmove(u, p, bytes);
    return StdOutcome::Continue;
}

StdOutcome Pack(Regs& r, int&) { return PackOrUnpack(r, true); }
StdOutcome Unpack(Regs& r, int&) { return PackOrUnpack(r, false); }

}  // namespace

void RegisterMemoryRoutines() {
    RegisterStd(vm::Number(vm::Std::New), New);
    RegisterStd(vm::Number(vm::Std::Dispose), Dispose);
    RegisterStd(vm::Number(vm::Std::Move), Move);
    RegisterStd(vm::Number(vm::Std::Pack), Pack);
    RegisterStd(vm::Number(vm::Std::Unpack), Unpack);
}

}  // namespace tarn::rt
