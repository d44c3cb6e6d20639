// idtable: the identifier table (see idtable.h).
//
// The table is open-addressed with linear probing over a power-of-two array of slots, kept
// at most half full. Each slot holds the identifier and its full 32-bit HashText value, so
// most probes are rejected by one integer compare without touching the identifier.
// HashText folds case, so spellings that differ only in case always share a probe run;
// a folded lookup takes the first identifier of the run equal ignoring case, an exact
// lookup the one that is equal byte for byte.
#include "compiler/front/idtable.h"

#include <cstring>

#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"

namespace tarn::tpc {
namespace {

struct Slot {
    Identifier* id;     // none: empty
    uint32_t hash;
};

constexpr uint32_t INITIAL_SLOTS = 4096;

struct IdentifierTable {
    Slot* slots = nullptr;
    uint32_t mask = 0;      // slot count - 1
    uint32_t count = 0;
};

IdentifierTable gTable;

// ASCII-only case folding: bytes 0x80-0xFF are letters without case.
constexpr unsigned char FoldByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

bool EqualIgnoringCase(const char* a, const char* b, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i)
        if (FoldByte(static_cast<unsigned char>(a[i])) !=
            FoldByte(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Byte-for-byte equality; identifiers are short, so a loop beats a call to memcmp.
inline bool SameBytes(const char* a, const char* b, uint32_t n) {
    if (n > 16) return std::memcmp(a, b, n) == 0;
    for (uint32_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// Spreads the multiplicative sum over the slot index; its low bits alone are weak.
inline uint32_t SlotOf(uint32_t hash, uint32_t mask) {
    return ((hash ^ (hash >> 15)) * 0x9E3779B1u >> 7) & mask;
}

Slot* NewSlots(uint32_t n) {
    auto* s = static_cast<Slot*>(TrackedAlloc(sizeof(Slot) * n));
    std::memset(s, 0, sizeof(Slot) * n);
    return s;
}

// Doubles the array; the old one stays with the allocator until the compilation ends.
void Grow() {
    uint32_t n = (gTable.mask + 1) * 2;
    Slot* fresh = NewSlots(n);
    for (uint32_t i = 0; i <= gTable.mask; ++i) {
        const Slot& s = gTable.slots[i];
        if (!s.id) continue;
        uint32_t j = SlotOf(s.hash, n - 1);
        while (fresh[j].id) j = (j + 1) & (n - 1);
        fresh[j] = s;
    }
    gTable.slots = fresh;
    gTable.mask = n - 1;
}

Identifier* NewIdentifier(const char* text, uint32_t length, uint32_t hash) {
    // One allocation: the record, then its text.
    auto* id = static_cast<Identifier*>(TrackedAlloc(sizeof(Identifier) + length + 1));
    char* copy = reinterpret_cast<char*>(id + 1);
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    *id = Identifier{copy, nullptr, length, hash, 0};
    return id;
}

bool CaseSensitive() { return IsFlagOption(opt::C); }

Identifier* InternPrefixed(char prefix, std::string_view name, bool fold) {
    // Internal names are rare and short; a small buffer avoids a heap string.
    char buffer[512];
    if (name.size() + 1 > sizeof buffer) {
        auto* big = static_cast<char*>(TrackedAlloc(name.size() + 1));
        big[0] = prefix;
        std::memcpy(big + 1, name.data(), name.size());
        return FindOrAdd({big, name.size() + 1}, fold);
    }
    buffer[0] = prefix;
    std::memcpy(buffer + 1, name.data(), name.size());
    return FindOrAdd({buffer, name.size() + 1}, fold);
}

}  // namespace

uint32_t HashText(std::string_view text) {
    uint32_t h = 0;
    for (char c : text) h = HashStep(h, static_cast<unsigned char>(c));
    return h;
}

uint32_t Hash(std::string_view text, uint32_t hashSize) {
    TPC_CHECK(hashSize > 1);
    if (hashSize <= 1) return 0;   // a table of one bucket (or none): everything in bucket 0
    return HashText(text) % hashSize;
}

void ClearIdentifierTable() {
    gTable.slots = NewSlots(INITIAL_SLOTS);
    gTable.mask = INITIAL_SLOTS - 1;
    gTable.count = 0;
}

namespace {

// The whole search: probes on past other words, folds case, adds a new identifier.
[[gnu::noinline]] Identifier* FindOrAddProbing(const char* text, uint32_t length,
                                               uint32_t hash, bool fold) {
    if (!gTable.slots) ClearIdentifierTable();
    uint32_t i = SlotOf(hash, gTable.mask);
    for (;; i = (i + 1) & gTable.mask) {
        Slot& s = gTable.slots[i];
        if (!s.id) break;
        if (s.hash != hash || s.id->length != length) continue;
        if (SameBytes(s.id->text, text, length)) return s.id;
        // Same sum and length but another spelling: usually the same word in other case.
        if (fold && !CaseSensitive() && EqualIgnoringCase(s.id->text, text, length)) return s.id;
    }
    Identifier* id = NewIdentifier(text, length, hash);
    gTable.slots[i] = Slot{id, hash};
    if (++gTable.count * 2 > gTable.mask + 1) Grow();
    return id;
}

}  // namespace

Identifier* FindOrAddHashed(const char* text, uint32_t length, uint32_t hash, bool fold) {
    // Nearly every word of a program is already in the table, in the slot its hash picks
    // (the table is at most half full): that case is a short leaf with no frame to build.
    if (gTable.slots && length <= 16) {
        const Slot& s = gTable.slots[SlotOf(hash, gTable.mask)];
        if (s.id && s.hash == hash && s.id->length == length &&
            SameBytes(s.id->text, text, length))
            return s.id;
    }
    return FindOrAddProbing(text, length, hash, fold);
}

Identifier* FindOrAdd(std::string_view text, bool fold) {
    return FindOrAddHashed(text.data(), static_cast<uint32_t>(text.size()), HashText(text), fold);
}

Identifier* InternFileName(std::string_view name) { return InternPrefixed('"', name, false); }
Identifier* InternLiteral(std::string_view text) { return InternPrefixed('\'', text, false); }
Identifier* InternMember(std::string_view name) { return InternPrefixed('.', name, true); }

uint32_t IdentifierCount() { return gTable.count; }

}  // namespace tarn::tpc
