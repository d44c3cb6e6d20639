// types: the type predicates every check rests on (see types.h).
#include "compiler/front/types.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/binding.h"
#include "compiler/front/case_values.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/idtable.h"
#include "compiler/front/layout.h"
#include "compiler/front/lexer.h"
#include "compiler/front/records.h"
#include "compiler/front/types.h"
#include "compiler/writer/image.h"

namespace tarn::tpc {

// ======================================================================================
// Type predicates


Type* ResolveIdType(Type* t) {
    if (!t) return BadT;
    if (t->kind != IdType) return t;
    if (!t->finished) FinishType(t);
    return t->NewType ? t->NewType : BadT;
}

Type* PromotedTypeOf(Type* t) {
    t = ResolveType(t);
    switch (t->kind) {
    case SubrangeType: return PromotedType(t->u.subrange.HostType);
    case FloatType: return RealT;
    case ShortIntType: case ShortWordType: case ByteType: return IntegerT;
    case SetType: {
        Type* base = ResolveType(t->u.set.base);
        Type* promoted = PromotedType(base);
        if (promoted == base) return t;
        Type* s = CreateSetType(promoted, &t->pos);
        s->packed = t->packed;
        s->u.set.constructor = t->u.set.constructor;
        s->size = t->size;
        s->finished = 1;
        return s;
    }
    default: return t;
    }
}

bool IsOrdinalType(Type* t) {
    switch (ResolveType(t)->kind) {
    case EnumType: case AddressType: case SubrangeType: case CharType: case IntegerType:
    case ShortIntType: case ShortWordType: case ByteType: case WordType: case BadType:
        return true;
    default: return false;
    }
}

static bool IsIntegralKind(TypeKind k) {
    return k == AddressType || k == IntegerType || k == ShortIntType || k == ShortWordType ||
           k == ByteType || k == WordType || k == BadType;
}

bool IsIntegralType(Type* t) { return IsIntegralKind(HostOf(t)->kind); }

bool IsRealType(Type* t) {
    TypeKind k = HostOf(t)->kind;
    return k == FloatType || k == RealType;
}

bool IsNumericType(Type* t) {
    TypeKind k = HostOf(t)->kind;
    return (IsIntegralKind(k) && k != AddressType) || k == FloatType || k == RealType;
}

// Length of a string-like type: the maximum length of a string or cstring, the element
// count of a character array.
static int64_t StringLength(Type* t) {
    t = ResolveType(t);
    if (t->kind == StringType || t->kind == CStringType) return t->u.string.length;
    int64_t low, high;
    if (t->kind == ArrayType && OrdinalRange(t->u.array.IndexType, low, high))
        return high - low + 1;
    return 0;
}

static bool IsCharArray(Type* t) {
    t = ResolveType(t);
    if (t->kind != ArrayType || !t->packed) return false;
    // char itself: an array of a subrange of char is no string.
    if (ResolveType(t->u.array.ComponentType)->kind != CharType) return false;
    Type* index = ResolveType(t->u.array.IndexType);
    int64_t low, high;
    return index->kind != BadType && OrdinalRange(index, low, high) && low == 1 && high >= 2;
}

bool IsStringType(Type* t) {
    TypeKind k = ResolveType(t)->kind;
    return k == StringType || k == CStringType || IsCharArray(t);
}

bool ContainsFile(Type* t) {
    t = ResolveType(t);
    switch (t->kind) {
    case FileType: case StreamType: return true;
    case ArrayType: case RecordType: return t->containsFile != 0;
    default: return false;
    }
}

// Kinds that count as one type with each other: integer, word and address; shortint and
// shortword.
static int SameGroup(TypeKind k) {
    if (k == IntegerType || k == WordType || k == AddressType) return 1;
    if (k == ShortIntType || k == ShortWordType) return 2;
    return 0;
}

bool IsEmptySetType(Type* t) {
    t = ResolveType(t);
    return t->kind == SetType && ResolveType(t->u.set.base)->kind == NullType;
}

static bool IsNilType(Type* t) { return ResolveType(t) == NullPointerT; }

// Pointers meet nil's type, AddressT and the generic pointer.
static bool PointerMeets(Type* p, Type* other) {
    return p->kind == PointerType &&
           (other == NullPointerT || other->kind == AddressType || other == PointerT);
}

bool IsSameType(Type* a, Type* b) {
    a = ResolveType(a);
    b = ResolveType(b);
    if (a == b || a->kind == BadType || b->kind == BadType) return true;
    if (SameGroup(a->kind) && SameGroup(a->kind) == SameGroup(b->kind)) return true;
    if ((a->kind == SetType && IsEmptySetType(b)) || (b->kind == SetType && IsEmptySetType(a)))
        return true;
    if (PointerMeets(a, b) || PointerMeets(b, a)) return true;
    if ((a->kind == ObjectType && IsNilType(b)) || (b->kind == ObjectType && IsNilType(a)))
        return true;
    if (a->kind == b->kind && (a->kind == StringType || a->kind == CStringType))
        return a->u.string.length == b->u.string.length;
    return false;
}

bool IsSameAfterPromotion(Type* a, Type* b) { return IsSameType(PromotedType(a), PromotedType(b)); }

static bool IsStringOrCString(Type* t) {
    TypeKind k = ResolveType(t)->kind;
    return k == StringType || k == CStringType;
}

bool IsCharType(Type* t) { return HostOf(t)->kind == CharType; }

// Compatibility of two string-like operands (string types or char).
static bool StringsCompatible(Type* a, Type* b) {
    bool aArr = IsCharArray(a), bArr = IsCharArray(b);
    if (aArr && bArr) return StringLength(a) == StringLength(b);
    if (aArr && IsStringOrCString(b)) return StringLength(a) <= StringLength(b);
    if (IsStringOrCString(a) && bArr) return StringLength(a) >= StringLength(b);
    if (IsStringOrCString(a)) return IsStringOrCString(b) || IsCharType(b);
    if (IsCharType(a)) return IsStringOrCString(b);
    return false;
}

bool IsCompatibleType(Type* a, Type* b) {
    if (IsSameType(a, b)) return true;
    a = HostOf(a);
    b = HostOf(b);
    if (IsSameType(a, b)) return true;
    if (IsIntegralKind(a->kind) && IsIntegralKind(b->kind)) return true;
    if (IsRealType(a) && IsRealType(b)) return true;
    if (a->kind == SetType && b->kind == SetType) {
        if (!IsCompatibleType(a->u.set.base, b->u.set.base)) return false;
        // A constructor's value belongs to the packed and the unpacked set type alike; two
        // declared set types must agree.
        if (IsEmptySetType(a) || IsEmptySetType(b)) return true;
        if (a->u.set.constructor || b->u.set.constructor) return true;
        return (a->packed != 0) == (b->packed != 0);
    }
    if ((IsStringType(a) || IsCharType(a)) && (IsStringType(b) || IsCharType(b)))
        return StringsCompatible(a, b);
    return false;
}

bool IsBooleanType(Type* t) { return HostOf(t) == BoolT || HostOf(t)->kind == BadType; }

bool IsAssignmentCompatible(Type* target, Type* source) {
    Type* t = ResolveType(target);
    Type* s = ResolveType(source);
    if (IsSameType(t, s) && (!ContainsFile(t) || IsFlagOption(opt::E))) return true;
    if (IsRealType(t) && IsIntegralType(s)) return true;
    if (HostOf(s)->kind == VariantType)
        return IsBooleanType(t) || HostOf(t) == RealT || HostOf(t) == FloatT ||
               t == GenericObjectT || IsIntegralType(t) || IsStringType(t);
    if (!IsCompatibleType(t, s)) return false;
    if (IsOrdinalType(t) && IsOrdinalType(s)) return true;
    if (IsRealType(t) && IsRealType(s)) return true;
    if (t->kind == SetType) return true;
    if (IsStringOrCString(t)) return true;
    if (IsCharArray(t)) return IsCharArray(s);
    return false;
}

bool OrdinalRange(Type* t, int64_t& low, int64_t& high) {
    t = ResolveType(t);
    switch (t->kind) {
    case SubrangeType:
        if (ResolveType(t->u.subrange.HostType)->kind == WordType) {
            low = static_cast<uint32_t>(t->u.subrange.low);
            high = static_cast<uint32_t>(t->u.subrange.high);
        } else {
            low = t->u.subrange.low;
            high = t->u.subrange.high;
        }
        return true;
    case EnumType:
        low = 0;
        high = static_cast<int64_t>(ListCount(t->u.enumeration.EnumIds)) - 1;
        return true;
    case CharType: case ByteType: low = 0; high = 255; return true;
    case ShortIntType: low = -32768; high = 32767; return true;
    case ShortWordType: low = 0; high = 65535; return true;
    case IntegerType:
        low = -MAX_INT - 1;
        high = MAX_INT;
        return true;
    case WordType: case AddressType: low = 0; high = 4294967295LL; return true;
    case BadType: low = 0; high = 0; return true;
    default: return false;
    }
}

}  // namespace tarn::tpc
