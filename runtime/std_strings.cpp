// String routines (115-130 but 119, 134, 147-149) and the helpers that move string values
// between the VM stack and the host. A string value on the stack is a count word on top of
// its characters, padded to a multiple of 4; a string variable in memory has a 1-byte or a
// 4-byte length prefix (the prefix width comes from the compiled code).
#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/errors.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "runtime/vmstrings.h"
#include "vm/bytes.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

// ---- Values on the stack ----------------------------------------------------------------

std::string PopString(Regs& r) {
    uint32_t count = VmWord(r.sp);
    uint32_t footprint = ValueFootprint(r, count);
    std::string s(reinterpret_cast<const char*>(VmSpan(r.sp + 4, count)), count);
    r.sp += footprint;
    return s;
}

void PushString(Regs& r, std::string_view s) {
    uint64_t need = Footprint(s.size());
    if (r.sp < g_engine.stackLow || r.sp - g_engine.stackLow < need) RunTimeError("Stack overflow");
    uint32_t padded = vm::Align4(static_cast<uint32_t>(s.size()));
    r.sp -= padded;
    uint8_t* chars = VmSpan(r.sp, padded);
    std::memset(chars, 0, padded);
    if (!s.empty()) std::memcpy(chars, s.data(), s.size());
    Push(r, static_cast<uint32_t>(s.size()));
}

// ---- Number formatting (shared with text files) -----------------------------------------

namespace {


template <typename... Args>
std::string Printf(const char* format, Args... args) {
    int n = std::snprintf(nullptr, 0, format, args...);
    std::string s(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::snprintf(s.data(), s.size() + 1, format, args...);
    return s;
}

}  // namespace

std::string_view FormatInteger(IntegerText& room, uint32_t value, int32_t width, bool isUnsigned) {
    // Two digits at a time from a table of the pairs 00 ... 99.
    static constexpr auto kPairs = [] {
        std::array<char, 200> pairs{};
        for (int i = 0; i < 100; i++) {
            pairs[2 * i] = static_cast<char>('0' + i / 10);
            pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
        }
        return pairs;
    }();
    int32_t w = width < 1 ? 8 : std::min(width, kMaxFieldWidth);
    char* end = room.chars + sizeof room.chars;
    char* p = end;
    bool negative = !isUnsigned && static_cast<int32_t>(value) < 0;
    uint32_t magnitude = negative ? 0u - value : value;
    while (magnitude >= 100) {
        p -= 2;
        std::memcpy(p, &kPairs[2 * (magnitude % 100)], 2);
        magnitude /= 100;
    }
    if (magnitude >= 10) {
        p -= 2;
        std::memcpy(p, &kPairs[2 * magnitude], 2);
    } else {
        *--p = static_cast<char>('0' + magnitude);
    }
    if (negative) *--p = '-';
    if (end - p < w) {
        size_t pad = static_cast<size_t>(w - (end - p));
        // A short pad (most fields) as two fixed stores of blanks: the room in front of the
        // digits is always wider than 16.
        if (pad <= 16) std::memcpy(p - 16, "                ", 16);
        else std::memset(p - pad, ' ', pad);
        p -= pad;
    }
    return {p, static_cast<size_t>(end - p)};
}

std::string_view FormatReal(RealText& room, double value, int32_t width, int32_t precision) {
    const bool fixed = precision >= 1;
    int32_t w = width < 1 ? 9 : std::min(width, kMaxFieldWidth);
    int32_t p = 0;
    if (fixed) {
        p = std::min(precision, std::signbit(value) ? 715 : 716);
    } else {
        w = std::max(w, 9);
        p = w - 8;
    }
    // The number is put at the end of the room, its field's blanks in front of it.
    char number[sizeof room.chars];
    char* end = number;
    if (!std::isfinite(value)) {
        // What the C library writes: a minus for a set sign bit (a NaN's too), then
        // inf or nan, in capitals for E notation.
        if (std::signbit(value)) *end++ = '-';
        const char* word = std::isnan(value) ? (fixed ? "nan" : "NAN") : (fixed ? "inf" : "INF");
        std::memcpy(end, word, 3);
        end += 3;
    } else {
        // With a precision, to_chars gives the correctly rounded digits (ties to even on
        // exact halves), the very text "%.*f" and "%.*e" give.
        auto chars = fixed ? std::chars_format::fixed : std::chars_format::scientific;
        end = std::to_chars(number, number + sizeof number, value, chars, p).ptr;
        if (!fixed) *std::find(number, end, 'e') = 'E';
    }
    size_t length = static_cast<size_t>(end - number);
    size_t field = std::max(length, static_cast<size_t>(w));
    char* text = room.chars + sizeof room.chars - field;
    std::memset(text, ' ', field - length);
    std::memcpy(text + field - length, number, length);
    return {text, field};
}

namespace {

StdOutcome Done() { return StdOutcome::Continue; }

int32_t PopInt(Regs& r) { return static_cast<int32_t>(Pop(r)); }

// ---- String variables in memory ---------------------------------------------------------

// A string variable at addr with a 1-byte prefix (width 1) or a 4-byte one (any other
// width, as STRSTO reads it).
struct StringVar {
    uint32_t addr;
    bool bytePrefix;

    uint32_t CharsAddr() const { return addr + (bytePrefix ? 1 : 4); }

    // The stored length; a 4-byte prefix still holding the undefined marker is
    // "Access made to undefined variable".
    uint32_t Length() const {
        if (bytePrefix) return *VmSpan(addr, 1);
        uint32_t n = LoadWord(VmSpan(addr, 4));
        if (n == kUndefinedWord) RunTimeError("Access made to undefined variable");
        return n;
    }
    std::string Read() const {
        uint32_t n = Length();
        return std::string(reinterpret_cast<const char*>(VmSpan(CharsAddr(), n)), n);
    }
    void Write(std::string_view s) const {
        if (bytePrefix) *VmSpan(addr, 1) = static_cast<uint8_t>(s.size());
        else StoreWord(VmSpan(addr, 4), static_cast<uint32_t>(s.size()));
        if (!s.empty()) std::memcpy(VmSpan(CharsAddr(), s.size()), s.data(), s.size());
    }
};

// 115 and 121. Stack: source value, variable address, prefix width, maximum length, and for
// 121 the position on top. Without a position the source is appended.
void InsertString(Regs& r, bool withIndex) {
    int32_t index = withIndex ? PopInt(r) : 0;
    uint32_t maxLength = Pop(r);
    StringVar var{0, Pop(r) == 1};
    var.addr = Pop(r);
    std::string source = PopString(r);
    if (var.bytePrefix && maxLength > 255) maxLength = 255;
    if (maxLength == 0) RunTimeError("Invalid size (too low)");
    uint32_t length = var.Length();
    size_t at = length;
    if (withIndex) {
        if (index < 1) RunTimeError("Invalid index (too low)");
        if (uint64_t(index) > uint64_t(length) + 1) RunTimeError("String insertion failure");
        at = static_cast<size_t>(index) - 1;
    }
    // Checked before the characters are read, so a corrupt length is never followed.
    if (uint64_t(length) + source.size() > maxLength) RunTimeError("String insertion overflow");
    std::string target = var.Read();
    target.insert(at, source);
    var.Write(target);
}

StdOutcome Insert(Regs& r, int&) { InsertString(r, false); return Done(); }
StdOutcome InsertAt(Regs& r, int&) { InsertString(r, true); return Done(); }

// Stack: s1 s2 -- s1s2. The result never needs more room than the two values held.
StdOutcome Concat(Regs& r, int&) {
    std::string b = PopString(r);
    std::string a = PopString(r);
    PushString(r, a + b);
    return Done();
}

// The characters from index (1-based) on, at most count of them; index beyond the end
// gives the empty string.
std::string Substring(const std::string& s, int32_t index, int32_t count) {
    if (count < 0) RunTimeError("Invalid count (negative)");
    if (index < 1) RunTimeError("Invalid index (too low)");
    if (uint64_t(index) > s.size()) return {};
    return s.substr(static_cast<size_t>(index) - 1, static_cast<size_t>(count));
}

// Stack: s index count.
StdOutcome Copy(Regs& r, int&) {
    int32_t count = PopInt(r);
    int32_t index = PopInt(r);
    std::string s = PopString(r);
    PushString(r, Substring(s, index, count));
    return Done();
}

// Stack: variable address, index, count, prefix width.
StdOutcome Delete(Regs& r, int&) {
    bool bytePrefix = Pop(r) == 1;
    int32_t count = PopInt(r);
    int32_t index = PopInt(r);
    StringVar var{Pop(r), bytePrefix};
    if (count < 0) RunTimeError("Invalid count (negative)");
    if (index < 1) RunTimeError("Invalid index (too low)");
    std::string s = var.Read();
    if (uint64_t(index) > s.size()) return Done();
    s.erase(static_cast<size_t>(index) - 1, static_cast<size_t>(count));
    var.Write(s);
    return Done();
}

StdOutcome Hex(Regs& r, int&) {
    PushString(r, Printf("%lX", static_cast<unsigned long>(Pop(r))));
    return Done();
}

StdOutcome Length(Regs& r, int&) {
    uint32_t count = VmWord(r.sp);
    r.sp += ValueFootprint(r, count);
    Push(r, count);
    return Done();
}

template <int (*Convert)(int)>
StdOutcome ConvertCase(Regs& r, int&) {
    if (VmWord(r.sp) > 0x7FFFFFFFu) RunTimeError("String too long");
    std::string s = PopString(r);
    for (char& c : s) c = static_cast<char>(Convert(static_cast<unsigned char>(c)));
    PushString(r, s);
    return Done();
}

int ToLower(int c) { return std::tolower(c); }
int ToUpper(int c) { return std::toupper(c); }

// Stack: substring, string, start position. The result is the 1-based position of the
// first occurrence at or after start, 0 when there is none (and for an empty substring).
StdOutcome Pos(Regs& r, int&) {
    int32_t start = PopInt(r);
    std::string s = PopString(r);
    std::string sub = PopString(r);
    if (start < 1) RunTimeError("Invalid index (too low)");
    size_t at = std::string::npos;
    if (!sub.empty() && uint64_t(start) <= s.size()) at = s.find(sub, static_cast<size_t>(start) - 1);
    Push(r, at == std::string::npos ? 0 : static_cast<uint32_t>(at + 1));
    return Done();
}

StdOutcome Reverse(Regs& r, int&) {
    std::string s = PopString(r);
    PushString(r, std::string(s.rbegin(), s.rend()));
    return Done();
}

// str. Stack: (the target's address, left for the assignment that follows), the value,
// width, decimals, kind on top: 0 signed integral, 1 real, 2 unsigned integral.
StdOutcome NumberToString(Regs& r, int&) {
    uint32_t kind = Pop(r);
    int32_t decimals = PopInt(r);
    int32_t width = PopInt(r);
    if (kind == 1) {
        double d = PopReal(r);
        RealText room;
        PushString(r, FormatReal(room, d, width, decimals));
    } else {
        IntegerText room;
        PushString(r, FormatInteger(room, Pop(r), width, kind == 2));
    }
    return Done();
}

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

StdOutcome Trim(Regs& r, int&) {
    std::string s = PopString(r);
    size_t first = 0, last = s.size();
    while (first < last && IsBlank(s[first])) ++first;
    while (last > first && IsBlank(s[last - 1])) --last;
    PushString(r, std::string_view(s).substr(first, last - first));
    return Done();
}

// ---- val ----------------------------------------------------------------------------

bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }

// The result of reading a number: the value and the code val stores (0, or the 1-based
// position of the first character that is wrong).
struct Scan {
    uint32_t code = 0;
    uint32_t word = 0;
    double real = 0.0;
};

size_t SkipBlanks(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    return i;
}

// Decimal integer after optional blanks and a sign. A value out of range is wrong at the
// position where the number starts.
Scan ScanInteger(const std::string& s, bool isUnsigned) {
    Scan out;
    size_t i = SkipBlanks(s), start = i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || (s[i] == '-' && !isUnsigned))) negative = s[i++] == '-';
    if (i == s.size() || !IsDigitChar(s[i])) return {static_cast<uint32_t>(i + 1)};
    uint64_t v = 0;
    const uint64_t limit = isUnsigned ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    bool over = false;
    for (; i < s.size() && IsDigitChar(s[i]); ++i) {
        v = v * 10 + static_cast<uint64_t>(s[i] - '0');
        if (v > limit) { over = true; v = limit; }
    }
    if (i < s.size()) return {static_cast<uint32_t>(i + 1)};
    if (over) return {static_cast<uint32_t>(start + 1)};
    out.word = negative ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    return out;
}

// digits [. digits] [(e|E) [sign] digits] after optional blanks and a sign.
Scan ScanReal(const std::string& s) {
    Scan out;
    size_t i = SkipBlanks(s), start = i;
    auto wrongAt = [](size_t p) { return Scan{static_cast<uint32_t>(p + 1)}; };
    auto digits = [&] {
        size_t from = i;
        while (i < s.size() && IsDigitChar(s[i])) ++i;
        return i > from;
    };
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (!digits()) return wrongAt(i);
    if (i < s.size() && s[i] == '.') {
        ++i;
        if (!digits()) return wrongAt(i);
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (!digits()) return wrongAt(i);
    }
    if (i < s.size()) return wrongAt(i);
    std::string text = s.substr(start);
    double d = std::strtod(text.c_str(), nullptr);
    if (std::isinf(d)) return wrongAt(start);
    out.real = d;
    return out;
}

// val. Stack: (the numeric variable's address, left for the assignment that follows), the
// string, the code variable's address, kind on top (0 integral, 1 real). Stores the code
// and pushes the value (0 when the string is not a number).
void StringToNumber(Regs& r, bool isUnsigned) {
    uint32_t kind = Pop(r);
    uint32_t codeAddr = Pop(r);
    std::string s = PopString(r);
    Scan scan = kind == 1 ? ScanReal(s) : ScanInteger(s, isUnsigned);
    StoreWord(VmSpan(codeAddr, 4), scan.code);
    if (kind == 1) PushReal(r, scan.code ? 0.0 : scan.real);
    else Push(r, scan.code ? 0 : scan.word);
}

StdOutcome StringToReal(Regs& r, int&) { StringToNumber(r, false); return Done(); }
StdOutcome StringToUnsigned(Regs& r, int&) { StringToNumber(r, true); return Done(); }

StdOutcome Swap(Regs& r, int&) {
    Push(r, vm::ByteSwap32(Pop(r)));
    return Done();
}

// ---- Words and URLs -----------------------------------------------------------------------

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "+" is a blank; "%" with two more characters after it is decoded from the hexadecimal
// digits at its start (one or two of them), and both characters are dropped. A "%" whose
// next character is not a hexadecimal digit stays as it is: turning it into a NUL byte
// would silently change the text.
std::string UrlDecode(std::string s) {
    for (char& c : s)
        if (c == '+') c = ' ';
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        int high = i + 2 < s.size() && s[i] == '%' ? HexValue(s[i + 1]) : -1;
        if (high < 0) {
            out += s[i];
            continue;
        }
        int low = HexValue(s[i + 2]);
        out += static_cast<char>(low < 0 ? high : high * 16 + low);
        i += 2;
    }
    return out;
}

StdOutcome UrlDecodeRoutine(Regs& r, int&) {
    PushString(r, UrlDecode(PopString(r)));
    return Done();
}

// The words of s: maximal runs of characters not in delimiters (blank, tab, line feed and
// carriage return when delimiters is empty). Calls each(begin, length) until it says stop.
template <typename Each>
void ForEachWord(const std::string& s, std::string delimiters, Each each) {
    if (delimiters.empty()) delimiters = " \t\n\r";
    size_t i = 0;
    while (i < s.size()) {
        i = s.find_first_not_of(delimiters, i);
        if (i == std::string::npos) return;
        size_t end = s.find_first_of(delimiters, i);
        if (end == std::string::npos) end = s.size();
        if (!each(i, end - i)) return;
        i = end;
    }
}

// Stack: s, n, delimiters.
StdOutcome CopyWord(Regs& r, int&) {
    std::string delimiters = PopString(r);
    int32_t n = PopInt(r);
    std::string s = PopString(r);
    if (n < 1) RunTimeError("Word index < 1");
    std::string word;
    ForEachWord(s, delimiters, [&](size_t at, size_t len) {
        if (--n > 0) return true;
        word = s.substr(at, len);
        return false;
    });
    PushString(r, word);
    return Done();
}

// Stack: s, delimiters.
StdOutcome CountWords(Regs& r, int&) {
    std::string delimiters = PopString(r);
    std::string s = PopString(r);
    uint32_t n = 0;
    ForEachWord(s, delimiters, [&](size_t, size_t) { ++n; return true; });
    Push(r, n);
    return Done();
}

}  // namespace

void RegisterStringRoutines() {
    using vm::Std;
    static constexpr struct { Std n; StdRoutine routine; } kRoutines[] = {
        {Std::Insert, Insert},
        {Std::Concat, Concat},
        {Std::Copy, Copy},
        {Std::Delete, Delete},
        {Std::Hex, Hex},
        {Std::Insert2, InsertAt},
        {Std::Length, Length},
        {Std::LowerCase, ConvertCase<ToLower>},
        {Std::Pos, Pos},
        {Std::Reverse, Reverse},
        {Std::NumberToString, NumberToString},
        {Std::Trim, Trim},
        {Std::UpperCase, ConvertCase<ToUpper>},
        {Std::StringToReal, StringToReal},
        {Std::Swap, Swap},
        {Std::StringToInteger, StringToUnsigned},
        {Std::UrlDecode, UrlDecodeRoutine},
        {Std::CopyWord, CopyWord},
        {Std::CountWords, CountWords},
    };
    for (const auto& r : kRoutines) RegisterStd(vm::Number(r.n), r.routine);
}

}  // namespace tarn::rt
