// idtable: the identifier table.
//
// Every identifier text is interned once per compilation: the same spelling (or, while
// identifiers are not case-sensitive, the same spelling up to ASCII case) always gives the
// same Identifier record, so the rest of the compiler compares identifiers by pointer.
// The table also holds internal names whose first character keeps them apart from
// anything the scanner can produce: file names ('"' + name, exact case), pooled string
// literals ('\'' + text, exact case) and generic-object member names ('.' + name, folded).
//
// The binding module hangs each identifier's stack of bindings on `bind`; this module
// never looks at it. `reserved` mirrors the innermost binding when that binding is a
// reserved word, so that the scanner can classify a word without reaching into bindings.
//
// Records and texts come from the tracked allocator and live until the compilation ends.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarn::tpc {

struct Binding;

struct Identifier {
    const char* text;   // spelling as first seen, NUL-terminated
    Binding* bind;      // innermost binding, none when unbound (binding module)
    uint32_t length;    // characters in text
    uint32_t hash;      // HashText(text): the bucket number before the modulus
    int32_t reserved;   // token kind while the innermost binding is a reserved word, else 0
};

inline constexpr uint32_t HashSize = 701;

// The bucket number of a text: h = h * 65423 + c over its characters, each folded to lower
// case (ASCII) and taken as a signed 8-bit value, in unsigned 32-bit arithmetic;
// the result is h mod hashSize (hashSize > 1).
uint32_t Hash(std::string_view text, uint32_t hashSize);
// The same sum without the modulus; the scanner accumulates it while it reads a word.
uint32_t HashText(std::string_view text);

// One step of HashText, for callers that hash as they scan.
inline constexpr uint32_t HashStep(uint32_t h, unsigned char c) {
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + ('a' - 'A'));
    return h * 65423u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(c)));
}

// Empties the table (all identifiers forgotten); done at the start of each compilation.
void ClearIdentifierTable();

// Find-or-add. With fold set and option C (case-sensitive identifiers) off, texts compare
// ignoring ASCII case; otherwise exactly. A new identifier keeps the spelling given.
Identifier* FindOrAdd(std::string_view text, bool fold);
// The same with the text's HashText already known (the scanner's path).
Identifier* FindOrAddHashed(const char* text, uint32_t length, uint32_t hash, bool fold);

// An identifier from source text (fold = 1).
inline Identifier* Intern(std::string_view text) { return FindOrAdd(text, true); }
// Internal names; the text given is the name without its prefix character.
Identifier* InternFileName(std::string_view name);   // '"' + name, exact case
Identifier* InternLiteral(std::string_view text);    // '\'' + text, exact case
Identifier* InternMember(std::string_view name);     // '.' + name, folded

// The file name proper of a file-name identifier (its text less the '"').
inline const char* FileNameOf(const Identifier* id) { return id ? id->text + 1 : ""; }

// Sets or clears (kind 0) the reserved-word mark the scanner reads; the binding module
// keeps it equal to the innermost binding's reserved-word kind.
inline void MarkReserved(Identifier* id, int32_t tokenKind) { id->reserved = tokenKind; }

// Identifiers interned since the table was last cleared.
uint32_t IdentifierCount();

}  // namespace tarn::tpc
