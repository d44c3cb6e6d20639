// types: the type predicates every check rests on. All resolve IdType first and are
// null-safe (null is treated as BadT), so that an erroneous type passes every check
// silently and one error gives one message.
#pragma once

#include <cstdint>

#include "compiler/front/model.h"

namespace tarn::tpc {

// The largest integer value.
inline constexpr int64_t MAX_INT = 2147483647;

// ---- Type predicates --------------------------------------------------------------------

// IdType -> the type it names (finished on demand); anything else unchanged.
Type* ResolveIdType(Type* t);   // null or an IdType
inline Type* ResolveType(Type* t) {
    if (t && t->kind != IdType) return t;
    // A type identifier already finished: its type, without the call (most uses of a
    // variable's declared type come here).
    if (t && t->finished && t->NewType) return t->NewType;
    return ResolveIdType(t);
}
// subrange -> promoted host; single -> RealT; shortint, shortword, byte -> IntegerT; a set
// -> a set of the promoted base (a new finished set when the base changes). Inline for
// the types that stay as they are (and subranges of them): every factor asks.
Type* PromotedTypeOf(Type* t);   // t resolved
inline bool KeepsPromotion(TypeKind k) {
    // One test of a bit per kind instead of six comparisons (every factor asks).
    constexpr uint32_t CHANGED = 1u << SubrangeType | 1u << FloatType | 1u << ShortIntType |
                                 1u << ShortWordType | 1u << ByteType | 1u << SetType;
    static_assert(BadType < 32, "a bit per type kind");
    return (CHANGED >> (static_cast<uint32_t>(k) & 31u) & 1u) == 0;
}
inline Type* PromotedType(Type* t) {
    t = ResolveType(t);
    if (t->kind == SubrangeType) {
        Type* host = ResolveType(t->u.subrange.HostType);
        if (KeepsPromotion(host->kind)) return host;
    }
    return KeepsPromotion(t->kind) ? t : PromotedTypeOf(t);
}
// Resolved; a subrange becomes its host (a host is never a subrange itself).
inline Type* HostOf(Type* t) {
    t = ResolveType(t);
    return t->kind == SubrangeType ? ResolveType(t->u.subrange.HostType) : t;
}

bool IsOrdinalType(Type* t);
bool IsIntegralType(Type* t);
bool IsRealType(Type* t);        // single or real
bool IsStringType(Type* t);      // string, cstring, packed array[1..n >= 2] of char
bool IsNumericType(Type* t);     // integral but address, or real (subranges of them too)
bool ContainsFile(Type* t);
bool IsBooleanType(Type* t);    // Boolean or bad
bool IsCharType(Type* t);       // char or a subrange of it
bool IsEmptySetType(Type* t);   // the type of []
bool IsSameType(Type* a, Type* b);
bool IsSameAfterPromotion(Type* a, Type* b);
bool IsCompatibleType(Type* a, Type* b);
bool IsAssignmentCompatible(Type* target, Type* source);

// The values of an ordinal type as a closed range; false for a type that is not ordinal.
// Word-hosted ranges are unsigned.
bool OrdinalRange(Type* t, int64_t& low, int64_t& high);
// The type of -x for x of type t (numeric types only).
Type* NegatedType(Type* t);

}  // namespace tarn::tpc
