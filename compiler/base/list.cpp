// set: bit sets and lists (see set.h).
#include "compiler/base/list.h"

#include <cstring>

#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"

namespace tarn::tpc {

// ---- Bit sets --------------------------------------------------------------------------

BitSet* SetCreate(int32_t low, int32_t high) {
    TPC_CHECK(low >= 0);
    TPC_CHECK(low <= high);
    BitSet* s = TrackedNew<BitSet>();
    size_t n = static_cast<size_t>(high / 8 - low / 8 + 1);
    s->low = low;
    s->high = high;
    s->bytes = static_cast<uint8_t*>(TrackedAlloc(n));
    std::memset(s->bytes, 0, n);
    return s;
}

// The byte that holds element e; an element outside the range is an internal error.
static uint8_t* ByteOf(const BitSet* s, int32_t e) {
    TPC_CHECK(s != nullptr);
    TPC_CHECK(e >= s->low && e <= s->high);
    if (e < s->low || e > s->high) return nullptr;  // only reached while reports are off
    return s->bytes + (e / 8 - s->low / 8);
}

bool SetIn(const BitSet* s, int32_t e) {
    const uint8_t* b = ByteOf(s, e);
    return b && (*b & (1u << (e % 8)));
}

void SetInclude(BitSet* s, int32_t e) {
    if (uint8_t* b = ByteOf(s, e)) *b = static_cast<uint8_t>(*b | (1u << (e % 8)));
}

void SetExclude(BitSet* s, int32_t e) {
    if (uint8_t* b = ByteOf(s, e)) *b = static_cast<uint8_t>(*b & ~(1u << (e % 8)));
}

// ---- Lists -----------------------------------------------------------------------------

List* ListCreate() { return TrackedNew<List>(); }

uint32_t ListCount(const List* l) { return l ? l->count : 0; }

void* ListGet(const List* l, uint32_t position) {
    TPC_CHECK(l != nullptr && position >= 1 && position <= l->count);
    if (!l || position < 1 || position > l->count) return nullptr;
    return l->items[position - 1];
}

// Makes room for one more item; the outgrown array stays with the allocator.
static void Grow(List* l) {
    if (l->count < l->capacity) return;
    uint32_t capacity = l->capacity ? l->capacity * 2 : 8;
    void** items = static_cast<void**>(TrackedAlloc(capacity * sizeof(void*)));
    if (l->count) std::memcpy(items, l->items, l->count * sizeof(void*));
    l->items = items;
    l->capacity = capacity;
}

void ListAppend(List* l, void* item) { ListInsert(l, ListCount(l) + 1, item); }

void ListInsert(List* l, uint32_t position, void* item) {
    TPC_CHECK(l != nullptr && position >= 1 && position <= l->count + 1);
    if (!l || position < 1 || position > l->count + 1) return;
    Grow(l);
    std::memmove(l->items + position, l->items + position - 1,
                 (l->count - (position - 1)) * sizeof(void*));
    l->items[position - 1] = item;
    l->count++;
}

void* ListDelete(List* l, uint32_t position) {
    void* item = ListGet(l, position);
    if (!l || position < 1 || position > l->count) return nullptr;
    std::memmove(l->items + position - 1, l->items + position,
                 (l->count - position) * sizeof(void*));
    l->count--;
    return item;
}

}  // namespace tarn::tpc
