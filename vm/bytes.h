// Byte order and alignment, for everything that reads or writes VM words in byte buffers:
// the image writer, the loader and the interpreter, the image tools and the tests.
//
// Two kinds of access: host order (the engine keeps VM memory and converted code in the
// host's order; any alignment), and an explicit order (an image stores every multi-byte
// value little- or big-endian as its byte_order field says). A real is an IEEE double
// stored little-endian as a unit; a big-endian image holds the same eight bytes reversed.
#pragma once

#include <bit>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tarn::vm {

// The engine treats byte_order 0 as its own order and converts every other image once.
static_assert(std::endian::native == std::endian::little, "the kit runs on little-endian hosts");

// Rounds up to a multiple of 4 in the width of the argument: a 64-bit caller sees sizes
// near 2^32 overflow instead of wrapping to 0.
template <std::unsigned_integral T>
constexpr T Align4(T n) {
    return (n + 3) & ~T{3};
}

constexpr uint32_t ByteSwap32(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xff00u) | ((v << 8) & 0xff0000u) | (v << 24);
}

constexpr uint64_t ByteSwap64(uint64_t v) {
    return uint64_t{ByteSwap32(static_cast<uint32_t>(v))} << 32 | ByteSwap32(static_cast<uint32_t>(v >> 32));
}

// ---- host order, any alignment ----------------------------------------------------------

inline uint32_t LoadWord(const uint8_t* p) { uint32_t v; std::memcpy(&v, p, 4); return v; }
inline void StoreWord(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline double LoadReal(const uint8_t* p) { double v; std::memcpy(&v, p, 8); return v; }
inline void StoreReal(uint8_t* p, double v) { std::memcpy(p, &v, 8); }

// Turns the word at p from one order into the other.
inline void SwapWordAt(uint8_t* p) { StoreWord(p, ByteSwap32(LoadWord(p))); }

// ---- explicit order -----------------------------------------------------------------------

constexpr uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

constexpr uint32_t LoadBE32(const uint8_t* p) {
    return uint32_t{p[3]} | uint32_t{p[2]} << 8 | uint32_t{p[1]} << 16 | uint32_t{p[0]} << 24;
}

constexpr void StoreLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

constexpr void StoreBE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * (3 - i)));
}

constexpr uint32_t Load32(const uint8_t* p, bool big) { return big ? LoadBE32(p) : LoadLE32(p); }

constexpr void Store32(uint8_t* p, uint32_t v, bool big) { big ? StoreBE32(p, v) : StoreLE32(p, v); }

inline void Append32(std::vector<uint8_t>& out, uint32_t v, bool big) {
    uint8_t bytes[4];
    Store32(bytes, v, big);
    out.insert(out.end(), bytes, bytes + 4);
}

inline double LoadReal64(const uint8_t* p, bool big) {
    uint64_t bits;
    std::memcpy(&bits, p, 8);
    return std::bit_cast<double>(big ? ByteSwap64(bits) : bits);
}

inline void AppendReal64(std::vector<uint8_t>& out, double d, bool big) {
    uint64_t bits = std::bit_cast<uint64_t>(d);
    if (big) bits = ByteSwap64(bits);
    uint8_t bytes[8];
    std::memcpy(bytes, &bits, 8);
    out.insert(out.end(), bytes, bytes + 8);
}

}  // namespace tarn::vm
