// The tests' own reader of the image layout: it splits an image into script line, header,
// records and line table the way the loader does, in the byte order the header names,
// without any help from the writer, the loader or the image tools it is used to check.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "vm/bytes.h"
#include "vm/image.h"

namespace tarn::test {

struct ImageRecord {
    uint8_t id = 0;
    size_t at = 0;        // offset of the id byte in the image
    uint32_t length = 0;  // as the length field says
    std::vector<uint8_t> data;
    unsigned byteSum = 0;  // of the whole record, check byte included, mod 256
};

struct ParsedImage {
    bool ok = false;    // everything up to the end of the line table was read
    std::string error;  // what stopped the reader when not ok
    std::string scriptLine;  // the text after "#!" up to the line feed; "" when none
    size_t headerAt = 0;     // offset of the magic
    std::array<uint8_t, 5> magic{};
    uint8_t wordBits = 0;
    uint8_t byteOrder = 0xff;
    std::array<uint32_t, vm::kHeaderWords> header{};
    std::vector<ImageRecord> records;  // those read before the reader stopped
    bool hasLineTable = false;         // a count word followed the end record
    std::vector<uint32_t> lineTable;
    size_t trailing = 0;  // bytes after the line table (should be none)

    bool Big() const { return byteOrder != vm::kLittleEndian; }
    bool Complete() const { return ok && trailing == 0; }
    uint32_t Header(vm::HeaderWord w) const { return header[static_cast<size_t>(w)]; }

    std::vector<const ImageRecord*> RecordsOf(uint8_t id) const {
        std::vector<const ImageRecord*> out;
        for (const auto& r : records)
            if (r.id == id) out.push_back(&r);
        return out;
    }
    // The data of every record with this id, in image order.
    std::vector<uint8_t> Concatenated(uint8_t id) const {
        std::vector<uint8_t> out;
        for (const auto* r : RecordsOf(id)) out.insert(out.end(), r->data.begin(), r->data.end());
        return out;
    }
};

// Reads the image that starts at `start` (an executable holds one after its own bytes).
inline ParsedImage ParseImage(const std::vector<uint8_t>& bytes, size_t start = 0) {
    ParsedImage img;
    size_t at = start;
    auto need = [&](size_t n) { return bytes.size() >= at && bytes.size() - at >= n; };
    auto fail = [&](const char* why) {
        img.error = why;
        return img;
    };
    if (need(2) && bytes[at] == '#' && bytes[at + 1] == '!') {
        size_t lf = at + 2;
        while (lf < bytes.size() && bytes[lf] != '\n') ++lf;
        if (lf == bytes.size()) return fail("script line without line feed");
        img.scriptLine.assign(bytes.begin() + static_cast<long>(at) + 2, bytes.begin() + static_cast<long>(lf));
        at = lf + 1;
    }
    img.headerAt = at;
    if (!need(vm::kHeaderSize)) return fail("short header");
    for (size_t i = 0; i < img.magic.size(); ++i) img.magic[i] = bytes[at + i];
    img.wordBits = bytes[at + 5];
    img.byteOrder = bytes[at + 6];
    at += 7;
    const bool big = img.Big();
    for (size_t i = 0; i < vm::kHeaderWords; ++i, at += 4) img.header[i] = vm::Load32(&bytes[at], big);
    for (;;) {
        if (!need(5)) return fail("record head cut short");
        ImageRecord r;
        r.id = bytes[at];
        r.at = at;
        r.length = vm::Load32(&bytes[at + 1], big);
        const size_t whole = 5 + size_t{r.length} + 1;
        if (!need(whole)) return fail("record cut short");
        for (size_t i = 0; i < whole; ++i) r.byteSum += bytes[at + i];
        r.byteSum &= 0xff;
        r.data.assign(bytes.begin() + static_cast<long>(at) + 5, bytes.begin() + static_cast<long>(at + whole - 1));
        at += whole;
        img.records.push_back(std::move(r));
        if (img.records.back().id == vm::REC_END) break;
    }
    if (!need(4)) return fail("no line table count");
    img.hasLineTable = true;
    uint32_t n = vm::Load32(&bytes[at], big);
    at += 4;
    if (!need(4 * size_t{n})) return fail("line table cut short");
    for (uint32_t i = 0; i < n; ++i, at += 4) img.lineTable.push_back(vm::Load32(&bytes[at], big));
    img.trailing = bytes.size() - at;
    img.ok = true;
    return img;
}

inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline ParsedImage ParseImageFile(const std::filesystem::path& path) { return ParseImage(ReadFileBytes(path)); }

}  // namespace tarn::test
