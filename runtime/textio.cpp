// Text files: write of booleans, chars, reals, integers and strings with field widths,
// writeln and page; read of chars, numbers and strings, and readln. Lines end in a line
// feed; carriage returns are dropped when text is read.
#include <algorithm>
#include <cinttypes>
#include <climits>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/errors.h"
#include "runtime/files.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "runtime/vmstrings.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

using vm::Std;

StdOutcome Done() { return StdOutcome::Continue; }

// ---- Writing ---------------------------------------------------------------------------

// The file at fv when it is open for output, ready for a write; null after recording 3 or 11.
// Inline in every write routine: it is most of the work of writing one value.
[[gnu::always_inline]] inline FileObject* WritableFile(uint32_t fv) {
    ClearErrors();
    FileObject* f = FileOf(fv);
    if (!f) return RecordError(ErrorNo::FileIsUndefined), nullptr;
    if (!CanWrite(*f)) return RecordError(ErrorNo::NotOutputFile), nullptr;
    PrepareWrite(*f);
    f->last = Transfer::Write;
    return f;
}

void CheckWritten(FileObject& f, bool ok) {
    if (!ok || ferror_unlocked(f.stream)) {
        std::clearerr(f.stream);
        RecordError(ErrorNo::WriteFailure);
    }
}

// text right-aligned in a field of width characters (never cut).
void WriteField(FileObject& f, std::string_view text, int64_t width) {
    bool ok = true;
    static const char kBlanks[64] = "                                                               ";
    for (int64_t pad = width - static_cast<int64_t>(text.size()); ok && pad > 0; pad -= 63)
        ok = PutChars(f.stream, kBlanks, pad < 63 ? pad : 63);
    if (ok && !text.empty()) ok = PutChars(f.stream, text.data(), text.size());
    CheckWritten(f, ok);
}

StdOutcome WriteBoolean(Regs& r, int&) {
    int32_t width = static_cast<int32_t>(Pop(r));
    uint32_t b = Pop(r);
    uint32_t fv = Pop(r);
    FileObject* f = WritableFile(fv);
    if (!f) return Done();
    if (width < 1) width = 8;
    std::string_view text = b ? "true" : "false";
    WriteField(*f, text.substr(0, static_cast<size_t>(width)), width);  // "%*.*s"
    return Done();
}

StdOutcome WriteChar(Regs& r, int&) {
    int32_t width = static_cast<int32_t>(Pop(r));
    char c = static_cast<char>(Pop(r));
    uint32_t fv = Pop(r);
    FileObject* f = WritableFile(fv);
    if (f) WriteField(*f, std::string_view(&c, 1), width < 1 ? 1 : width);
    return Done();
}

StdOutcome WriteReal(Regs& r, int&) {
    int32_t precision = static_cast<int32_t>(Pop(r));
    int32_t width = static_cast<int32_t>(Pop(r));
    double x = PopReal(r);
    uint32_t fv = Pop(r);
    FileObject* f = WritableFile(fv);
    if (!f) return Done();
    RealText room;
    std::string_view text = FormatReal(room, x, width, precision);
    CheckWritten(*f, PutChars(f->stream, text.data(), text.size()));
    return Done();
}

StdOutcome WriteNumber(Regs& r, bool isUnsigned) {
    int32_t width = static_cast<int32_t>(Pop(r));
    uint32_t n = Pop(r);
    uint32_t fv = Pop(r);
    FileObject* f = WritableFile(fv);
    if (!f) return Done();
    IntegerText room;
    std::string_view text = FormatInteger(room, n, width, isUnsigned);
    CheckWritten(*f, PutChars(f->stream, text.data(), text.size()));
    return Done();
}
StdOutcome WriteInteger(Regs& r, int&) { return WriteNumber(r, false); }
StdOutcome WriteUnsigned(Regs& r, int&) { return WriteNumber(r, true); }

StdOutcome WriteString(Regs& r, int&) {
    int32_t width = static_cast<int32_t>(Pop(r));
    // The characters are written from where they lie on the stack: nothing else touches the
    // VM stack before this routine returns.
    uint32_t count = VmWord(r.sp);
    uint32_t footprint = ValueFootprint(r, count);
    std::string_view text(reinterpret_cast<const char*>(VmSpan(r.sp + 4, count)), count);
    r.sp += footprint;
    uint32_t fv = Pop(r);
    FileObject* f = WritableFile(fv);
    // "%*.*s": a given width is also the most characters written, so a longer string is
    // cut to its first `width` characters; no width (0) writes the whole string.
    if (width >= 1 && text.size() > static_cast<size_t>(width)) text = text.substr(0, width);
    if (f) WriteField(*f, text, width);
    return Done();
}

// writeln (a line feed) and page (a form feed), each followed by a flush.
StdOutcome WriteControl(Regs& r, char c) {
    uint32_t fv = Pop(r);
    FileObject* f = WritableFile(fv);
    if (!f) return Done();
    bool ok = fputc_unlocked(c, f->stream) != EOF;
    ok = fflush_unlocked(f->stream) == 0 && ok;
    CheckWritten(*f, ok);
    return Done();
}
StdOutcome WriteLn(Regs& r, int&) { return WriteControl(r, '\n'); }

// dumpstack (107): the registers, then the words of the current frame's temporaries from
// SP up to FP (at most kDumpWords of them), one "address: value" line each, in hexadecimal.
constexpr uint32_t kDumpWords = 256;

StdOutcome DumpStack(Regs& r, int&) {
    uint32_t fv = Pop(r);
    FileObject* f = WritableFile(fv);
    if (!f) return Done();
    bool ok = std::fprintf(f->stream, "Stack dump: SP = %08" PRIX32 ", FP = %08" PRIX32 "\n", r.sp, r.fp) > 0;
    uint32_t words = r.fp > r.sp ? (r.fp - r.sp) / 4 : 0;
    if (words > kDumpWords) words = kDumpWords;
    for (uint32_t i = 0; ok && i < words; i++) {
        const uint32_t at = r.sp + 4 * i;
        ok = std::fprintf(f->stream, "  %08" PRIX32 ": %08" PRIX32 "\n", at, VmWord(at)) > 0;
    }
    ok = std::fflush(f->stream) == 0 && ok;
    CheckWritten(*f, ok);
    return Done();
}
StdOutcome Page(Regs& r, int&) { return WriteControl(r, '\f'); }

// ---- Reading ---------------------------------------------------------------------------

// The file at fv when it is open for input, ready for a read; null after recording an error.
[[gnu::always_inline]] inline FileObject* ReadableFile(uint32_t fv) {
    ClearErrors();
    FileObject* f = FileOf(fv);
    if (!f) return RecordError(ErrorNo::FileIsUndefined), nullptr;
    if (!CanRead(*f)) return RecordError(ErrorNo::NotInputFile), nullptr;
    if (!PrepareRead(*f)) return nullptr;
    f->last = Transfer::Read;
    return f;
}

StdOutcome ReadChar(Regs& r, int&) {
    uint32_t a = Pop(r);
    uint32_t fv = Pop(r);
    FileObject* f = ReadableFile(fv);
    if (!f) return Done();
    int c = IsText(*f) ? TextGetc(*f) : getc_unlocked(f->stream);
    if (c == EOF) RecordEndOfFile(*f);
    else *VmSpan(a, 1) = static_cast<uint8_t>(c);
    return Done();
}

int Lower(int c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }
bool IsDecimalDigit(int c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(int c) { return IsDecimalDigit(c) || (Lower(c) >= 'a' && Lower(c) <= 'f'); }
bool IsBlank(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

enum class RealScan { Number, NoNumber, AtEnd };

// The characters of a real as the C library's "%lf" and "%f" collect them before converting
// them with strtod or strtof, with the same reach: white space skipped; a sign; "nan",
// "inf" or "infinity" in any case; a hexadecimal number after "0x" (exponent 'p') or a
// decimal one, each with one point and an exponent whose sign may follow it. The character
// that ends the number is pushed back; one that breaks off "nan" or "inf(inity)" halfway,
// or the end of the file after a sign, is consumed, and there is no number. Carriage returns
// count as white space like any other blank.
RealScan CollectReal(std::FILE* s, std::string& text) {
    int c;
    do c = getc_unlocked(s);
    while (IsBlank(c));
    if (c == EOF) return RealScan::AtEnd;
    bool gotSign = c == '-' || c == '+';
    if (gotSign) {
        text += static_cast<char>(c);
        c = getc_unlocked(s);
        if (c == EOF) return RealScan::NoNumber;
    }
    // The letters of word must follow in the stream; false at the first one that does not.
    auto follows = [&](const char* word) {
        for (; *word; ++word) {
            c = getc_unlocked(s);
            if (c == EOF || Lower(c) != *word) return false;
            text += static_cast<char>(c);
        }
        return true;
    };
    if (Lower(c) == 'n') {
        text += static_cast<char>(c);
        return follows("an") ? RealScan::Number : RealScan::NoNumber;
    }
    if (Lower(c) == 'i') {
        text += static_cast<char>(c);
        if (!follows("nf")) return RealScan::NoNumber;
        c = getc_unlocked(s);
        if (Lower(c) != 'i') {
            UngetChar(s, c);
            return RealScan::Number;
        }
        text += static_cast<char>(c);
        return follows("nity") ? RealScan::Number : RealScan::NoNumber;
    }
    char exponent = 'e';
    bool hex = false, gotDigit = false, gotPoint = false, gotExponent = false;
    if (c == '0') {
        text += '0';
        c = getc_unlocked(s);
        if (Lower(c) == 'x') {
            text += static_cast<char>(c);
            hex = true;
            exponent = 'p';
            c = getc_unlocked(s);
        } else {
            gotDigit = true;
        }
    }
    for (;;) {
        if (IsDecimalDigit(c) || (hex && !gotExponent && IsHexDigit(c))) {
            text += static_cast<char>(c);
            gotDigit = true;
        } else if (gotExponent && text.back() == exponent && (c == '-' || c == '+')) {
            text += static_cast<char>(c);
        } else if (gotDigit && !gotExponent && Lower(c) == exponent) {
            text += exponent;
            gotExponent = gotPoint = true;
        } else if (!gotPoint && c == '.') {
            text += '.';
            gotPoint = true;
        } else {
            UngetChar(s, c);
            break;
        }
        c = getc_unlocked(s);
        if (c == EOF) break;
    }
    size_t signs = gotSign ? 1 : 0;
    if (text.size() == signs || (hex && text.size() == signs + 2)) return RealScan::NoNumber;
    return RealScan::Number;
}

// A real (asFloat: a 4-byte real) read as "%lf" ("%f") reads it: the collected characters
// converted as far as they form a number (so "1e" is 1 and "." none). False after recording
// 12 (end of file before any character; 16 when the stream reports an error) or 16.
template <typename T>
bool ScanReal(FileObject& f, T& value) {
    std::string text;
    RealScan scan = CollectReal(f.stream, text);
    if (scan == RealScan::AtEnd) {
        RecordEndOfFile(f);
        return false;
    }
    char* end = text.data();
    T v = scan == RealScan::Number ? (sizeof(T) == 4 ? std::strtof(text.c_str(), &end) : std::strtod(text.c_str(), &end)) : 0;
    if (end == text.data()) {
        RecordError(ErrorNo::ReadFailure);
        return false;
    }
    value = v;
    return true;
}

// A decimal integer read as the C library's "%ld" and "%lu" read one, without the cost of
// interpreting a format: white space is skipped, an optional sign and the digits are taken,
// and the first character after them is pushed back. A sign without digits is consumed and
// the character after it pushed back; end of file before any character is error 12 (16 when
// the stream reports an error), no digits error 16. The value is the magnitude with its sign
// as strtol (isUnsigned: strtoul) gives it, beyond 64 bits the largest or smallest value.
bool ScanDecimal(FileObject& f, bool isUnsigned, uint64_t& value) {
    std::FILE* s = f.stream;
    int c;
    do c = getc_unlocked(s);
    while (IsBlank(c));
    if (c == EOF) {
        RecordError(std::ferror(s) ? ErrorNo::ReadFailure : ErrorNo::UnexpectedEndOfFile);
        return false;
    }
    bool negative = c == '-';
    if (c == '-' || c == '+') c = getc_unlocked(s);
    if (c < '0' || c > '9') {
        UngetChar(s, c);
        RecordError(ErrorNo::ReadFailure);
        return false;
    }
    uint64_t magnitude = 0;
    bool overflow = false;
    constexpr uint64_t kRoomForAnyDigit = (UINT64_MAX - 9) / 10;
    do {
        unsigned digit = static_cast<unsigned>(c - '0');
        if (magnitude > kRoomForAnyDigit && magnitude > (UINT64_MAX - digit) / 10) overflow = true;
        else magnitude = magnitude * 10 + digit;
        c = getc_unlocked(s);
    } while (c >= '0' && c <= '9');
    UngetChar(s, c);
    if (isUnsigned) {
        value = overflow ? UINT64_MAX : negative ? 0 - magnitude : magnitude;
    } else if (negative) {
        value = overflow || magnitude > uint64_t{1} << 63 ? uint64_t{1} << 63 : 0 - magnitude;
    } else {
        value = overflow || magnitude > uint64_t{INT64_MAX} ? uint64_t{INT64_MAX} : magnitude;
    }
    return true;
}

// An integer of width bytes that must lie in lo ... hi. Out of range is error 16; a byte
// still gets its low 8 bits.
StdOutcome ReadSigned(Regs& r, uint32_t width, int64_t lo, int64_t hi) {
    uint32_t a = Pop(r);
    uint32_t fv = Pop(r);
    FileObject* f = ReadableFile(fv);
    uint64_t bits = 0;
    if (!f || !ScanDecimal(*f, false, bits)) return Done();
    int64_t v = static_cast<int64_t>(bits);
    bool inRange = v >= lo && v <= hi;
    if (!inRange) RecordError(ErrorNo::ReadFailure);
    if (!inRange && width != 1) return Done();
    uint32_t w = static_cast<uint32_t>(v);
    std::memcpy(VmSpan(a, width), &w, width);  // little-endian: the low bytes
    return Done();
}
StdOutcome ReadInteger(Regs& r, int&) { return ReadSigned(r, 4, INT32_MIN, INT32_MAX); }
StdOutcome ReadByte(Regs& r, int&) { return ReadSigned(r, 1, 0, 255); }
StdOutcome ReadInt16(Regs& r, int&) { return ReadSigned(r, 2, INT16_MIN, INT16_MAX); }
StdOutcome ReadWord16(Regs& r, int&) { return ReadSigned(r, 2, 0, UINT16_MAX); }

StdOutcome ReadUnsigned(Regs& r, int&) {
    uint32_t a = Pop(r);
    uint32_t fv = Pop(r);
    FileObject* f = ReadableFile(fv);
    uint64_t v = 0;
    if (!f || !ScanDecimal(*f, true, v)) return Done();
    // strtoul takes "-1" as the largest value; both that and overflow land above 32 bits.
    if (v > UINT32_MAX) return RecordError(ErrorNo::ReadFailure), Done();
    SetVmWord(a, static_cast<uint32_t>(v));
    return Done();
}

StdOutcome ReadReal(Regs& r, int&) {
    uint32_t a = Pop(r);
    uint32_t fv = Pop(r);
    FileObject* f = ReadableFile(fv);
    double v = 0;
    if (f && ScanReal(*f, v)) StoreReal(VmSpan(a, 8), v);
    return Done();
}

StdOutcome ReadFloat(Regs& r, int&) {
    uint32_t a = Pop(r);
    uint32_t fv = Pop(r);
    FileObject* f = ReadableFile(fv);
    float v = 0;
    if (f && ScanReal(*f, v)) std::memcpy(VmSpan(a, 4), &v, 4);
    return Done();
}

// read of a string (47, stack: fv a max prefix): the characters up to the line end (which
// stays unread), at most max of them, stored with a 1-byte or 4-byte length prefix, or
// null-terminated for prefix 0.
StdOutcome ReadString(Regs& r, int&) {
    uint32_t prefix = Pop(r);
    uint32_t max = Pop(r);
    uint32_t a = Pop(r);
    uint32_t fv = Pop(r);
    FileObject* f = ReadableFile(fv);
    if (!f) return Done();
    if (prefix == 1 && max > 255) max = 255;
    std::string s;
    while (s.size() < max) {
        int c = TextGetc(*f);
        if (c == EOF) break;
        if (c == '\n') {
            UngetChar(f->stream, c);
            break;
        }
        s += static_cast<char>(c);
    }
    if (ferror_unlocked(f->stream)) return RecordError(ErrorNo::ReadFailure), Done();
    uint32_t n = static_cast<uint32_t>(s.size());
    if (prefix == 1) *VmSpan(a, 1) = static_cast<uint8_t>(n);
    else if (prefix != 0) SetVmWord(a, n);
    uint32_t skip = prefix == 1 ? 1 : prefix != 0 ? 4 : 0;
    if (n) std::memcpy(VmSpan(a + skip, n), s.data(), n);
    if (prefix == 0) *VmSpan(a + n, 1) = 0;
    return Done();
}

StdOutcome ReadLn(Regs& r, int&) {
    uint32_t fv = Pop(r);
    FileObject* f = ReadableFile(fv);
    if (!f) return Done();
    int c;
    do c = getc_unlocked(f->stream);
    while (c != EOF && c != '\n');
    if (ferror_unlocked(f->stream)) RecordError(ErrorNo::ReadFailure);
    return Done();
}

}  // namespace

void RegisterTextRoutines() {
    static const struct {
        Std n;
        StdRoutine routine;
    } kRoutines[] = {
        {Std::WriteBoolean, WriteBoolean}, {Std::WriteChar, WriteChar},   {Std::WriteReal, WriteReal},
        {Std::WriteInteger, WriteInteger}, {Std::WriteUnsigned, WriteUnsigned},
        {Std::WriteLn, WriteLn},           {Std::WriteString, WriteString}, {Std::Page, Page},
        {Std::ReadChar, ReadChar},         {Std::ReadReal, ReadReal},     {Std::ReadInteger, ReadInteger},
        {Std::ReadUnsigned, ReadUnsigned}, {Std::ReadByte, ReadByte},     {Std::ReadWord16, ReadWord16},
        {Std::ReadInt16, ReadInt16},       {Std::ReadFloat, ReadFloat},   {Std::ReadString, ReadString},
        {Std::ReadLn, ReadLn},             {Std::DumpStack, DumpStack},
    };
    for (const auto& e : kRoutines) RegisterStd(vm::Number(e.n), e.routine);
}

}  // namespace tarn::rt
