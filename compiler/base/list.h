// set: the compiler's two small container records.
//
// BitSet: {low, high, bytes} over a range of small non-negative integers; used for token
// sets, option switches and directive flags. Element e lives in byte e/8 - low/8, bit
// e mod 8. An element outside low..high is an internal error.
//
// List: the ordered list of untyped items with 1-based positional access used for every
// list of the compiler. Items sit in one growable array, so positional access is direct
// and a forward walk needs no cursor.
//
// Both come from the tracked allocator and go with the compilation; a list's outgrown
// arrays are left to the allocator too (nothing is freed singly).
#pragma once

#include <cstdint>

namespace tarn::tpc {

struct BitSet {
    int32_t low;
    int32_t high;
    uint8_t* bytes;     // high/8 - low/8 + 1 bytes
};

BitSet* SetCreate(int32_t low, int32_t high);
bool SetIn(const BitSet* s, int32_t e);
void SetInclude(BitSet* s, int32_t e);
void SetExclude(BitSet* s, int32_t e);

struct List {
    void** items;       // items[0] is position 1
    uint32_t count;
    uint32_t capacity;
};

List* ListCreate();
uint32_t ListCount(const List* l);
// Item at 1-based position (1 <= position <= count).
void* ListGet(const List* l, uint32_t position);
void ListAppend(List* l, void* item);
// Inserts so that the item ends at position (1 <= position <= count + 1).
void ListInsert(List* l, uint32_t position, void* item);
// Removes the item at position and returns it.
void* ListDelete(List* l, uint32_t position);

// Typed access for the common case: for (T* x : Items<T>(list)).
template <class T>
struct ListItems {
    const List* l;
    struct It {
        void* const* p;
        T* operator*() const { return static_cast<T*>(*p); }
        It& operator++() { ++p; return *this; }
        bool operator!=(const It& o) const { return p != o.p; }
    };
    It begin() const { return {l ? l->items : nullptr}; }
    It end() const { return {l ? l->items + l->count : nullptr}; }
};
template <class T>
ListItems<T> Items(const List* l) { return {l}; }

}  // namespace tarn::tpc
