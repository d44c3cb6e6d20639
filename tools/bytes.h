// Byte-order helpers shared by the assembler and the disassembler: an image stores every
// multi-byte value in the order named by its byte_order field.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace tarn::tools {

inline void PutWord(std::vector<uint8_t>& out, uint32_t v, bool big) {
    for (int i = 0; i < 4; ++i) {
        int shift = big ? 8 * (3 - i) : 8 * i;
        out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

inline uint32_t GetWord(const uint8_t* p, bool big) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        int shift = big ? 8 * (3 - i) : 8 * i;
        v |= static_cast<uint32_t>(p[i]) << shift;
    }
    return v;
}

// A real is an IEEE double stored little-endian as a unit; a big-endian image holds the
// same eight bytes reversed.
inline void PutReal(std::vector<uint8_t>& out, double d, bool big) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    for (int i = 0; i < 8; ++i) {
        int shift = big ? 8 * (7 - i) : 8 * i;
        out.push_back(static_cast<uint8_t>(bits >> shift));
    }
}

inline double GetReal(const uint8_t* p, bool big) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        int shift = big ? 8 * (7 - i) : 8 * i;
        bits |= static_cast<uint64_t>(p[i]) << shift;
    }
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

}  // namespace tarn::tools
