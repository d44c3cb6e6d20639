// List routines (66-72) on the list API of lists.h. Every routine receives the address of
// the list variable; the variable holds the undefined marker until `new` stores a header.
#include <algorithm>

#include "runtime/errors.h"
#include "runtime/lists.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "runtime/vmstrings.h"
#include "runtime/window.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

uint32_t VariableValue(uint32_t var) { return LoadWord(VmSpan(var, 4)); }

// The header held by the list variable at var. A header that is not a live block (the
// variable was never set, or its list was disposed through another variable) is
// "Accessing undefined list".
uint32_t Header(uint32_t var) {
    uint32_t header = VariableValue(var);
    if (header == kUndefinedWord || header == 0 || WindowBlockSize(header) == 0)
        RunTimeError("Accessing undefined list");
    return header;
}

int32_t PopInt(Regs& r) { return static_cast<int32_t>(Pop(r)); }

void CheckIndex(int32_t index, uint32_t highest) {
    if (index < 1) RunTimeError("Invalid list index (too low)");
    if (uint32_t(index) > highest) RunTimeError("Invalid list index (too high)");
}

// Stack: list variable, element size, packed flag.
StdOutcome New(Regs& r, int&) {
    bool packed = Pop(r) != 0;
    uint32_t size = Pop(r);
    uint32_t var = Pop(r);
    uint32_t header = NewList(size, packed);
    if (header == 0) MemoryAllocationFailure();
    StoreWord(VmSpan(var, 4), header);
    return StdOutcome::Continue;
}

// Stack: list variable.
StdOutcome Dispose(Regs& r, int&) {
    uint32_t var = Pop(r);
    uint32_t header = VariableValue(var);
    if (header == kUndefinedWord || header == 0 || WindowBlockSize(header) == 0)
        RunTimeError("Disposing undefined list");
    bool intact = DisposeList(header);
    StoreWord(VmSpan(var, 4), kUndefinedWord);
    if (!intact) RunTimeError("List is corrupt");
    return StdOutcome::Continue;
}

// Stack: list variable -- element count.
StdOutcome Length(Regs& r, int&) {
    Push(r, ListLength(Header(Pop(r))));
    return StdOutcome::Continue;
}

// Stack: list variable -- address of the new last element.
StdOutcome Append(Regs& r, int&) {
    uint32_t element = AppendListElement(Header(Pop(r)));
    if (element == 0) MemoryAllocationFailure();
    Push(r, element);
    return StdOutcome::Continue;
}

// Stack: list variable, index -- address of the new element at index (1 .. length + 1).
StdOutcome Insert(Regs& r, int&) {
    int32_t index = PopInt(r);
    uint32_t header = Header(Pop(r));
    CheckIndex(index, ListLength(header) + 1);
    uint32_t element = InsertListElement(header, uint32_t(index));
    if (element == 0) MemoryAllocationFailure();
    Push(r, element);
    return StdOutcome::Continue;
}

// Stack: list variable, index -- address of the element at index. A chain that ends
// before the element count says it should is "List over run".
StdOutcome Element(Regs& r, int&) {
    int32_t index = PopInt(r);
    uint32_t header = Header(Pop(r));
    CheckIndex(index, ListLength(header));
    uint32_t element = ListElementAddress(header, uint32_t(index));
    if (element == 0) RunTimeError("List over run");
    Push(r, element);
    return StdOutcome::Continue;
}

// Stack: list variable, index, count. The count is cut to the elements from index to the
// end (2147483647 deletes the rest of the list).
StdOutcome Delete(Regs& r, int&) {
    int32_t count = PopInt(r);
    int32_t index = PopInt(r);
    uint32_t header = Header(Pop(r));
    uint32_t length = ListLength(header);
    if (count < 0) RunTimeError("Invalid delete count (too low)");
    CheckIndex(index, length);
    uint32_t n = std::min<uint32_t>(uint32_t(count), length - uint32_t(index) + 1);
    DeleteListElements(header, uint32_t(index), n);
    if (ListLength(header) != length - n) RunTimeError("List over run");
    return StdOutcome::Continue;
}

}  // namespace

void RegisterListRoutines() {
    using vm::Std;
    RegisterStd(vm::Number(Std::ListAppend), Append);
    RegisterStd(vm::Number(Std::ListElement), Element);
    RegisterStd(vm::Number(Std::ListDelete), Delete);
    RegisterStd(vm::Number(Std::ListDispose), Dispose);
    RegisterStd(vm::Number(Std::ListInsert), Insert);
    RegisterStd(vm::Number(Std::ListLength), Length);
    RegisterStd(vm::Number(Std::ListNew), New);
}

}  // namespace tarn::rt
