// The source position every front-end record carries and every message is reported at.
#pragma once

#include <cstdint>

namespace tarn::tpc {

// A place in a source file. The lexer fills it from its current token; the records of
// the declaration model keep a copy. A message issued at a position names its file and
// line, and its context display re-reads the line from `offset`.
struct Position {
    const char* filename = nullptr;  // the source file's name proper; null or "" = unknown
    // File offset of the start of the line; -1 = unknown, and for lines past 2 GiB, whose
    // context is then not shown. 32 bits keep the record at 24 bytes: every one of the
    // millions of records of a large compilation carries a copy.
    int32_t offset = -1;
    uint32_t line = 0;               // 1-based; 0 = unknown
    int32_t col = -1;                // 0-based; negative = unknown
    uint32_t length = 0;             // characters of the token at this place
};

// Whether two records were made at the same place (the arguments of a built-in routine
// that belong to one item, say).
inline bool SamePosition(const Position& a, const Position& b) {
    return a.filename == b.filename && a.offset == b.offset && a.line == b.line && a.col == b.col;
}

}  // namespace tarn::tpc
