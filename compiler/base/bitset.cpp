// bitset: sets over small non-negative integers (see bitset.h).
#include "compiler/base/bitset.h"

#include <cstring>

#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"

namespace tarn::tpc {

BitSet* SetCreate(int32_t low, int32_t high) {
    TPC_CHECK(low >= 0);
    TPC_CHECK(low <= high);
    BitSet* s = TrackedNew<BitSet>();
    size_t n = static_cast<size_t>(high / 8 - low / 8 + 1);
    s->low = low;
    s->high = high;
    s->bytes = static_cast<uint8_t*>(TrackedAlloc(n));
    std::memset(s->bytes, 0, n);
    return s;
}

// The byte that holds element e; an element outside the range is an internal error.
static uint8_t* ByteOf(const BitSet* s, int32_t e) {
    TPC_CHECK(s != nullptr);
    TPC_CHECK(e >= s->low && e <= s->high);
    if (e < s->low || e > s->high) return nullptr;  // only reached while reports are off
    return s->bytes + (e / 8 - s->low / 8);
}

bool SetIn(const BitSet* s, int32_t e) {
    const uint8_t* b = ByteOf(s, e);
    return b && (*b & (1u << (e % 8)));
}

void SetInclude(BitSet* s, int32_t e) {
    if (uint8_t* b = ByteOf(s, e)) *b = static_cast<uint8_t>(*b | (1u << (e % 8)));
}

void SetExclude(BitSet* s, int32_t e) {
    if (uint8_t* b = ByteOf(s, e)) *b = static_cast<uint8_t>(*b & ~(1u << (e % 8)));
}

}  // namespace tarn::tpc
