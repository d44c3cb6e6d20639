// bitset: {low, high, bytes} over a range of small non-negative integers; used for token
// sets, option switches and directive flags. Element e lives in byte e/8 - low/8, bit
// e mod 8. An element outside low..high is an internal error. A set comes from the
// tracked allocator and goes with the compilation.
#pragma once

#include <cstdint>

namespace tarn::tpc {

struct BitSet {
    int32_t low;
    int32_t high;
    uint8_t* bytes;     // high/8 - low/8 + 1 bytes
};

BitSet* SetCreate(int32_t low, int32_t high);
bool SetIn(const BitSet* s, int32_t e);
void SetInclude(BitSet* s, int32_t e);
void SetExclude(BitSet* s, int32_t e);

}  // namespace tarn::tpc
