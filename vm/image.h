// The image format written by the compiler and loaded by the engine. The header words and
// record ids come from image.def.
//
// Layout: optional "#!" line up to a line feed; the 59-byte header (magic, word_bits,
// byte_order, then the header words); records (id, length word, data, check byte; the
// byte sum of a whole record is 0 mod 256); REC_END; the line table (a count word N, then N
// code offsets, entry i being where source line i+1 begins, 0 when it has no code).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarn::vm {

inline constexpr std::array<uint8_t, 5> kImageMagic = {0x54, 0x78, 0x1A, 0x01, 0x00};
inline constexpr uint8_t kWordBits = 32;
inline constexpr uint8_t kLittleEndian = 0;  // byte_order field; any other value is big-endian
inline constexpr uint8_t kBigEndian = 1;
inline constexpr uint32_t kMinFormatVersion = 4;
inline constexpr uint32_t kMaxFormatVersion = 5;
inline constexpr uint32_t kFormatVersion = 5;  // what the compiler writes

// image_flags bits
inline constexpr uint32_t kFlagWordOpcodes = 1u << 0;
inline constexpr uint32_t kFlagPortable = 1u << 1;

enum class HeaderWord : uint32_t {
#define HEADER_WORD(name) name,
#define RECORD(id, name)
#include "vm/image.def"
#undef RECORD
#undef HEADER_WORD
    Count
};

inline constexpr size_t kHeaderWords = static_cast<size_t>(HeaderWord::Count);
inline constexpr size_t kHeaderSize = kImageMagic.size() + 2 + 4 * kHeaderWords;
static_assert(kHeaderSize == 59, "the image header is 59 bytes");

inline constexpr std::array<std::string_view, kHeaderWords> kHeaderWordNames = {
#define HEADER_WORD(name) #name,
#define RECORD(id, name)
#include "vm/image.def"
#undef RECORD
#undef HEADER_WORD
};

enum RecordId : uint8_t {
#define HEADER_WORD(name)
#define RECORD(id, name) name = id,
#include "vm/image.def"
#undef RECORD
#undef HEADER_WORD
};

constexpr std::string_view RecordName(uint8_t id) {
    switch (id) {
#define HEADER_WORD(name)
#define RECORD(id, name) case id: return #name;
#include "vm/image.def"
#undef RECORD
#undef HEADER_WORD
    default: return {};
    }
}

inline constexpr uint32_t kMaxRecordData = 1028;  // longer contents are split
inline constexpr uint32_t kRecordOverhead = 1 + 4 + 1;  // id, length, check byte
inline constexpr uint32_t kLineTableChunk = 1024;  // words read at a time by the loader

// The check byte that makes the byte sum of the whole record 0 mod 256.
constexpr uint8_t RecordCheckByte(uint8_t id, uint32_t length, const uint8_t* data) {
    uint32_t sum = id;
    for (int i = 0; i < 4; ++i) sum += (length >> (8 * i)) & 0xff;  // same sum in either order
    for (uint32_t i = 0; i < length; ++i) sum += data[i];
    return static_cast<uint8_t>(0x100 - (sum & 0xff));
}

// The name of the executable section that may carry an image (objcopy --add-section).
inline constexpr std::string_view kImageSectionName = ".tarn_image";

// Variant type codes carried by variant values (VARCVT and the automation routines).
enum class VariantType : uint32_t {
    Empty = 0,
    Null = 1,
    Integer = 3,
    Real = 5,
    Error = 10,
    Boolean = 11,
    Byte = 17,
    Word = 19,
    String = 30,
    Object = 73,
};

}  // namespace tarn::vm
