// list: the ordered list of untyped items with 1-based positional access used for every
// list of the compiler. Items sit in one growable array, so positional access is direct
// and a forward walk needs no cursor. A list and its outgrown arrays come from the tracked
// allocator and go with the compilation (nothing is freed singly).
#pragma once

#include <cstdint>

namespace tarn::tpc {

struct List {
    void** items;       // items[0] is position 1
    uint32_t count;
    uint32_t capacity;
};

List* ListCreate();
// A list of the statement being parsed (see ScratchNew in alloc.h): released with the
// statement's other scratch records.
List* ListCreateScratch();
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
