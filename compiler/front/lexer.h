// lexer: source files and the scanner.
//
// Owns the open source file, the line buffer, the current token (CurrToken), the stack of
// include files (file_table) with the list of every file opened, comments, compiler
// directives found in comments (applied through the option store) and literal scanning.
// Identifiers are interned in the identifier table (idtable.h), which also tells whether a
// word is reserved. Messages go through ReportMessage.
#pragma once

#include <cstdint>

#include "compiler/base/position.h"
#include "compiler/front/idtable.h"

namespace tarn::tpc {

struct Identifier;
struct List;

enum TokenKind : int32_t {
#define TOKEN(name, text) name,
#include "compiler/front/tokens.def"
#undef TOKEN
    TOKEN_KIND_COUNT
};
static_assert(TOKEN_KIND_COUNT == 74 && ANDtok == 2 && XORtok == 45 && STRINGtok == 73);

constexpr bool VALID_TOKEN_KIND(int32_t kind) { return kind >= 1 && kind < TOKEN_KIND_COUNT; }
constexpr bool IsReservedWordKind(int32_t kind) { return kind >= ANDtok && kind <= XORtok; }

inline constexpr int MAX_LINE = 400;        // characters of a line, terminator not counted
inline constexpr int MAX_FILE_NAME = 256;   // characters of a source or include file name
inline constexpr int MAX_INCLUDES = 30;     // files open at once, the main file counting
inline constexpr char EOF_CHAR = 26;        // stored in the line buffer where a file ends

// The reserved words in kind order: KEYWORDS[kind - ANDtok].
extern const char* const* const KEYWORDS;

// The current token. The first five words describe the current line (col and length are
// rewritten per token); the token's own place is start .. scan in the line buffer.
struct Token {
    Identifier* filename;   // interned '"' + file name; FileNameOf gives the name
    int64_t offset;         // file offset of the line's start, -1 before the first line
    uint32_t line;          // 1-based line number in that file
    int32_t col;            // start - lineBuffer, filled by CurrentPosition
    uint32_t length;        // scan - start, filled by CurrentPosition
    int32_t offset32;       // offset as a position gives it: -1 past 2 GiB (and before)
    const char* fileText;   // FileNameOf(filename), "" before the first file
    const char* lineBuffer;
    const char* start;      // the token's first character
    const char* scan;       // one past the token
    TokenKind kind;
    uint32_t spare;         // STRINGtok: characters in the literal
    union {
        int32_t integer;        // INTtok
        uint32_t cardinal;      // CARDINALtok
        uint32_t character[2];  // CHARtok: the character in the low byte, then 0
        char* string;           // STRINGtok: heap copy of the text, NUL-terminated
        Identifier* id;         // IDtok
        double real;            // REALtok
    } value;
};

extern Token* CurrToken;

// --- Lifecycle ----------------------------------------------------------------------

// Empties the file stack, the line counters and the file list and allocates CurrToken;
// hands the current position to the message module. Once per compilation.
void InitLexer();
// Opens the main source file or an include file and makes it the current file. Returns 1
// when the file was entered, 0 when it was skipped as a recursive inclusion.
int PushFile(const char* name);
// Closes whatever source file is still open (the step after parsing).
void CloseSourceFiles();

// Compile's first step: InitLexer, a fresh identifier table, then PushFile(name).
void OpenMainSource(const char* name);
// The current token's position; false while no source file is open. Messages reported
// without a position use it (InitLexer hands it to the message module).
bool CurrentSourcePosition(Position& pos);

// --- Tokens -------------------------------------------------------------------------

// Advances CurrToken and returns its kind; after EOFtok every call returns EOFtok.
TokenKind GetToken();
// The kind of the token after the current one; CurrToken stays as it is.
TokenKind PeekToken();
// The parser's "expect": takes kind or repairs (see lex.cpp).
void Match(TokenKind kind);

// The token's name for "%s expected.": the word, the symbol or a descriptive name.
// size must exceed 40.
void TokenName(int32_t kind, char* buffer, uint32_t size);
const char* TokenNameText(int32_t kind);
// The source characters of a token (for trace messages); size > 0.
void TokenText(const Token& token, char* buffer, uint32_t size);

// The current token's position; col and length are derived from its pointers. Inline:
// the parser stamps nearly every record it makes with it.
inline Position CurrentPosition() {
    const Token& t = *CurrToken;
    Position p;
    p.filename = t.fileText;
    p.offset = t.offset32;
    p.line = t.line;
    p.col = static_cast<int32_t>(t.start - t.lineBuffer);
    p.length = static_cast<uint32_t>(t.scan - t.start);
    return p;
}

// --- Files and counters -------------------------------------------------------------

// Files open now (the main file counts 1; 0 before the first push).
int IncludeDepth();
// Source lines read so far in the whole compilation (for the statistics).
uint32_t TotalLines();
// Every file name pushed, in order (char*), as given; for the recursion check.
const List* FileList();
// The names of the source files actually opened, in the order they were opened; the
// image writer records them.
const List* SourceNames();

// Where the include fallbacks include/user/ and include/ are looked up: the compiler's
// installation directory (InstallDir()) unless set here; "" restores that default.
void SetIncludeBaseDir(const char* dir);

}  // namespace tarn::tpc
