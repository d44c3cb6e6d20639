// The image disassembler. Reading and printing are separate: Read walks the image the way
// the loader does, collecting the header, records and line table into an ImageText and
// stopping at the first fault it cannot read past; the printers then turn whatever was
// collected into assembler text.
#include "tools/dis.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "vm/bytes.h"
#include "vm/image.h"
#include "vm/opcodes.h"

namespace tarn::tools {
namespace {

struct Reader {
    std::span<const uint8_t> bytes;
    size_t pos = 0;
    bool big = false;

    bool Has(size_t n) const { return bytes.size() - pos >= n; }
    const uint8_t* Here() const { return bytes.data() + pos; }
    uint32_t Word() { uint32_t v = vm::Load32(Here(), big); pos += 4; return v; }
};

struct ImageText {
    std::optional<std::string> script;
    bool has_header = false;
    std::array<uint8_t, 5> magic{};
    uint8_t word_bits = 0, byte_order = 0;
    std::array<uint32_t, vm::kHeaderWords> words{};
    std::string records;  // one comment line per record
    std::vector<std::string> sources;
    std::vector<uint8_t> code, data;
    std::vector<std::pair<uint32_t, uint32_t>> fixups, swaps;
    bool has_lines = false;
    std::vector<uint32_t> lines;
    size_t trailing = 0;
    std::string error;

    uint32_t Header(vm::HeaderWord w) const { return words[static_cast<size_t>(w)]; }
    bool WordOpcodes() const { return (Header(vm::HeaderWord::image_flags) & vm::kFlagWordOpcodes) != 0; }
};

std::string Format(const char* fmt, auto... args) {
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

void Fault(ImageText& t, const std::string& message) {
    if (t.error.empty()) t.error = message;
}

// ---- reading ---------------------------------------------------------------------------

bool ReadScript(Reader& r, ImageText& t) {
    if (!r.Has(2) || r.bytes[0] != '#' || r.bytes[1] != '!') return true;
    const uint8_t* begin = r.Here() + 2;
    const uint8_t* end = static_cast<const uint8_t*>(std::memchr(begin, '\n', r.bytes.size() - 2));
    if (!end) { Fault(t, "the \"#!\" line has no line feed"); return false; }
    t.script = std::string(begin, end);
    r.pos = static_cast<size_t>(end - r.bytes.data()) + 1;
    return true;
}

bool ReadHeader(Reader& r, ImageText& t) {
    if (!r.Has(vm::kHeaderSize)) {
        Fault(t, Format("the image ends inside the header (%zu of %zu bytes)", r.bytes.size() - r.pos, vm::kHeaderSize));
        return false;
    }
    std::memcpy(t.magic.data(), r.Here(), t.magic.size());
    r.pos += t.magic.size();
    t.word_bits = r.bytes[r.pos++];
    t.byte_order = r.bytes[r.pos++];
    r.big = t.byte_order != vm::kLittleEndian;
    for (uint32_t& w : t.words) w = r.Word();
    t.has_header = true;
    if (t.magic != vm::kImageMagic) Fault(t, "the magic bytes are not those of an image");
    return true;
}

void ReadPair(ImageText& t, const uint8_t* data, uint32_t length, bool big, size_t at,
              std::vector<std::pair<uint32_t, uint32_t>>& into) {
    if (length != 8) {
        Fault(t, Format("record at offset %zu has length %u instead of 8", at, length));
        return;
    }
    into.push_back({vm::Load32(data, big), vm::Load32(data + 4, big)});
}

enum class Walk { More, End, Stop };

// Reads one record; a fault that leaves the next record's position unknown stops the walk.
Walk ReadRecord(Reader& r, ImageText& t) {
    size_t at = r.pos;
    if (!r.Has(5)) { Fault(t, Format("the image ends at offset %zu before REC_END", at)); return Walk::Stop; }
    uint8_t id = r.bytes[r.pos++];
    uint32_t length = r.Word();
    std::string_view name = vm::RecordName(id);
    std::string label = name.empty() ? Format("unknown id 0x%02x", id) : Format("%s (0x%02x)", std::string(name).c_str(), id);
    if (length > vm::kMaxRecordData) {
        Fault(t, Format("record %s at offset %zu has length %u, over the limit of %u", label.c_str(), at, length, vm::kMaxRecordData));
        return Walk::Stop;
    }
    if (!r.Has(size_t{length} + 1)) {
        Fault(t, Format("record %s at offset %zu is cut off: %zu of %u bytes present", label.c_str(), at,
                        r.bytes.size() - r.pos, length + 1));
        return Walk::Stop;
    }
    const uint8_t* data = r.Here();
    r.pos += length;
    uint8_t check = r.bytes[r.pos++];
    uint8_t want = vm::RecordCheckByte(id, length, data);
    t.records += Format(";   offset %-8zu %-24s length %-5u check 0x%02x", at, label.c_str(), length, check);
    if (check != want) {
        t.records += Format(" WRONG (sum needs 0x%02x)", want);
        Fault(t, Format("record %s at offset %zu has check byte 0x%02x; the byte sum needs 0x%02x", label.c_str(), at, check, want));
    }
    t.records += "\n";
    switch (id) {
    case vm::REC_SOURCE_NAME: t.sources.emplace_back(data, data + length); break;
    case vm::REC_CODE: t.code.insert(t.code.end(), data, data + length); break;
    case vm::REC_DATA: t.data.insert(t.data.end(), data, data + length); break;
    case vm::REC_CODE_FIXUP: ReadPair(t, data, length, r.big, at, t.fixups); break;
    case vm::REC_DATA_SWAP: ReadPair(t, data, length, r.big, at, t.swaps); break;
    case vm::REC_END: return Walk::End;
    default: break;  // the loader skips records it does not know
    }
    return Walk::More;
}

void ReadLineTable(Reader& r, ImageText& t) {
    if (!r.Has(4)) { Fault(t, "the image ends before the line table"); return; }
    uint32_t count = r.Word();
    t.has_lines = true;
    size_t present = std::min<size_t>(count, (r.bytes.size() - r.pos) / 4);
    for (size_t i = 0; i < present; ++i) t.lines.push_back(r.Word());
    if (present < count) Fault(t, Format("the line table has %u entries but the image holds only %zu", count, present));
    t.trailing = r.bytes.size() - r.pos;
}

ImageText Read(std::span<const uint8_t> image) {
    ImageText t;
    Reader r{image};
    if (!ReadScript(r, t) || !ReadHeader(r, t)) return t;
    Walk w;
    while ((w = ReadRecord(r, t)) == Walk::More) {}
    if (w == Walk::End) ReadLineTable(r, t);
    return t;
}

// ---- printing --------------------------------------------------------------------------

std::string Quoted(std::string_view s) {
    std::string q = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') { q += '\\'; q += static_cast<char>(c); }
        else if (c >= 0x20 && c < 0x7f) q += static_cast<char>(c);
        else q += Format("\\x%02x", c);
    }
    return q + "\"";
}

// An instruction or directive with its offset in a comment at column 40.
void Line(std::string& out, const std::string& text, uint32_t offset) {
    std::string l = "        " + text;
    if (l.size() < 40) l.resize(40, ' ');
    out += l + " ; " + std::to_string(offset) + "\n";
}

std::string Signed(uint32_t w) { return std::to_string(static_cast<int32_t>(w)); }

// A real as text that reads back to the very same bits, or nothing when there is none
// (a NaN with a payload).
std::optional<std::string> RealText(double d) {
    std::string text = Format("%.17g", d);
    double back = std::strtod(text.c_str(), nullptr);
    if (std::memcmp(&back, &d, sizeof d) != 0) return std::nullopt;
    return text;
}

void PrintHeader(std::string& out, const ImageText& t) {
    out += ";   magic            " + Format("%02x %02x %02x %02x %02x\n", t.magic[0], t.magic[1], t.magic[2], t.magic[3], t.magic[4]);
    out += ";   word_bits        " + std::to_string(t.word_bits) + "\n";
    out += ";   byte_order       " + std::to_string(t.byte_order) + (t.byte_order ? " (big-endian)\n" : " (little-endian)\n");
    for (size_t i = 0; i < vm::kHeaderWords; ++i)
        out += Format(";   %-16s %u\n", std::string(vm::kHeaderWordNames[i]).c_str(), t.words[i]);

    using vm::HeaderWord;
    if (t.magic != vm::kImageMagic)
        out += Format(".magic 0x%02x, 0x%02x, 0x%02x, 0x%02x, 0x%02x\n", t.magic[0], t.magic[1], t.magic[2], t.magic[3], t.magic[4]);
    if (t.word_bits != vm::kWordBits) out += ".wordbits " + std::to_string(t.word_bits) + "\n";
    out += t.byte_order ? ".order big\n" : ".order little\n";
    out += ".version " + std::to_string(t.Header(HeaderWord::format_version)) + "\n";
    out += Format(".flags 0x%x\n", t.Header(HeaderWord::image_flags));
    bool timed = false;
    for (size_t i = 0; i < 6; ++i) timed |= t.Header(static_cast<HeaderWord>(static_cast<size_t>(HeaderWord::time_year) + i)) != 0;
    if (timed) {
        out += ".time";
        for (size_t i = 0; i < 6; ++i)
            out += (i ? ", " : " ") + std::to_string(t.Header(static_cast<HeaderWord>(static_cast<size_t>(HeaderWord::time_year) + i)));
        out += "\n";
    }
    out += ".globals " + std::to_string(t.Header(HeaderWord::data_base)) + "\n";
    out += ".stack " + std::to_string(t.Header(HeaderWord::stack_size)) + "\n";
    out += ".entry " + std::to_string(t.Header(HeaderWord::entry_offset)) + "\n";
    // The sizes follow from the records; a header that disagrees is reproduced explicitly.
    if (t.Header(HeaderWord::code_size) != t.code.size()) out += ".codesize " + std::to_string(t.Header(HeaderWord::code_size)) + "\n";
    if (t.Header(HeaderWord::data_size) != t.data.size()) out += ".datasize " + std::to_string(t.Header(HeaderWord::data_size)) + "\n";
}

void PrintBytes(std::string& out, const std::vector<uint8_t>& bytes, size_t from, size_t to) {
    for (size_t at = from; at < to; at += 16) {
        std::string text = ".byte ";
        for (size_t i = at; i < std::min(to, at + 16); ++i) text += Format(i == at ? "0x%02x" : ", 0x%02x", bytes[i]);
        Line(out, text, static_cast<uint32_t>(at));
    }
}

// One instruction at `at`; returns its length. Undefined opcodes and instructions cut off
// by the end of the code come out as .opcode and .byte so that they assemble back.
size_t PrintInstruction(std::string& out, const std::vector<uint8_t>& code, size_t at, bool big, bool wordops) {
    size_t width = wordops ? 4 : 1;
    if (code.size() - at < width) { PrintBytes(out, code, at, code.size()); return code.size() - at; }
    uint32_t op = wordops ? vm::Load32(&code[at], big) : code[at];
    bool defined = vm::IsDefinedOpcode(op);
    const vm::OpInfo* info = defined ? &vm::kOpTable[op] : nullptr;
    size_t operands = defined ? vm::OperandBytes(info->operands) : 0;
    if (!defined || code.size() - at - width < operands) {
        Line(out, Format(".opcode 0x%x", op) + (defined ? "              ; " + std::string(info->mnemonic) + ", operands cut off" : ""), static_cast<uint32_t>(at));
        return width;
    }
    const uint8_t* p = &code[at + width];
    std::string text(info->mnemonic);
    switch (info->operands) {
    case vm::Operands::NONE: break;
    case vm::Operands::W: text += " " + Signed(vm::Load32(p, big)); break;
    case vm::Operands::WW: text += " " + Signed(vm::Load32(p, big)) + ", " + Signed(vm::Load32(p + 4, big)); break;
    case vm::Operands::R8:
        if (auto real = RealText(vm::LoadReal64(p, big))) {
            text += " " + *real;
        } else {
            Line(out, Format(".opcode 0x%x", op), static_cast<uint32_t>(at));
            PrintBytes(out, code, at + width, at + width + 8);
            return width + 8;
        }
        break;
    }
    Line(out, text, static_cast<uint32_t>(at));
    return width + operands;
}

void PrintCode(std::string& out, const ImageText& t) {
    std::multimap<uint32_t, size_t> line_at;  // code offset -> source line
    for (size_t i = 0; i < t.lines.size(); ++i)
        if (t.lines[i] != 0) line_at.insert({t.lines[i], i + 1});
    out += ".code\n";
    bool big = t.byte_order != vm::kLittleEndian;
    for (size_t at = 0; at < t.code.size();) {
        auto [from, to] = line_at.equal_range(static_cast<uint32_t>(at));
        for (auto it = from; it != to; ++it) out += "; line " + std::to_string(it->second) + "\n";
        at += PrintInstruction(out, t.code, at, big, t.WordOpcodes());
    }
}

void PrintTables(std::string& out, const ImageText& t) {
    if (!t.data.empty()) {
        out += ".data\n";
        PrintBytes(out, t.data, 0, t.data.size());
    }
    for (auto [x, v] : t.fixups) out += ".fixup " + std::to_string(x) + ", " + Signed(v) + "\n";
    for (auto [d, n] : t.swaps) out += ".swap " + std::to_string(d) + ", " + std::to_string(n) + "\n";
    if (!t.has_lines) return;
    out += "; line table: " + std::to_string(t.lines.size()) + " entries\n";
    // Every entry with code, and the last one so that the count comes out the same.
    for (size_t i = 0; i < t.lines.size(); ++i)
        if (t.lines[i] != 0 || i + 1 == t.lines.size())
            out += ".line " + std::to_string(i + 1) + ", " + std::to_string(t.lines[i]) + "\n";
    if (t.trailing) out += "; " + std::to_string(t.trailing) + " bytes follow the line table\n";
}

}  // namespace

Listing Disassemble(std::span<const uint8_t> image) {
    ImageText t = Read(image);
    Listing l;
    std::string& out = l.text;
    out += "; image of " + std::to_string(image.size()) + " bytes\n";
    if (t.script) out += ".script " + Quoted(*t.script) + "\n";
    if (t.has_header) {
        out += "; header\n";
        PrintHeader(out, t);
        out += "; records\n" + t.records;
        for (const std::string& s : t.sources) out += ".source " + Quoted(s) + "\n";
        PrintCode(out, t);
        PrintTables(out, t);
    }
    l.error = t.error;
    return l;
}

}  // namespace tarn::tools
