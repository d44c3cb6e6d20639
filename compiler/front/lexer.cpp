// lexer: source files and the scanner (see lexer.h).
//
// Reading. A file is read in 64 KB blocks into one read buffer; ReadLine copies one line
// from there into the line buffer, dropping BEL, BS, VT, FF and CR, and stops at LF, at a
// character 26 or at the end of the file (both stored as 26). A line feed (which is never
// stored) follows the line as a sentinel, so the scanner finds the end of a line by its
// character class instead of by a bounds check; a NUL byte is then ordinary data.
//
// Scanning. One class table decides what each byte starts; identifiers are hashed while
// they are scanned and interned without copying.
//
// Lookahead. PeekToken scans the next token once and keeps it; the next GetToken hands it
// out. The peek reads into the second of two line buffers, so the current token's text
// stays intact. A directive between the two tokens is applied once and a message about
// the next token is issued once, which re-scanning the same text twice would not give.
#include "compiler/front/lexer.h"

#include <cerrno>
#include <cmath>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>
#include <unistd.h>

#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/idtable.h"
#include "compiler/base/bitset.h"
#include "compiler/base/list.h"
#include "compiler/base/process.h"
#include "compiler/writer/image.h"

namespace tarn::tpc {

namespace {

// --- Token names ----------------------------------------------------------------------

const char* const TOKEN_NAMES[TOKEN_KIND_COUNT] = {
#define TOKEN(name, text) text,
#include "compiler/front/tokens.def"
#undef TOKEN
};

// --- Character classes ----------------------------------------------------------------

// What a byte starts when the scanner meets it between tokens.
enum Start : uint8_t {
    S_OTHER,  // "Undefined character."
    S_BLANK,  // space, tab
    S_EOL,  // the line-feed sentinel behind every line
    S_EOF,  // character 26
    S_LETTER,
    S_DIGIT,
    S_UNDERSCORE,
    S_SINGLE,  // a one-character token of CharTables::single
    S_QUOTE,
    S_DQUOTE,
    S_LBRACE,
    S_RBRACE,
    S_LPAREN,
    S_STAR,
    S_SLASH,
    S_PERIOD,
    S_COLON,
    S_LESS,
    S_GREATER,
    S_HASH,
    S_PERCENT,
    S_DOLLAR,
};

// Bits of CharTables::word: what may continue an identifier or a number.
constexpr uint8_t W_LETTER = 1, W_DIGIT = 2, W_HEX = 4, W_BINARY = 8;

struct CharTables {
    Start start[256];
    uint8_t word[256];
    TokenKind single[256];
    uint8_t keep[256];     // ReadLine: 1 store, 0 drop, 2 ends the line (LF), 3 character 26
    uint32_t hash[256];    // what a byte adds to an identifier's sum: HashStep(0, byte)
};

constexpr CharTables MakeCharTables() {
    CharTables t{};
    for (int c = 0; c < 256; ++c) {
        t.start[c] = S_OTHER;
        t.single[c] = UNDEFtok;
        t.keep[c] = 1;
        t.hash[c] = HashStep(0, static_cast<unsigned char>(c));
    }
    // Letters: A-Z, a-z and, on this platform, every byte from 0x80 up.
    for (int c = 0; c < 256; ++c) {
        bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
        if (letter) { t.start[c] = S_LETTER; t.word[c] |= W_LETTER; }
        if (c >= '0' && c <= '9') { t.start[c] = S_DIGIT; t.word[c] |= W_DIGIT | W_HEX; }
        if ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) t.word[c] |= W_HEX;
    }
    t.word['0'] |= W_BINARY;
    t.word['1'] |= W_BINARY;
    t.start[' '] = t.start['\t'] = S_BLANK;
    t.start['\n'] = S_EOL;
    t.start[static_cast<unsigned char>(EOF_CHAR)] = S_EOF;
    t.start['_'] = S_UNDERSCORE;
    t.start['\''] = S_QUOTE;
    t.start['"'] = S_DQUOTE;
    t.start['{'] = S_LBRACE;
    t.start['}'] = S_RBRACE;
    t.start['('] = S_LPAREN;
    t.start['*'] = S_STAR;
    t.start['/'] = S_SLASH;
    t.start['.'] = S_PERIOD;
    t.start[':'] = S_COLON;
    t.start['<'] = S_LESS;
    t.start['>'] = S_GREATER;
    t.start['#'] = S_HASH;
    t.start['%'] = S_PERCENT;
    t.start['$'] = S_DOLLAR;
    const struct { char c; TokenKind kind; } singles[] = {
        {'+', PLUStok}, {'-', MINUStok}, {'=', EQUALtok}, {',', COMMAtok},
        {';', SEMI_COLONtok}, {')', CLOSE_PARENtok}, {'[', OPEN_BRACKETtok},
        {']', CLOSE_BRACKETtok}, {'^', POINTERtok}, {'@', POINTERtok},
    };
    for (auto s : singles) {
        t.start[static_cast<unsigned char>(s.c)] = S_SINGLE;
        t.single[static_cast<unsigned char>(s.c)] = s.kind;
    }
    for (int c : {7, 8, 11, 12, 13}) t.keep[c] = 0;
    t.keep['\n'] = 2;
    t.keep[static_cast<unsigned char>(EOF_CHAR)] = 3;
    return t;
}

constexpr CharTables CHARS = MakeCharTables();

inline Start StartOf(const char* p) { return CHARS.start[static_cast<unsigned char>(*p)]; }
inline uint8_t WordOf(const char* p) { return CHARS.word[static_cast<unsigned char>(*p)]; }

// --- Lexer state ----------------------------------------------------------------------

constexpr size_t READ_BLOCK = 64 * 1024;
constexpr size_t LINE_BYTES = MAX_LINE + 4;  // text, a stored 26, the sentinel, a NUL

struct SourceFile {
    FILE* filep = nullptr;
    char name[MAX_FILE_NAME + 1] = {};
    unsigned char* block = nullptr;   // read buffer
    size_t pos = 0, end = 0;
    int64_t blockStart = 0;           // file offset of block[0]
};

struct FileTable {
    int includes = 0;
    Token saved[MAX_INCLUDES];        // the including files' tokens, bottom first
    char names[MAX_INCLUDES][MAX_FILE_NAME + 1];
};

struct Lexer {
    SourceFile file;
    FileTable* files = nullptr;
    char* lines[2] = {nullptr, nullptr};
    int active = 0;                   // the line buffer ReadLine fills
    size_t used[2] = {LINE_BYTES, LINE_BYTES};  // bytes of each up to its NUL (PeekToken)
    uint32_t totalLines = 0;
    List* fileList = nullptr;         // full paths of every file pushed
    List* sourceNames = nullptr;      // names of the files opened, in order
    bool havePeek = false;
    Token peeked{};
    std::string includeBase;          // override of InstallDir() for the include fallbacks
};

Lexer gLexer;

// Storage for CurrToken before InitLexer has allocated it.
Token gToken = [] {
    Token t{};
    t.fileText = FileNameOf(nullptr);
    return t;
}();

// --- Messages -------------------------------------------------------------------------

Position PositionOf(const Token& t, const char* start, const char* scan) {
    Position p;
    p.filename = t.fileText;
    p.offset = t.offset32;
    p.line = t.line;
    p.col = static_cast<int32_t>(start - t.lineBuffer);
    p.length = static_cast<uint32_t>(scan - start);
    return p;
}

// A message about the characters start .. scan of the current line.
template <class... Args>
void ReportAt(const char* start, const char* scan, int number, Args... args) {
    Position p = PositionOf(*CurrToken, start, scan);
    ReportMessage(number, &p, args...);
}


// --- Reading lines --------------------------------------------------------------------

bool Refill() {
    SourceFile& f = gLexer.file;
    if (!f.filep) return false;
    f.blockStart += static_cast<int64_t>(f.end);
    f.pos = 0;
    f.end = std::fread(f.block, 1, READ_BLOCK, f.filep);
    if (f.end == 0 && std::ferror(f.filep)) ReportMessage(msg::ReadingFile, nullptr);
    return f.end > 0;
}

// Which of the eight bytes need more than a copy: a control character below 14 (the
// dropped ones, tab, line feed) or character 26. The high bit of a byte is set for each;
// the lowest one set is exact (a borrow only ever marks bytes above a true one), so the
// first byte needing attention is the lowest marked one and every byte before it is a
// plain copy.
inline uint64_t AttentionMask(uint64_t w) {
    constexpr uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    const uint64_t below14 = (w - ones * 14) & ~w & highs;
    const uint64_t sub = w ^ (ones * EOF_CHAR);
    const uint64_t is26 = (sub - ones) & ~sub & highs;
    return below14 | is26;
}

// Reads the next line of the current file into the active line buffer and points the
// token at its first character. count: a new line (the counters advance), not a re-read.
void ReadLine(bool count) {
    SourceFile& f = gLexer.file;
    Token& t = *CurrToken;
    if (f.pos == f.end) Refill();
    t.offset = f.blockStart + static_cast<int64_t>(f.pos);
    t.offset32 = t.offset <= INT32_MAX ? static_cast<int32_t>(t.offset) : -1;
    if (count) {
        if (gLexer.totalLines == UINT32_MAX) ReportMessage(msg::LimitSourceLines, nullptr);
        ++t.line;
        ++gLexer.totalLines;
    }
    char* line = gLexer.lines[gLexer.active];
    t.lineBuffer = t.start = t.scan = line;
    int n = 0;
    for (;;) {
        if (f.pos == f.end && !Refill()) {
            line[n++] = EOF_CHAR;
            break;
        }
        const unsigned char* p = f.block + f.pos;
        const unsigned char* e = f.block + f.end;
        uint8_t keep = 1;
        while (p < e) {
            // Eight ordinary bytes at a time while the line has room for them; at the
            // first byte that needs attention, the plain ones before it in one go (the
            // copy's bytes past them are overwritten or lie past the line's end).
            if (e - p >= 8 && n <= MAX_LINE - 8) {
                uint64_t w;
                std::memcpy(&w, p, 8);
                const uint64_t attention = AttentionMask(w);
                std::memcpy(line + n, p, 8);
                if (attention == 0) {
                    n += 8;
                    p += 8;
                    continue;
                }
                const int plain = __builtin_ctzll(attention) / 8;
                n += plain;
                p += plain;
            }
            unsigned char c = *p++;
            keep = CHARS.keep[c];
            if (keep == 1) {
                if (n == MAX_LINE) {
                    f.pos = static_cast<size_t>(p - f.block);
                    line[n] = '\n';
                    ReportMessage(msg::LimitLineLength, nullptr);
                }
                line[n++] = static_cast<char>(c);
            } else if (keep >= 2) {
                break;
            }
        }
        f.pos = static_cast<size_t>(p - f.block);
        if (keep == 2) break;
        if (keep == 3) {
            line[n++] = EOF_CHAR;
            break;
        }
    }
    line[n] = '\n';
    line[n + 1] = '\0';
    gLexer.used[gLexer.active] = static_cast<size_t>(n) + 2;
}

// --- Opening, closing, include stack --------------------------------------------------

FILE* OpenFile(const char* name) { return std::fopen(name, "rb"); }

void AttachFile(FILE* fp, const char* name, int64_t offset) {
    SourceFile& f = gLexer.file;
    f.filep = fp;
    std::snprintf(f.name, sizeof f.name, "%s", name);
    f.pos = f.end = 0;
    f.blockStart = offset;
}

void CloseCurrent() {
    if (gLexer.file.filep) std::fclose(gLexer.file.filep);
    gLexer.file.filep = nullptr;
}

// Keeps the rest of the current line (from `from`) where the token can continue: the
// token's pointers move from their old line buffer to the active one.
void RebaseToken(Token& t, const char* oldLine) {
    char* line = gLexer.lines[gLexer.active];
    t.start = line + (t.start - oldLine);
    t.scan = line + (t.scan - oldLine);
    t.lineBuffer = line;
}

// Leaves an include at its end and goes back to the including file, just behind the
// include directive.
void PopFile() {
    FileTable& ft = *gLexer.files;
    CloseCurrent();
    --ft.includes;
    Token saved = ft.saved[ft.includes];
    const char* name = ft.names[ft.includes - 1];
    FILE* fp = OpenFile(name);
    if (!fp || std::fseek(fp, saved.offset, SEEK_SET) != 0) {
        if (fp) std::fclose(fp);
        ReportMessage(msg::CanNotOpenFile, nullptr, name);
        return;
    }
    AttachFile(fp, name, saved.offset);
    *CurrToken = saved;
    ReadLine(false);
    Token& t = *CurrToken;
    t.start = t.lineBuffer + (saved.start - saved.lineBuffer);
    t.scan = t.lineBuffer + (saved.scan - saved.lineBuffer);
}

// The name as an absolute path: resolved through the file system when the file exists,
// else by joining it to the working directory and folding "." and ".." by hand.
std::string FullPath(const char* name) {
    if (char* real = realpath(name, nullptr)) {
        std::string s = real;
        std::free(real);
        return s;
    }
    std::string joined;
    if (name[0] != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd)) joined = cwd;
        joined += '/';
    }
    joined += name;
    std::string out;
    size_t i = 0;
    while (i < joined.size()) {
        size_t j = joined.find('/', i);
        if (j == std::string::npos) j = joined.size();
        std::string part = joined.substr(i, j - i);
        if (part == "..") {
            size_t cut = out.rfind('/');
            out.erase(cut == std::string::npos ? 0 : cut);
        } else if (!part.empty() && part != ".") {
            out += '/';
            out += part;
        }
        i = j + 1;
    }
    return out.empty() ? "/" : out;
}

bool AlreadyListed(const std::string& full) {
    for (const char* listed : Items<const char>(gLexer.fileList))
        if (full == listed) return true;
    return false;
}

char* TrackedCopy(const char* text, size_t n) {
    auto* copy = static_cast<char*>(TrackedAlloc(n + 1));
    std::memcpy(copy, text, n);
    copy[n] = '\0';
    return copy;
}

// --- Scanning helpers -----------------------------------------------------------------

bool Option(int id) { return IsFlagOption(id); }

// Does the byte continue (or start) a word: letters always, '_' under option eui?
inline bool IsWordLetter(const char* p) {
    return (WordOf(p) & W_LETTER) || (*p == '_' && Option(opt::eui));
}

void SkipComment(const char* from);

// Skips the rest of the line after "//".
void SkipLineComment() {
    const char* p = CurrToken->scan;
    while (StartOf(p) != S_EOL && StartOf(p) != S_EOF) ++p;
    CurrToken->scan = p;
}

// Where the comment opener at p ends (p at '{' or '(').
inline const char* AfterOpener(const char* p) { return p + (*p == '{' ? 1 : 2); }

// The file name of an include directive, read from p (just after the letter I). Returns
// where the name ends in the line; the name goes to `name`.
const char* ReadIncludeName(const char* p, std::string& name) {
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '\'' || *p == '"') {
        const char q = *p++;
        for (;;) {
            if (*p == q && p[1] == q) { name += q; p += 2; continue; }
            if (*p == q) { ++p; break; }
            if (*p == '\n' || *p == EOF_CHAR) break;
            name += *p++;
        }
        return p;
    }
    const char* begin = p;
    while (static_cast<unsigned char>(*p) >= 32 && *p != '*' && *p != '}' && *p != EOF_CHAR) ++p;
    const char* last = p;
    while (last > begin && (last[-1] == ' ' || last[-1] == '\t')) --last;
    name.assign(begin, last);
    return p;
}

// The include fallbacks: the name as given, then include/user/ and include/ below the
// compiler's directory when the name has no directory part.
std::string ResolveInclude(const std::string& name) {
    if (FILE* fp = OpenFile(name.c_str())) {
        std::fclose(fp);
        return name;
    }
    if (name.find('/') != std::string::npos) return name;
    std::string base = gLexer.includeBase.empty() ? InstallDir() : gLexer.includeBase;
    if (!base.empty() && base.back() != '/') base += '/';
    for (const char* sub : {"include/user/", "include/"}) {
        std::string path = base + sub + name;
        if (path.size() >= MAX_FILE_NAME) continue;
        if (FILE* fp = OpenFile(path.c_str())) {
            std::fclose(fp);
            return path;
        }
    }
    return name;
}

// A comment that opens with "{$" or "(*$" followed by one letter. The option change (or
// the include) takes effect once the whole comment has been skipped.
void Directive(const char* opener) {
    const char* dollar = AfterOpener(opener);
    const char* letter = dollar + 1;
    // The text the option store parses; copied because skipping may read further lines.
    const size_t room = LINE_BYTES - static_cast<size_t>(letter - CurrToken->lineBuffer);
    const char* eol = static_cast<const char*>(std::memchr(letter, '\n', room));
    std::string text(letter, eol);
    const char first = *letter;
    const char after = letter[1];
    const bool include = (first == 'I' || first == 'i') && after != '+' && after != '-' &&
                         after != '.' && !(WordOf(letter + 1) & W_DIGIT);
    std::string name;
    const char* rest = letter + 1;
    if (include) rest = ReadIncludeName(letter + 1, name);
    const int64_t lineOffset = CurrToken->offset;
    SkipComment(rest);
    // Report at the directive when the comment ended on its own line.
    Token& t = *CurrToken;
    t.start = (t.offset == lineOffset) ? opener : t.scan;
    if (!include) {
        ApplyDirective(text.c_str());
        return;
    }
    if (name.empty()) {
        ReportAt(t.start, t.scan, msg::InvalidDirective);
        return;
    }
    PushFile(ResolveInclude(name).c_str());
}

// Skips a comment from `from` (behind its opener) with depth 1.
void SkipComment(const char* from) {
    Token& t = *CurrToken;
    const uint32_t startLine = t.line;
    const bool nested = Option(opt::nc);
    int depth = 1;
    const char* p = from;
    for (;;) {
        switch (*p) {
        case '}':
            ++p;
            if (--depth == 0) { t.scan = p; return; }
            continue;
        case '*':
            if (p[1] == ')') {
                p += 2;
                if (--depth == 0) { t.scan = p; return; }
                continue;
            }
            break;
        case '{':
            if (nested) ++depth;
            break;
        case '(':
            if (p[1] == '*') {
                if (nested) ++depth;
                p += 2;
                continue;
            }
            break;
        case '\n':
            ReadLine(true);
            p = t.scan;
            continue;
        case EOF_CHAR:
            if (gLexer.files->includes > 1) {
                t.scan = p;
                ReportAt(p, p, msg::CommentIncludesEof, static_cast<unsigned>(startLine));
                PopFile();
                p = t.scan;
                continue;
            }
            t.scan = p;
            ReportAt(p, p, msg::OpenCommentNotClosed);
            return;
        default:
            break;
        }
        ++p;
    }
}

// A comment or directive at p ('{' or "(*").
void Comment(const char* p) {
    const char* q = AfterOpener(p);
    if (*q == '$' && IsWordLetter(q + 1) && !IsWordLetter(q + 2)) {
        Directive(p);
        return;
    }
    SkipComment(q);
}

// --- Literals -------------------------------------------------------------------------

TokenKind Literal(const char* p) {
    Token& t = *CurrToken;
    const char q = *p++;
    char text[LINE_BYTES];
    uint32_t n = 0;
    bool closed = false;
    for (;;) {
        const char c = *p;
        if (c == q) {
            if (p[1] != q) { ++p; closed = true; break; }
            p += 2;
        } else if (c == '\n' || c == EOF_CHAR) {
            break;
        } else {
            ++p;
        }
        text[n++] = c;
    }
    t.scan = p;
    if (!closed) ReportAt(t.start, p, msg::LiteralNotTerminated);
    if (n == 1) {
        t.value.character[0] = static_cast<unsigned char>(text[0]);
        t.value.character[1] = 0;
        return CHARtok;
    }
    if (n == 0 && !Option(opt::ety)) ReportAt(t.start, p, msg::EmptyLiteral);
    t.value.string = TrackedCopy(text, n);
    t.spare = n;
    return STRINGtok;
}

// --- Numbers --------------------------------------------------------------------------

// Unsigned 32-bit conversion of the digits start .. end in base; false on overflow.
bool Convert(const char* start, const char* end, uint32_t base, uint32_t& value) {
    uint64_t v = 0;
    for (const char* p = start; p < end; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        const uint32_t d = (c <= '9') ? c - '0' : (c | 0x20) - 'a' + 10;
        v = v * base + d;
        if (v > UINT32_MAX) return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
}

// A letter (or '_' under eui) glued to a number.
void CheckNumberEnd(const char* p) {
    if (IsWordLetter(p)) ReportAt(CurrToken->start, p, msg::Invalid, "constant");
}

TokenKind IntegerValue(const char* digits, const char* end, uint32_t base) {
    Token& t = *CurrToken;
    t.scan = end;
    uint32_t v = 0;
    bool fits = Convert(digits, end, base, v);
    if (fits && v >= 0x80000000u && Option(opt::ety)) {
        t.value.cardinal = v;
        CheckNumberEnd(end);
        return CARDINALtok;
    }
    if (!fits || v >= 0x80000000u) {
        ReportAt(t.start, end, msg::LimitIntegerConstant);
        v = 2147483647;
    }
    t.value.integer = static_cast<int32_t>(v);
    CheckNumberEnd(end);
    return INTtok;
}

locale_t CLocale() {
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

TokenKind RealValue(const char* end) {
    Token& t = *CurrToken;
    t.scan = end;
    char text[LINE_BYTES];
    const size_t n = static_cast<size_t>(end - t.start);
    std::memcpy(text, t.start, n);
    text[n] = '\0';
    errno = 0;
    const double d = strtod_l(text, nullptr, CLocale());
    t.value.real = d;
    if (errno == ERANGE) {
        if (d == HUGE_VAL || d == -HUGE_VAL) ReportAt(t.start, end, msg::LimitRealConstant);
        else ReportAt(t.start, end, msg::RealUnderflow);
    }
    CheckNumberEnd(end);
    return REALtok;
}

inline const char* SkipDigits(const char* p, uint8_t kind) {
    while (WordOf(p) & kind) ++p;
    return p;
}

// Digits, then a fraction and/or an exponent make a real; digits alone an integer.
TokenKind Number(const char* p) {
    const char* digits = p;
    const char* end = SkipDigits(p, W_DIGIT);
    bool real = false;
    if (*end == '.' && (WordOf(end + 1) & W_DIGIT)) {
        end = SkipDigits(end + 1, W_DIGIT);
        real = true;
    }
    if (*end == 'e' || *end == 'E') {
        const char* e = end + 1;
        if (*e == '+' || *e == '-') ++e;
        if (WordOf(e) & W_DIGIT) {
            end = SkipDigits(e, W_DIGIT);
            real = true;
        }
    }
    return real ? RealValue(end) : IntegerValue(digits, end, 10);
}

// "#65": a character by its decimal code.
TokenKind CharCode(const char* p) {
    Token& t = *CurrToken;
    const char* digits = p + 1;
    const char* end = SkipDigits(digits, W_DIGIT);
    uint32_t v = 0;
    t.value.character[1] = 0;
    t.scan = end;
    if (end == digits) {
        t.value.character[0] = '#';
        ReportAt(t.start, end, msg::Invalid, "char constant");
        return CHARtok;
    }
    if (!Convert(digits, end, 10, v) || v > 255) {
        ReportAt(t.start, end, msg::Invalid, "char constant");
        v = 255;
    }
    t.value.character[0] = v;
    return CHARtok;
}

// "%101" and "$1F": binary and hexadecimal integers.
TokenKind BasedInteger(const char* p, uint8_t digitKind, uint32_t base, const char* what) {
    Token& t = *CurrToken;
    const char* digits = p + 1;
    if (!(WordOf(digits) & digitKind)) {
        t.scan = digits;
        t.value.integer = 0;
        ReportAt(t.start, digits, msg::Invalid, what);
        return INTtok;
    }
    return IntegerValue(digits, SkipDigits(digits, digitKind), base);
}

// --- Identifiers ----------------------------------------------------------------------

TokenKind Word(const char* p) {
    Token& t = *CurrToken;
    uint32_t h = 0;
    for (;;) {
        // HashStep by table: h * 65423 plus the byte's share, without the case test.
        for (unsigned char c; CHARS.word[c = static_cast<unsigned char>(*p)] & (W_LETTER | W_DIGIT);
             ++p)
            h = h * 65423u + CHARS.hash[c];
        if (*p != '_' || !Option(opt::eui)) break;
        h = HashStep(h, static_cast<unsigned char>(*p++));
    }
    t.scan = p;
    Identifier* id = FindOrAddHashed(t.start, static_cast<uint32_t>(p - t.start), h, true);
    if (id->reserved) return static_cast<TokenKind>(id->reserved);
    t.value.id = id;
    return IDtok;
}

// --- The scanner ----------------------------------------------------------------------

// The token whose first character is at p (nothing skipped), or UNDEFtok when p started
// something that is not a token (blank, comment, stray character): scanning then goes on
// from CurrToken->scan.
TokenKind Scan(const char* p) {
    Token& t = *CurrToken;
    t.start = p;
    switch (StartOf(p)) {
    case S_BLANK:
        t.scan = p + 1;
        return UNDEFtok;
    case S_EOL:
        ReadLine(true);
        return UNDEFtok;
    case S_EOF:
        if (gLexer.files->includes > 1) {
            PopFile();
            return UNDEFtok;
        }
        t.scan = p;
        return EOFtok;
    case S_LETTER:
        return Word(p);
    case S_UNDERSCORE:
        if (Option(opt::eui)) return Word(p);
        break;
    case S_DIGIT:
        return Number(p);
    case S_SINGLE: t.scan = p + 1; return CHARS.single[static_cast<unsigned char>(*p)];
    case S_QUOTE:
        return Literal(p);
    case S_DQUOTE:
        if (Option(opt::edq)) return Literal(p);
        break;
    case S_LBRACE:
        Comment(p);
        return UNDEFtok;
    case S_RBRACE:
        t.scan = p + 1;
        ReportAt(p, p + 1, msg::CloseCommentWithoutOpen);
        return UNDEFtok;
    case S_LPAREN:
        if (p[1] == '*') { Comment(p); return UNDEFtok; }
        t.scan = p + (p[1] == '.' ? 2 : 1);
        return p[1] == '.' ? OPEN_BRACKETtok : OPEN_PARENtok;
    case S_STAR:
        if (p[1] == ')') {
            t.scan = p + 2;
            ReportAt(p, p + 2, msg::CloseCommentWithoutOpen);
            return UNDEFtok;
        }
        t.scan = p + 1;
        return STARtok;
    case S_SLASH:
        if (p[1] == '/') { t.scan = p + 2; SkipLineComment(); return UNDEFtok; }
        t.scan = p + 1;
        return SLASHtok;
    case S_PERIOD:
        t.scan = p + ((p[1] == '.' || p[1] == ')') ? 2 : 1);
        return p[1] == '.' ? DOT_DOTtok : p[1] == ')' ? CLOSE_BRACKETtok : PERIODtok;
    case S_COLON:
        t.scan = p + (p[1] == '=' ? 2 : 1);
        return p[1] == '=' ? ASSIGNtok : COLONtok;
    case S_LESS:
        t.scan = p + ((p[1] == '=' || p[1] == '>') ? 2 : 1);
        return p[1] == '=' ? LESS_EQUALtok : p[1] == '>' ? NOT_EQUALtok : LESStok;
    case S_GREATER:
        t.scan = p + (p[1] == '=' ? 2 : 1);
        return p[1] == '=' ? GREATER_EQUALtok : GREATERtok;
    case S_HASH:
        if (Option(opt::ebh)) return CharCode(p);
        break;
    case S_PERCENT:
        if (Option(opt::ebh)) return BasedInteger(p, W_BINARY, 2, "binary constant");
        break;
    case S_DOLLAR:
        if (Option(opt::ebh)) return BasedInteger(p, W_HEX, 16, "hexadecimal constant");
        break;
    case S_OTHER:
        break;
    }
    t.scan = p + 1;
    ReportAt(p, p + 1, msg::UndefinedCharacter);
    return UNDEFtok;
}

// ScanToken from p (blanks skipped) with the whole scanner: line ends, comments,
// numbers, literals and everything else that is not a word or a one-character token.
[[gnu::noinline]] TokenKind ScanTokenFrom(const char* p) {
    Token& t = *CurrToken;
    TokenKind kind = Scan(p);
    while (kind == UNDEFtok) {
        p = t.scan;
        while (*p == ' ' || *p == '\t') ++p;
        kind = Scan(p);
    }
    return t.kind = kind;
}

// Words and one-character tokens, most of any program, are taken here without the
// whole scanner's frame.
TokenKind ScanToken() {
    Token& t = *CurrToken;
    const char* p = t.scan;
    while (*p == ' ' || *p == '\t') ++p;
    switch (StartOf(p)) {
    case S_LETTER:
        t.start = p;
        return t.kind = Word(p);
    case S_SINGLE:
        t.start = p;
        t.scan = p + 1;
        return t.kind = CHARS.single[static_cast<unsigned char>(*p)];
    default:
        return ScanTokenFrom(p);
    }
}

bool Confusable(TokenKind current, TokenKind wanted) {
    static constexpr struct {
        TokenKind current, wanted;
    } PAIRS[] = {
        {EQUALtok, ASSIGNtok},
        {ASSIGNtok, EQUALtok},
        {OPEN_PARENtok, OPEN_BRACKETtok},
        {OPEN_BRACKETtok, OPEN_PARENtok},
        {CLOSE_PARENtok, CLOSE_BRACKETtok},
        {CLOSE_BRACKETtok, CLOSE_PARENtok},
        {SEMI_COLONtok, COLONtok},
        {COLONtok, SEMI_COLONtok},
    };
    for (auto pair : PAIRS)
        if (pair.current == current && pair.wanted == wanted) return true;
    return false;
}

}  // namespace

bool CurrentSourcePosition(Position& pos) {
    if (gLexer.files == nullptr || gLexer.files->includes == 0) return false;
    pos = CurrentPosition();
    return true;
}

void OpenMainSource(const char* name) {
    InitLexer();
    ClearIdentifierTable();
    PushFile(name);
}

Token* CurrToken = &gToken;
const char* const* const KEYWORDS = TOKEN_NAMES + ANDtok;

// --- Lifecycle ------------------------------------------------------------------------

void InitLexer() {
    CloseCurrent();
    gLexer.files = TrackedNew<FileTable>();
    gLexer.file.block = static_cast<unsigned char*>(TrackedAlloc(READ_BLOCK));
    gLexer.file.name[0] = '\0';
    gLexer.file.pos = gLexer.file.end = 0;
    gLexer.file.blockStart = 0;
    for (size_t& used : gLexer.used) used = LINE_BYTES;
    for (char*& line : gLexer.lines) {
        line = static_cast<char*>(TrackedAlloc(LINE_BYTES));
        std::memset(line, 0, LINE_BYTES);
        line[0] = '\n';
    }
    gLexer.active = 0;
    gLexer.totalLines = 0;
    gLexer.fileList = ListCreate();
    gLexer.sourceNames = ListCreate();
    gLexer.havePeek = false;
    CurrToken = TrackedNew<Token>();
    CurrToken->offset = -1;
    CurrToken->offset32 = -1;
    CurrToken->fileText = FileNameOf(nullptr);
    CurrToken->lineBuffer = CurrToken->start = CurrToken->scan = gLexer.lines[0];
    SetPositionSource(CurrentSourcePosition);
}

int PushFile(const char* name) {
    TPC_CHECK(gLexer.files != nullptr);  // InitLexer first
    if (!gLexer.files) return 0;
    FileTable& ft = *gLexer.files;
    std::string full = FullPath(name);
    if (AlreadyListed(full)) {
        ReportMessage(msg::RecursiveInclusion, nullptr);
        return 0;
    }
    ListAppend(gLexer.fileList, TrackedCopy(full.data(), full.size()));
    // The FATAL messages below do not return while compiling.
    if (ft.includes == MAX_INCLUDES) {
        ReportMessage(msg::LimitIncludeNesting, nullptr);
        return 0;
    }
    if (std::strlen(name) > MAX_FILE_NAME) {
        ReportMessage(msg::FileNameTooLong, nullptr, name);
        return 0;
    }
    ReportMessage(msg::TraceOpening, nullptr, name);
    FILE* fp = OpenFile(name);
    if (!fp) {
        ReportMessage(msg::CanNotOpenFile, nullptr, name);
        return 0;
    }

    ft.saved[ft.includes] = *CurrToken;
    CloseCurrent();
    std::snprintf(ft.names[ft.includes], sizeof ft.names[0], "%s", name);
    ++ft.includes;
    AttachFile(fp, name, 0);
    ListAppend(gLexer.sourceNames, TrackedCopy(name, std::strlen(name)));
    AddSourceName(name);

    Token& t = *CurrToken;
    t = Token{};
    t.offset = -1;
    t.offset32 = -1;
    t.line = 0;
    // Named before the first line is read, so that a message about that line names it.
    t.filename = InternFileName(name);
    t.fileText = FileNameOf(t.filename);
    ReadLine(true);
    return 1;
}

// The file table goes with the compilation's records; forgetting it here keeps a late
// message from reading it after they have been released.
void CloseSourceFiles() {
    CloseCurrent();
    gLexer.files = nullptr;
    gLexer.havePeek = false;
}


// --- Tokens ---------------------------------------------------------------------------

TokenKind GetToken() {
    // Every loop of the parser moves on by tokens, also inside one long construct (a case
    // with thousands of constants, a chain of thousands of operators, a long list), so a
    // break is noticed here within one token.
    if (UserBreak()) ReportMessage(msg::TerminatedByUser, nullptr);
    if (gLexer.havePeek) {
        gLexer.havePeek = false;
        *CurrToken = gLexer.peeked;
        return CurrToken->kind;
    }
    if (CurrToken->kind == EOFtok) return EOFtok;
    return ScanToken();
}

TokenKind PeekToken() {
    if (gLexer.havePeek) return gLexer.peeked.kind;
    if (CurrToken->kind == EOFtok) return EOFtok;
    const Token saved = *CurrToken;
    // Scan on in the other line buffer, starting with a copy of the current line (up to
    // its NUL: the scanner never reads past the line-feed sentinel before it).
    const char* oldLine = CurrToken->lineBuffer;
    const int from = oldLine == gLexer.lines[1] ? 1 : 0;
    const size_t used = oldLine == gLexer.lines[from] ? gLexer.used[from] : LINE_BYTES;
    gLexer.active = 1 - gLexer.active;
    std::memcpy(gLexer.lines[gLexer.active], oldLine, used);
    gLexer.used[gLexer.active] = used;
    RebaseToken(*CurrToken, oldLine);
    ScanToken();
    gLexer.peeked = *CurrToken;
    gLexer.havePeek = true;
    *CurrToken = saved;
    return gLexer.peeked.kind;
}

void Match(TokenKind kind) {
    const TokenKind current = CurrToken->kind;
    if (current == kind) {
        GetToken();
        return;
    }
    char name[48];
    TokenName(kind, name, sizeof name);
    Position here = CurrentPosition();
    ReportMessage(msg::Expected, &here, name);
    if (PeekToken() == kind) {
        GetToken();   // drop the extra token
        GetToken();
        return;
    }
    if (Confusable(current, kind)) {
        GetToken();
        return;
    }
    if (current == EOFtok) ReportMessage(msg::UnexpectedEof, &here);
}

const char* TokenNameText(int32_t kind) {
    TPC_CHECK(kind >= 0 && kind < TOKEN_KIND_COUNT);
    return (kind >= 0 && kind < TOKEN_KIND_COUNT) ? TOKEN_NAMES[kind] : "";
}

void TokenName(int32_t kind, char* buffer, uint32_t size) {
    TPC_CHECK(size > 40);
    std::snprintf(buffer, size, "%s", TokenNameText(kind));
}

void TokenText(const Token& token, char* buffer, uint32_t size) {
    TPC_CHECK(size > 0);
    size_t n = static_cast<size_t>(token.scan - token.start);
    if (n >= size) n = size - 1;
    std::memcpy(buffer, token.start, n);
    buffer[n] = '\0';
}


// --- Files and counters ---------------------------------------------------------------

int IncludeDepth() { return gLexer.files ? gLexer.files->includes : 0; }
uint32_t TotalLines() { return gLexer.totalLines; }
const List* FileList() { return gLexer.fileList; }
const List* SourceNames() { return gLexer.sourceNames; }
void SetIncludeBaseDir(const char* dir) { gLexer.includeBase = dir ? dir : ""; }

}  // namespace tarn::tpc
