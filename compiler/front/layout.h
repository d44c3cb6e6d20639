// layout: finishing declarations. Finishing is eager: a constant when its definition ends,
// a type when its definition ends, a variable when it is declared. It resolves constant
// and type identifiers (detecting circular declarations through the bindings' finishing
// state), computes sizes, alignments and offsets, and numbers variants and builds their
// tables, which go to the writer's fixed data. Errors substitute BadT, a bad constant,
// offset 0 or the nearest legal value.
#pragma once

#include <cstdint>

#include "compiler/front/model.h"

namespace tarn::tpc {

// The type's alignment under option a (1 when nothing is aligned).
uint32_t AlignmentOf(Type* t);

// ---- Constants ----------------------------------------------------------------------------

// The ordinal value of an integer, cardinal, char or enumeration constant.
int64_t OrdinalValue(const Constant* c);
bool IsOrdinalConstant(const Constant* c);
bool IsCardinal(const Constant* c);
// Makes the bounds of a range the same kind (integer or cardinal) where they can be;
// false with a message at pos when they cannot.
bool UnifyBounds(Constant*& low, Constant*& high, const Position* pos);
bool BoundsReversed(const Constant* low, const Constant* high);

// ---- Declarations ------------------------------------------------------------------------

// Returns the finished constant, possibly a replacement record (a ConstantId becomes a
// copy of the constant it names).
Constant* FinishConstant(Constant* c);
void FinishType(Type* t);
// Finish the constant / type bound to id (used for predefined and declared names).
void FinishConstantIdentifier(Identifier* id);
void FinishTypeIdentifier(Identifier* id);

// The variable-allocation counter: next free offset of the current block.
uint32_t VariableCounter();
void SetVariableCounter(uint32_t offset);
// Allocates v at the counter (aligned), or for a local of a routine at its end offset.
void FinishVariable(Variable* v);
// Allocates a heading's parameters from offset 12, last section first, then the result;
// the counter is restored afterwards.
void FinishHeading(FuncHeading* fh);

// The type-nesting counter shared with the type parser; above 400 FATAL "Implementation
// limit exceeded (program too complex).".
void EnterTypeNesting();
void LeaveTypeNesting();
void ResetTypeNesting();

}  // namespace tarn::tpc
