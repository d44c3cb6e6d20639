// Lists of the language: a list variable holds 0xFFFFFFFF while undefined, otherwise the
// VM address of a list header. Header and element chunks live inside the VM window, so
// the program reaches elements through ordinary VM addresses.
//
// Header (words): element count, element size, elements per chunk, first chunk, last
// chunk. Chunk: next chunk, elements used, then room for the chunk's elements. A packed
// list packs 16 div element-size elements (at least one) into a chunk; any other list
// holds one element per chunk.
//
// This is the internal API the list routines (66-72) and the error list share. Every
// function that allocates returns 0 when memory runs out; the caller raises its own error.
//
// Header and chunks are program memory, so nothing in them is trusted: every function
// checks the header and each chunk it touches against the allocator (a live block big
// enough for what the header claims, no more elements used than a chunk holds) and walks
// chains with a bound the program cannot raise; anything else is the run-time error
// "List is corrupt". Whatever a program writes there, the engine's reads, writes and copies
// stay inside the list's own blocks.
#pragma once

#include <cstdint>

namespace tarn::rt {

// A new empty list; 0 when it cannot be allocated.
uint32_t NewList(uint32_t elementSize, bool packed);

uint32_t ListLength(uint32_t header);

// Appends one element (filled with the undefined marker) and returns its VM address.
uint32_t AppendListElement(uint32_t header);

// Inserts one element (undefined) before position index (1-based; length+1 appends) and
// returns its VM address. The caller checks index against the length.
uint32_t InsertListElement(uint32_t header, uint32_t index);

// The VM address of the element at index (1-based); 0 when index is outside 1..length.
uint32_t ListElementAddress(uint32_t header, uint32_t index);

// Deletes count elements starting at index; the caller checks the range.
void DeleteListElements(uint32_t header, uint32_t index, uint32_t count);

// Removes every element; the header stays.
void ClearList(uint32_t header);

// Frees every chunk and the header. False when the chunks do not account for the element
// count (the list is corrupt); everything reachable is freed either way.
bool DisposeList(uint32_t header);

}  // namespace tarn::rt
