// list: the compiler's lists (see list.h).
#include "compiler/base/list.h"

#include <cstring>

#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"

namespace tarn::tpc {


List* ListCreate() { return TrackedNew<List>(); }

List* ListCreateScratch() { return ScratchNew<List>(); }

uint32_t ListCount(const List* l) { return l ? l->count : 0; }

void* ListGet(const List* l, uint32_t position) {
    TPC_CHECK(l != nullptr && position >= 1 && position <= l->count);
    if (!l || position < 1 || position > l->count) return nullptr;
    return l->items[position - 1];
}

// Makes room for one more item; the outgrown array stays with the allocator. A scratch
// list of the statement being parsed grows in the scratch region; any other list (one of a
// statement further out included, whose scratch records outlive the inner statement's)
// grows in tracked memory.
static void Grow(List* l) {
    if (l->count < l->capacity) return;
    uint32_t capacity = l->capacity ? l->capacity * 2 : 8;
    const size_t bytes = capacity * sizeof(void*);
    void** items = static_cast<void**>(IsInnermostScratch(l) ? ScratchAlloc(bytes)
                                                              : TrackedAlloc(bytes));
    if (l->count) std::memcpy(items, l->items, l->count * sizeof(void*));
    l->items = items;
    l->capacity = capacity;
}

void ListAppend(List* l, void* item) {
    if (!l) return ListInsert(l, 1, item);   // reports the missing list
    // At the end there is nothing to move: no call of memmove for every item appended.
    Grow(l);
    l->items[l->count++] = item;
}

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
