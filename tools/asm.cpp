// The image assembler. The source is read three times by the same code: the first pass
// learns the settings that change instruction sizes (word opcodes, byte order, data_base),
// the second lays out every label under those settings, and the third emits the bytes and
// reports errors, resolving each label with the values the second pass found. Running one
// function three times keeps forward references simple without a patch list.
#include "tools/asm.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>

#include "vm/bytes.h"
#include "vm/image.h"
#include "vm/opcodes.h"

namespace tarn::tools {
namespace {

using vm::HeaderWord;

// Everything that ends up in the header or decides how code is laid out.
struct Settings {
    std::array<uint8_t, 5> magic = vm::kImageMagic;
    uint8_t word_bits = vm::kWordBits;
    bool big = false;
    uint32_t version = vm::kFormatVersion;
    uint32_t flags = 0;
    std::array<uint32_t, 6> time{};  // zero: images come out the same on every run
    uint32_t data_base = 16;
    uint32_t stack_size = 65536;
    uint32_t entry = 0;
    std::optional<uint32_t> code_size, data_size;
    std::optional<std::string> script;

    bool WordOpcodes() const { return (flags & vm::kFlagWordOpcodes) != 0; }
};

struct Label {
    bool data;
    uint32_t offset;
};

struct Pass {
    std::string_view file;
    bool final = false;
    Settings layout;                         // what the previous pass learned
    const std::map<std::string, Label, std::less<>>* known = nullptr;  // previous labels

    Settings next;
    std::map<std::string, Label, std::less<>> labels;
    std::vector<uint8_t> code, data;
    bool in_data = false;
    std::vector<std::string> sources;
    std::vector<std::pair<uint32_t, uint32_t>> fixups, swaps;
    std::vector<uint32_t> lines;  // entry i: code offset of source line i+1
    int line_no = 0;
    std::string errors;
    bool line_failed = false;

    std::vector<uint8_t>& Section() { return in_data ? data : code; }
};

void Error(Pass& p, const std::string& message) {
    if (p.line_failed) return;  // one message per line: the rest usually follows from it
    p.line_failed = true;
    if (!p.final) return;
    p.errors += std::string(p.file) + ":" + std::to_string(p.line_no) + ": " + message + "\n";
}

// ---- scanning one line -----------------------------------------------------------------

struct Cursor {
    std::string_view s;
    size_t i = 0;

    void Skip() { while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i; }
    bool AtEnd() { Skip(); return i >= s.size(); }
    char Peek() { Skip(); return i < s.size() ? s[i] : '\0'; }
    bool Accept(char c) { if (Peek() != c) return false; ++i; return true; }
};

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

// The text of a line without its comment; a ';' inside quotes is part of the text.
std::string_view StripComment(std::string_view line) {
    char quote = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quote) {
            if (c == '\\') ++i;
            else if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            return line.substr(0, i);
        }
    }
    return line;
}

std::string_view Identifier(Cursor& c) {
    c.Skip();
    size_t start = c.i;
    if (c.i < c.s.size() && IsIdentStart(c.s[c.i]))
        while (c.i < c.s.size() && IsIdentChar(c.s[c.i])) ++c.i;
    return c.s.substr(start, c.i - start);
}

// The rest of the current token, for messages.
std::string Rest(Cursor& c) {
    c.Skip();
    size_t end = c.i < c.s.size() ? c.i + 1 : c.i;  // at least one character, even a ','
    while (end < c.s.size() && c.s[end] != ' ' && c.s[end] != '\t' && c.s[end] != ',') ++end;
    return std::string(c.s.substr(c.i, end - c.i));
}

// One character of a quoted text, with the escapes \n \t \r \0 \\ \" \' \xNN.
bool Escaped(Pass& p, Cursor& c, char& out) {
    if (c.i >= c.s.size()) return false;
    char ch = c.s[c.i++];
    if (ch != '\\') { out = ch; return true; }
    if (c.i >= c.s.size()) { Error(p, "unfinished escape"); return false; }
    char e = c.s[c.i++];
    switch (e) {
    case 'n': out = '\n'; return true;
    case 't': out = '\t'; return true;
    case 'r': out = '\r'; return true;
    case '0': out = '\0'; return true;
    case '\\': case '"': case '\'': out = e; return true;
    case 'x': {
        int v = 0, digits = 0;
        while (digits < 2 && c.i < c.s.size() && std::isxdigit(static_cast<unsigned char>(c.s[c.i]))) {
            char h = c.s[c.i++];
            v = v * 16 + (IsDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
            ++digits;
        }
        if (digits == 0) { Error(p, "\\x needs hexadecimal digits"); return false; }
        out = static_cast<char>(v);
        return true;
    }
    default:
        Error(p, std::string("unknown escape '\\") + e + "'");
        return false;
    }
}

bool QuotedText(Pass& p, Cursor& c, std::string& out) {
    if (!c.Accept('"')) { Error(p, "expected a quoted text, found '" + Rest(c) + "'"); return false; }
    while (c.i < c.s.size() && c.s[c.i] != '"') {
        char ch;
        if (!Escaped(p, c, ch)) return false;
        out += ch;
    }
    if (c.i >= c.s.size()) { Error(p, "unterminated text"); return false; }
    ++c.i;
    return true;
}

// ---- expressions ------------------------------------------------------------------------

bool Number(Pass& p, Cursor& c, int64_t& out) {
    c.Skip();
    size_t start = c.i;
    int base = 10;
    if (c.s.substr(c.i, 2) == "0x" || c.s.substr(c.i, 2) == "0X") { base = 16; c.i += 2; }
    uint64_t v = 0;
    size_t digits = c.i;
    for (; c.i < c.s.size(); ++c.i) {
        char ch = c.s[c.i];
        int d = IsDigit(ch) ? ch - '0'
              : (base == 16 && std::isxdigit(static_cast<unsigned char>(ch))) ? (ch | 0x20) - 'a' + 10
              : -1;
        if (d < 0) break;
        v = v * base + d;
        if (v > (uint64_t{1} << 40)) { c.i = start; Error(p, "number too large: " + Rest(c)); return false; }
    }
    if (c.i == digits || (c.i < c.s.size() && IsIdentChar(c.s[c.i]))) {
        c.i = start;
        Error(p, "bad number '" + Rest(c) + "'");
        return false;
    }
    out = static_cast<int64_t>(v);
    return true;
}

bool LabelValue(Pass& p, std::string_view name, bool absolute, int64_t& out) {
    auto it = p.known->find(name);
    if (it == p.known->end()) {
        out = 0;
        if (p.final) { Error(p, "undefined label '" + std::string(name) + "'"); return false; }
        return true;  // an earlier pass: the layout does not depend on the value
    }
    out = it->second.offset;
    if (absolute && it->second.data) out += p.layout.data_base;
    return true;
}

bool Term(Pass& p, Cursor& c, int64_t& out) {
    char ch = c.Peek();
    if (IsDigit(ch)) return Number(p, c, out);
    if (ch == '\'') {
        ++c.i;
        char v;
        if (!Escaped(p, c, v) || c.i >= c.s.size() || c.s[c.i] != '\'') {
            Error(p, "bad character literal");
            return false;
        }
        ++c.i;
        out = static_cast<unsigned char>(v);
        return true;
    }
    bool absolute = c.Accept('@');
    std::string_view name = Identifier(c);
    if (name.empty()) {
        Error(p, "expected a number or label, found '" + Rest(c) + "'");
        return false;
    }
    return LabelValue(p, name, absolute, out);
}

// number | label | @label | 'c', joined by + and -, with an optional leading sign.
bool Expression(Pass& p, Cursor& c, int64_t& out) {
    int64_t sign = 1;
    if (c.Accept('-')) sign = -1;
    else c.Accept('+');
    if (!Term(p, c, out)) return false;
    out *= sign;
    for (;;) {
        if (c.Accept('+')) sign = 1;
        else if (c.Accept('-')) sign = -1;
        else return true;
        int64_t t;
        if (!Term(p, c, t)) return false;
        out += sign * t;
        if (out > (int64_t{1} << 40) || out < -(int64_t{1} << 40)) { Error(p, "value out of range"); return false; }
    }
}

// A 32-bit value: anything from -2^31 to 2^32-1, stored modulo 2^32.
bool Word(Pass& p, Cursor& c, uint32_t& out) {
    int64_t v;
    if (!Expression(p, c, v)) return false;
    if (v < INT32_MIN || v > int64_t{UINT32_MAX}) {
        Error(p, "value " + std::to_string(v) + " does not fit in 32 bits");
        return false;
    }
    out = static_cast<uint32_t>(v);
    return true;
}

bool Byte(Pass& p, Cursor& c, uint8_t& out) {
    int64_t v;
    if (!Expression(p, c, v)) return false;
    if (v < -128 || v > 255) { Error(p, "value " + std::to_string(v) + " does not fit in a byte"); return false; }
    out = static_cast<uint8_t>(v);
    return true;
}

bool Comma(Pass& p, Cursor& c) {
    if (c.Accept(',')) return true;
    Error(p, c.AtEnd() ? "missing operand" : "expected ',', found '" + Rest(c) + "'");
    return false;
}

// A real literal: whatever strtod reads (1.5, -2e10, nan, inf, 0x1p3), up to a blank.
bool Real(Pass& p, Cursor& c, double& out) {
    std::string text = Rest(c);
    if (text.empty()) { Error(p, "missing real operand"); return false; }
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) { Error(p, "bad real literal '" + text + "'"); return false; }
    c.i += text.size();
    return true;
}

// ---- emitting --------------------------------------------------------------------------

void EmitOpcode(Pass& p, uint32_t op) {
    if (p.layout.WordOpcodes()) vm::Append32(p.Section(), op, p.layout.big);
    else p.Section().push_back(static_cast<uint8_t>(op));
}

void Instruction(Pass& p, Cursor& c, std::string_view mnemonic) {
    vm::Op op;
    if (!vm::FindMnemonic(mnemonic, op)) {
        Error(p, "unknown mnemonic '" + std::string(mnemonic) + "'");
        return;
    }
    const vm::OpInfo& info = vm::Info(op);
    EmitOpcode(p, static_cast<uint32_t>(op));
    auto& out = p.Section();
    uint32_t w;
    double r;
    switch (info.operands) {
    case vm::Operands::NONE:
        break;
    case vm::Operands::W:
        if (c.AtEnd()) { Error(p, std::string(info.mnemonic) + " needs one operand"); return; }
        if (Word(p, c, w)) vm::Append32(out, w, p.layout.big);
        break;
    case vm::Operands::WW:
        if (c.AtEnd()) { Error(p, std::string(info.mnemonic) + " needs two operands"); return; }
        if (!Word(p, c, w)) return;
        vm::Append32(out, w, p.layout.big);
        if (c.AtEnd()) { Error(p, std::string(info.mnemonic) + " needs two operands"); return; }
        if (!Comma(p, c) || !Word(p, c, w)) return;
        vm::Append32(out, w, p.layout.big);
        break;
    case vm::Operands::R8:
        if (Real(p, c, r)) vm::AppendReal64(out, r, p.layout.big);
        break;
    }
}

// ---- directives ------------------------------------------------------------------------

using DirectiveFn = void (*)(Pass&, Cursor&);

// A comma-separated list of items, each emitted as soon as it is read.
template <typename F>
void List(Pass& p, Cursor& c, F item) {
    do {
        if (!item(p, c)) return;
    } while (c.Accept(','));
}

void DirCode(Pass& p, Cursor&) { p.in_data = false; }
void DirData(Pass& p, Cursor&) { p.in_data = true; }

void DirEntry(Pass& p, Cursor& c) { Word(p, c, p.next.entry); }
void DirGlobals(Pass& p, Cursor& c) { Word(p, c, p.next.data_base); }
void DirStack(Pass& p, Cursor& c) { Word(p, c, p.next.stack_size); }
void DirVersion(Pass& p, Cursor& c) { Word(p, c, p.next.version); }
void DirFlags(Pass& p, Cursor& c) { Word(p, c, p.next.flags); }
void DirWordops(Pass& p, Cursor&) { p.next.flags |= vm::kFlagWordOpcodes; }
void DirWordbits(Pass& p, Cursor& c) { Byte(p, c, p.next.word_bits); }

void DirOrder(Pass& p, Cursor& c) {
    std::string order = Upper(Identifier(c));
    if (order == "BIG") p.next.big = true;
    else if (order == "LITTLE") p.next.big = false;
    else Error(p, ".order takes big or little");
}

void DirMagic(Pass& p, Cursor& c) {
    for (size_t i = 0; i < p.next.magic.size(); ++i) {
        c.Accept(',');
        if (c.AtEnd()) { Error(p, ".magic takes 5 bytes"); return; }
        if (!Byte(p, c, p.next.magic[i])) return;
    }
}

void DirTime(Pass& p, Cursor& c) {
    for (size_t i = 0; i < p.next.time.size(); ++i) {
        c.Accept(',');
        if (c.AtEnd()) { Error(p, ".time takes 6 words"); return; }
        if (!Word(p, c, p.next.time[i])) return;
    }
}

void DirScript(Pass& p, Cursor& c) {
    std::string text;
    if (QuotedText(p, c, text)) p.next.script = text;
}

void DirCodesize(Pass& p, Cursor& c) { uint32_t v; if (Word(p, c, v)) p.next.code_size = v; }
void DirDatasize(Pass& p, Cursor& c) { uint32_t v; if (Word(p, c, v)) p.next.data_size = v; }

void DirWord(Pass& p, Cursor& c) {
    List(p, c, [](Pass& p, Cursor& c) {
        uint32_t w;
        if (!Word(p, c, w)) return false;
        vm::Append32(p.Section(), w, p.layout.big);
        return true;
    });
}

void DirByte(Pass& p, Cursor& c) {
    List(p, c, [](Pass& p, Cursor& c) {
        uint8_t b;
        if (!Byte(p, c, b)) return false;
        p.Section().push_back(b);
        return true;
    });
}

void DirReal(Pass& p, Cursor& c) {
    List(p, c, [](Pass& p, Cursor& c) {
        double r;
        if (!Real(p, c, r)) return false;
        vm::AppendReal64(p.Section(), r, p.layout.big);
        return true;
    });
}

void DirAscii(Pass& p, Cursor& c) {
    std::string text;
    if (QuotedText(p, c, text)) p.Section().insert(p.Section().end(), text.begin(), text.end());
}

void DirSpace(Pass& p, Cursor& c) {
    uint32_t n;
    uint8_t fill = 0;
    if (!Word(p, c, n)) return;
    if (c.Accept(',') && !Byte(p, c, fill)) return;
    if (n > (1u << 28)) { Error(p, ".space of " + std::to_string(n) + " bytes is too large"); return; }
    p.Section().insert(p.Section().end(), n, fill);
}

void DirAlign(Pass& p, Cursor& c) {
    uint32_t n;
    if (!Word(p, c, n)) return;
    if (n == 0 || n > 4096) { Error(p, ".align takes 1 to 4096"); return; }
    while (p.Section().size() % n != 0) p.Section().push_back(0);
}

void DirOpcode(Pass& p, Cursor& c) {
    uint32_t op;
    if (!Word(p, c, op)) return;
    if (!p.layout.WordOpcodes() && op > 0xff) { Error(p, "opcode " + std::to_string(op) + " does not fit in a byte"); return; }
    EmitOpcode(p, op);
}

void DirSource(Pass& p, Cursor& c) {
    std::string name;
    if (QuotedText(p, c, name)) p.sources.push_back(name);
}

// .line N sets where source line N begins: at the current code offset, or at X with .line N, X.
void DirLine(Pass& p, Cursor& c) {
    uint32_t n, at = static_cast<uint32_t>(p.code.size());
    if (!Word(p, c, n)) return;
    if (n == 0 || n > (1u << 24)) { Error(p, "line number " + std::to_string(n) + " out of range"); return; }
    if (c.Accept(',') && !Word(p, c, at)) return;
    if (p.lines.size() < n) p.lines.resize(n, 0);
    p.lines[n - 1] = at;
}

void DirSwap(Pass& p, Cursor& c) {
    uint32_t at, count;
    if (Word(p, c, at) && Comma(p, c) && Word(p, c, count)) p.swaps.push_back({at, count});
}

void DirFixup(Pass& p, Cursor& c) {
    uint32_t at, addend;
    if (Word(p, c, at) && Comma(p, c) && Word(p, c, addend)) p.fixups.push_back({at, addend});
}

struct Directive {
    std::string_view name;
    DirectiveFn fn;
};

constexpr Directive kDirectives[] = {
    {"CODE", DirCode},         {"DATA", DirData},         {"ENTRY", DirEntry},
    {"GLOBALS", DirGlobals},   {"STACK", DirStack},       {"VERSION", DirVersion},
    {"FLAGS", DirFlags},       {"WORDOPS", DirWordops},   {"ORDER", DirOrder},
    {"WORDBITS", DirWordbits}, {"MAGIC", DirMagic},       {"TIME", DirTime},
    {"SCRIPT", DirScript},     {"CODESIZE", DirCodesize}, {"DATASIZE", DirDatasize},
    {"WORD", DirWord},         {"BYTE", DirByte},         {"REAL", DirReal},
    {"ASCII", DirAscii},       {"SPACE", DirSpace},       {"ALIGN", DirAlign},
    {"OPCODE", DirOpcode},     {"SOURCE", DirSource},     {"LINE", DirLine},
    {"SWAP", DirSwap},         {"FIXUP", DirFixup},
};

void RunDirective(Pass& p, Cursor& c, std::string_view name) {
    std::string upper = Upper(name);
    for (const Directive& d : kDirectives) {
        if (d.name == upper) { d.fn(p, c); return; }
    }
    Error(p, "unknown directive '." + std::string(name) + "'");
}

// ---- statements and passes -------------------------------------------------------------

void DefineLabel(Pass& p, std::string_view name) {
    Label l{p.in_data, static_cast<uint32_t>(p.Section().size())};
    if (!p.labels.emplace(std::string(name), l).second)
        Error(p, "duplicate label '" + std::string(name) + "'");
}

void Statement(Pass& p, std::string_view text) {
    Cursor c{StripComment(text)};
    for (;;) {  // any number of labels, then one instruction or directive
        size_t save = c.i;
        std::string_view name = Identifier(c);
        if (!name.empty() && c.Accept(':')) { DefineLabel(p, name); continue; }
        c.i = save;
        break;
    }
    if (c.AtEnd()) return;
    if (c.Accept('.')) {
        std::string_view name = Identifier(c);
        if (name.empty()) { Error(p, "expected a directive name after '.'"); return; }
        RunDirective(p, c, name);
    } else {
        std::string_view name = Identifier(c);
        if (name.empty()) { Error(p, "expected a label, mnemonic or directive, found '" + Rest(c) + "'"); return; }
        Instruction(p, c, name);
    }
    if (!c.AtEnd()) Error(p, "unexpected '" + Rest(c) + "'");
}

Pass RunPass(std::string_view source, std::string_view file, const Settings& layout,
             const std::map<std::string, Label, std::less<>>& known, bool final) {
    Pass p;
    p.file = file;
    p.final = final;
    p.layout = layout;
    p.known = &known;
    size_t start = 0;
    while (start <= source.size()) {
        size_t end = source.find('\n', start);
        if (end == std::string_view::npos) end = source.size();
        ++p.line_no;
        p.line_failed = false;
        Statement(p, source.substr(start, end - start));
        start = end + 1;
    }
    return p;
}

// ---- writing the image -----------------------------------------------------------------

void WriteRecord(std::vector<uint8_t>& out, uint8_t id, const uint8_t* data, uint32_t length, bool big) {
    out.push_back(id);
    vm::Append32(out, length, big);
    out.insert(out.end(), data, data + length);
    out.push_back(vm::RecordCheckByte(id, length, data));
}

// Contents longer than one record's limit go out as consecutive records of the same id.
void WriteSplit(std::vector<uint8_t>& out, uint8_t id, const std::vector<uint8_t>& bytes, bool big) {
    for (size_t at = 0; at < bytes.size(); at += vm::kMaxRecordData) {
        size_t n = std::min<size_t>(vm::kMaxRecordData, bytes.size() - at);
        WriteRecord(out, id, bytes.data() + at, static_cast<uint32_t>(n), big);
    }
}

void WritePairs(std::vector<uint8_t>& out, uint8_t id, const std::vector<std::pair<uint32_t, uint32_t>>& pairs, bool big) {
    for (auto [a, b] : pairs) {
        std::vector<uint8_t> body;
        vm::Append32(body, a, big);
        vm::Append32(body, b, big);
        WriteRecord(out, id, body.data(), static_cast<uint32_t>(body.size()), big);
    }
}

void WriteHeader(std::vector<uint8_t>& out, const Pass& p) {
    const Settings& s = p.next;
    std::array<uint32_t, vm::kHeaderWords> w{};
    auto at = [&w](HeaderWord h) -> uint32_t& { return w[static_cast<size_t>(h)]; };
    at(HeaderWord::format_version) = s.version;
    at(HeaderWord::image_flags) = s.flags;
    at(HeaderWord::time_year) = s.time[0];
    at(HeaderWord::time_month) = s.time[1];
    at(HeaderWord::time_day) = s.time[2];
    at(HeaderWord::time_hour) = s.time[3];
    at(HeaderWord::time_minute) = s.time[4];
    at(HeaderWord::time_second) = s.time[5];
    at(HeaderWord::code_size) = s.code_size.value_or(static_cast<uint32_t>(p.code.size()));
    at(HeaderWord::data_base) = s.data_base;
    at(HeaderWord::data_size) = s.data_size.value_or(static_cast<uint32_t>(p.data.size()));
    at(HeaderWord::stack_size) = s.stack_size;
    at(HeaderWord::entry_offset) = s.entry;

    if (s.script) {
        // Byte by byte: GCC 12 at -O3 misreads a range insert of a string here as an
        // out-of-bounds copy (-Warray-bounds).
        const std::string line = "#!" + *s.script + "\n";
        for (char c : line) out.push_back(static_cast<uint8_t>(c));
    }
    out.insert(out.end(), s.magic.begin(), s.magic.end());
    out.push_back(s.word_bits);
    out.push_back(s.big ? vm::kBigEndian : vm::kLittleEndian);
    for (uint32_t v : w) vm::Append32(out, v, s.big);
}

std::vector<uint8_t> WriteImage(const Pass& p) {
    bool big = p.next.big;
    std::vector<uint8_t> out;
    WriteHeader(out, p);
    for (const std::string& name : p.sources)
        WriteRecord(out, vm::REC_SOURCE_NAME, reinterpret_cast<const uint8_t*>(name.data()),
                    static_cast<uint32_t>(name.size()), big);
    WriteSplit(out, vm::REC_CODE, p.code, big);
    WriteSplit(out, vm::REC_DATA, p.data, big);
    WritePairs(out, vm::REC_CODE_FIXUP, p.fixups, big);
    WritePairs(out, vm::REC_DATA_SWAP, p.swaps, big);
    const uint8_t end[4] = {0, 0, 0, 0};
    WriteRecord(out, vm::REC_END, end, sizeof end, big);
    vm::Append32(out, static_cast<uint32_t>(p.lines.size()), big);
    for (uint32_t offset : p.lines) vm::Append32(out, offset, big);
    return out;
}

}  // namespace

std::vector<uint8_t> Assemble(std::string_view source, std::string_view file_name, std::string& errors) {
    std::map<std::string, Label, std::less<>> none;
    Pass settings = RunPass(source, file_name, Settings{}, none, false);
    Pass layout = RunPass(source, file_name, settings.next, none, false);
    Pass final = RunPass(source, file_name, layout.next, layout.labels, true);
    if (!final.errors.empty()) {
        errors += final.errors;
        return {};
    }
    return WriteImage(final);
}

}  // namespace tarn::tools
