// finish: completing what the parser builds, and the type predicates every check rests on.
//
// Finishing is eager: a constant when its definition ends, a type when its definition
// ends, a variable when it is declared, an expression when it has been parsed. It
// resolves constant and type identifiers (detecting circular declarations through the
// bindings' finishing state), computes sizes, alignments and offsets, numbers variants and
// builds their tables, and types expressions (ActualType, PromotedType) while checking
// their operators. Errors substitute BadT, a bad constant, offset 0 or the nearest legal
// value, and any operation on BadT passes silently, so one error gives one message.
#pragma once

#include <cstdint>

#include "compiler/front/model.h"

namespace tarn::tpc {

// ---- Type predicates (all resolve IdType first; null-safe: null is treated as BadT) ---

// IdType -> the type it names (finished on demand); anything else unchanged.
Type* ResolveType(Type* t);
// subrange -> promoted host; single -> RealT; shortint, shortword, byte -> IntegerT; a set
// -> a set of the promoted base (a new finished set when the base changes).
Type* PromotedType(Type* t);

bool IsOrdinalType(Type* t);
bool IsIntegralType(Type* t);
bool IsRealType(Type* t);        // single or real
bool IsStringType(Type* t);      // string, cstring, packed array[1..n >= 2] of char
bool IsNumericType(Type* t);     // integral but address, or real (subranges of them too)
bool ContainsFile(Type* t);
bool IsSameType(Type* a, Type* b);
bool IsSameAfterPromotion(Type* a, Type* b);
bool IsCompatibleType(Type* a, Type* b);
bool IsAssignmentCompatible(Type* target, Type* source);

// The values of an ordinal type as a closed range; false for a type that is not ordinal.
// Word-hosted ranges are unsigned.
bool OrdinalRange(Type* t, int64_t& low, int64_t& high);
// The type's alignment under option a (1 when nothing is aligned).
uint32_t AlignmentOf(Type* t);

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

// ---- Case constants ------------------------------------------------------------------------

// The values listed so far in one case statement or variant part: disjoint intervals in
// a search tree ordered by their low ends. The tree is a treap (each interval draws a
// priority, and a node's priority is never below its children's), which keeps it
// balanced whatever order the constants come in, so one check costs O(log n) and a case
// statement of n constants O(n log n).
struct CaseInterval {
    int64_t low;
    int64_t high;
    uint32_t priority;
    CaseInterval* left;     // intervals below `low`
    CaseInterval* right;    // intervals above `high`
};
struct CaseValueSet {
    CaseInterval* root;
    uint32_t random;        // state of the priority sequence
};
CaseValueSet* CreateCaseValueSet();

// Checks one case-constant range against the selector type; context "case index"
// (isCaseIndex) or "variant selector". Finishes both bounds in place. When `seen` is given
// the range is added to it ("Case constant specified more than once." on overlap).
bool CheckCaseConstant(CaseRange* r, Type* selector, bool isCaseIndex, CaseValueSet* seen = nullptr);
// True when the listed values cover every value of the selector type.
bool CaseValuesCoverType(const CaseValueSet* seen, Type* selector);
// The warning "'otherwise' or 'else' can never be used." when the values cover the type.
void CheckOtherwiseReachable(const CaseValueSet* seen, Type* selector, const Position* pos);

// ---- Expressions -------------------------------------------------------------------------

void FinishExpression(Expression* e);
void FinishFactor(Factor* f);
// Types a set constructor (its members are finished first); sets s->t.
void FinishSetConstructor(SetConstructor* s, const Position* pos = nullptr);
// The type of -x for x of type t (numeric types only).
Type* NegatedType(Type* t);

// ---- Parameters and external routines ---------------------------------------------------

// Each reports "Type mismatch." (at pos) and returns false when the actual does not fit.
bool CheckValueParm(Type* formal, Expression* actual, const Position* pos);
bool CheckVarParm(Type* formal, Type* actual, const Position* pos);
// formalFh: the procedural parameter's heading; actual: the routine passed.
bool CheckProcParm(const FormalParmSection* formal, const Function* actual, const Position* pos);
// The heading of a routine declared external: result and parameter types.
void CheckExternalHeading(const FuncHeading* fh, const Position* pos);

}  // namespace tarn::tpc
