// A small, independent reader of the image layout for the tests: it splits an image into
// header and records the way the loader does, without using the tools under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vm/image.h"

namespace tarn::tools::test {

struct RawRecord {
    uint8_t id;
    size_t at;      // offset of the id byte in the image
    uint32_t length;
    std::vector<uint8_t> data;
    uint8_t sum;    // byte sum of the whole record mod 256
};

struct RawImage {
    size_t header_at = 0;  // after an optional "#!" line
    bool big = false;
    std::vector<uint32_t> header;  // the header words in order
    std::vector<RawRecord> records;
    std::vector<uint32_t> lines;
    bool complete = false;
};

inline uint32_t Load32(const std::vector<uint8_t>& b, size_t at, bool big) {
    return big ? (uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3])
               : (uint32_t{b[at + 3]} << 24 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 1]} << 8 | b[at]);
}

inline RawImage Walk(const std::vector<uint8_t>& b) {
    RawImage img;
    size_t p = 0;
    if (b.size() >= 2 && b[0] == '#' && b[1] == '!') {
        while (p < b.size() && b[p] != '\n') ++p;
        ++p;
    }
    img.header_at = p;
    if (b.size() < p + vm::kHeaderSize) return img;
    img.big = b[p + 6] != 0;
    p += 7;
    for (size_t i = 0; i < vm::kHeaderWords; ++i, p += 4) img.header.push_back(Load32(b, p, img.big));
    for (;;) {
        if (b.size() < p + 5) return img;
        RawRecord r{b[p], p, Load32(b, p + 1, img.big), {}, 0};
        if (b.size() < p + 6 + r.length) return img;
        r.data.assign(b.begin() + static_cast<long>(p + 5), b.begin() + static_cast<long>(p + 5 + r.length));
        unsigned sum = 0;
        for (size_t i = p; i < p + 6 + r.length; ++i) sum += b[i];
        r.sum = static_cast<uint8_t>(sum);
        p += 6 + r.length;
        img.records.push_back(r);
        if (r.id == vm::REC_END) break;
    }
    if (b.size() < p + 4) return img;
    uint32_t n = Load32(b, p, img.big);
    p += 4;
    for (uint32_t i = 0; i < n && p + 4 <= b.size(); ++i, p += 4) img.lines.push_back(Load32(b, p, img.big));
    img.complete = img.lines.size() == n && p == b.size();
    return img;
}

inline uint32_t HeaderOf(const RawImage& img, vm::HeaderWord w) { return img.header.at(static_cast<size_t>(w)); }

// The concatenated contents of every record with this id.
inline std::vector<uint8_t> Contents(const RawImage& img, uint8_t id) {
    std::vector<uint8_t> out;
    for (const RawRecord& r : img.records)
        if (r.id == id) out.insert(out.end(), r.data.begin(), r.data.end());
    return out;
}

}  // namespace tarn::tools::test
