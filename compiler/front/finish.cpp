// finish: declaration finishing and type checks (see finish.h).
#include "compiler/front/finish.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/binding.h"
#include "compiler/front/records.h"
#include "compiler/front/idtable.h"
#include "compiler/writer/image.h"
#include "compiler/front/lexer.h"

namespace tarn::tpc {

static constexpr int64_t kMaxInt = 2147483647;

// ======================================================================================
// Type predicates


Type* ResolveType(Type* t) {
    if (!t) return BadT;
    if (t->kind != IdType) return t;
    if (!t->finished) FinishType(t);
    return t->NewType ? t->NewType : BadT;
}

static Type* HostOf(Type* t) {
    t = ResolveType(t);
    return t->kind == SubrangeType ? ResolveType(t->u.subrange.HostType) : t;
}

Type* PromotedType(Type* t) {
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
    if (t->kind == ArrayType && OrdinalRange(t->u.array.IndexType, low, high)) return high - low + 1;
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

static bool IsEmptySet(Type* t) {
    t = ResolveType(t);
    return t->kind == SetType && ResolveType(t->u.set.base)->kind == NullType;
}

static bool IsNilType(Type* t) { return ResolveType(t) == NullPointerT; }

// Pointers meet nil's type, AddressT and the generic pointer.
static bool PointerMeets(Type* p, Type* other) {
    return p->kind == PointerType && (other == NullPointerT || other->kind == AddressType || other == PointerT);
}

bool IsSameType(Type* a, Type* b) {
    a = ResolveType(a);
    b = ResolveType(b);
    if (a == b || a->kind == BadType || b->kind == BadType) return true;
    if (SameGroup(a->kind) && SameGroup(a->kind) == SameGroup(b->kind)) return true;
    if ((a->kind == SetType && IsEmptySet(b)) || (b->kind == SetType && IsEmptySet(a))) return true;
    if (PointerMeets(a, b) || PointerMeets(b, a)) return true;
    if ((a->kind == ObjectType && IsNilType(b)) || (b->kind == ObjectType && IsNilType(a))) return true;
    if (a->kind == b->kind && (a->kind == StringType || a->kind == CStringType))
        return a->u.string.length == b->u.string.length;
    return false;
}

bool IsSameAfterPromotion(Type* a, Type* b) { return IsSameType(PromotedType(a), PromotedType(b)); }

static bool IsStringOrCString(Type* t) {
    TypeKind k = ResolveType(t)->kind;
    return k == StringType || k == CStringType;
}

static bool IsCharT(Type* t) { return HostOf(t)->kind == CharType; }

// Compatibility of two string-like operands (string types or char).
static bool StringsCompatible(Type* a, Type* b) {
    bool aArr = IsCharArray(a), bArr = IsCharArray(b);
    if (aArr && bArr) return StringLength(a) == StringLength(b);
    if (aArr && IsStringOrCString(b)) return StringLength(a) <= StringLength(b);
    if (IsStringOrCString(a) && bArr) return StringLength(a) >= StringLength(b);
    if (IsStringOrCString(a)) return IsStringOrCString(b) || IsCharT(b);
    if (IsCharT(a)) return IsStringOrCString(b);
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
        return IsEmptySet(a) || IsEmptySet(b) || (a->packed != 0) == (b->packed != 0);
    }
    if ((IsStringType(a) || IsCharT(a)) && (IsStringType(b) || IsCharT(b))) return StringsCompatible(a, b);
    return false;
}

static bool IsBoolean(Type* t) { return HostOf(t) == BoolT || HostOf(t)->kind == BadType; }

bool IsAssignmentCompatible(Type* target, Type* source) {
    Type* t = ResolveType(target);
    Type* s = ResolveType(source);
    if (IsSameType(t, s) && (!ContainsFile(t) || IsFlagOption(opt::E))) return true;
    if (IsRealType(t) && IsIntegralType(s)) return true;
    if (HostOf(s)->kind == VariantType)
        return IsBoolean(t) || HostOf(t) == RealT || HostOf(t) == FloatT || t == GenericObjectT ||
               IsIntegralType(t) || IsStringType(t);
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
    case EnumType: low = 0; high = static_cast<int64_t>(ListCount(t->u.enumeration.EnumIds)) - 1; return true;
    case CharType: case ByteType: low = 0; high = 255; return true;
    case ShortIntType: low = -32768; high = 32767; return true;
    case ShortWordType: low = 0; high = 65535; return true;
    case IntegerType: low = -kMaxInt - 1; high = kMaxInt; return true;
    case WordType: case AddressType: low = 0; high = 4294967295LL; return true;
    case BadType: low = 0; high = 0; return true;
    default: return false;
    }
}

// ======================================================================================
// Alignment

static uint32_t FieldListMeasure(const FieldList* fl);

static uint32_t AlignmentMeasure(Type* t) {
    t = ResolveType(t);
    while (t->kind == ArrayType) t = ResolveType(t->u.array.ComponentType);
    switch (t->kind) {
    case RecordType:
        return t->u.record.measured ? t->u.record.alignMeasure : FieldListMeasure(t->u.record.fieldList);
    case StringType: return t->u.string.length > 255 ? 4 : 1;
    case CStringType: return 1;
    default: return t->size;
    }
}

static uint32_t MaxFieldMeasure(const List* fields, uint32_t m) {
    for (Variable* f : Items<Variable>(fields)) m = std::max(m, AlignmentMeasure(f->t));
    return m;
}

static uint32_t FieldListMeasure(const FieldList* fl) {
    if (!fl) return 0;
    uint32_t m = MaxFieldMeasure(fl->rsl, 0);
    if (const VariantPart* vp = fl->variantPart) {
        if (vp->selector && vp->selector->tagField) m = std::max(m, AlignmentMeasure(vp->selector->tagField->t));
        for (Variant* v : Items<Variant>(vp->VariantList)) m = std::max(m, FieldListMeasure(v->fieldList));
        if (vp->VariantPartCompleter) m = std::max(m, FieldListMeasure(vp->VariantPartCompleter->fieldList));
    }
    return m;
}

// Measures 0..7 round down to a power of two no larger than 4; 8 and more stand as they are.
static uint32_t MeasureToAlignment(uint32_t measure) {
    static const uint32_t table[8] = {0, 1, 2, 2, 4, 4, 4, 4};
    return measure < 8 ? table[measure] : measure;
}

uint32_t AlignmentOf(Type* t) {
    uint32_t option = static_cast<uint32_t>(GetOption(opt::a));
    uint32_t measure = AlignmentMeasure(t);
    if (option <= 1 || measure == 0) return 1;
    return std::max<uint32_t>(1, std::min(MeasureToAlignment(measure), option));
}

static uint32_t AlignOffset(uint32_t offset, uint32_t k) {
    if (k <= 1) return offset;
    uint64_t aligned = static_cast<uint64_t>(offset) + (k - offset % k) % k;
    return aligned > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(aligned);
}

// ======================================================================================
// Type nesting

static int typeNesting = 0;

void EnterTypeNesting() {
    if (++typeNesting > 400) {
        typeNesting = 0;
        ReportMessage(msg::LimitProgramComplexity, nullptr);
    }
}
void LeaveTypeNesting() { if (typeNesting > 0) typeNesting--; }
void ResetTypeNesting() { typeNesting = 0; }

namespace {
struct NestingGuard {
    NestingGuard() { EnterTypeNesting(); }
    ~NestingGuard() { LeaveTypeNesting(); }
};
}  // namespace

// ======================================================================================
// Constants

static int64_t OrdinalValue(const Constant* c) {
    switch (c->kind) {
    case ConstantInteger: return c->value.integer;
    case ConstantCardinal: return c->value.cardinal;
    case ConstantChar: return c->value.character;
    case ConstantEnumId: return c->value.ordinal;
    default: return 0;
    }
}

static bool IsOrdinalConstant(const Constant* c) {
    return c->kind == ConstantInteger || c->kind == ConstantCardinal || c->kind == ConstantChar ||
           c->kind == ConstantEnumId;
}

// The replacement of a constant identifier: a copy of the constant it names.
static Constant* ResolveConstantId(Constant* c) {
    Identifier* id = c->value.id;
    ReportMessage(msg::TraceFinishConstantId, nullptr, id->text);
    Binding* b = id->bind;
    if (!b || b->kind != BindConst || !b->u.constant) {
        TPC_CHECK_AFTER_ERROR(false);
        return CreateBadConstant(&c->pos);
    }
    if (b->finishing == BeingFinished) {
        ReportMessage(msg::CircularDeclaration, &c->pos, id->text);
        return CreateBadConstant(&c->pos);
    }
    if (b->finishing != Finished) FinishConstantIdentifier(id);
    Constant* copy = CopyConstant(b->u.constant);
    copy->pos = c->pos;
    if (c->sign == SignMinus)
        copy->sign = copy->sign == SignMinus ? SignPlus : SignMinus;
    else if (c->sign == SignPlus && copy->sign == SignNone)
        copy->sign = SignPlus;
    return copy;
}

static const char* EnumName(const Constant* c) {
    Type* t = ResolveType(c->t);
    if (t->kind == EnumType && c->value.ordinal >= 0 &&
        static_cast<uint32_t>(c->value.ordinal) < ListCount(t->u.enumeration.EnumIds))
        return static_cast<Identifier*>(ListGet(t->u.enumeration.EnumIds, c->value.ordinal + 1))->text;
    return "";
}

// Folds the constant's sign into its value, or reports a sign where none may stand.
static void ApplySign(Constant* c) {
    if (c->sign == SignNone) return;
    bool minus = c->sign == SignMinus;
    switch (c->kind) {
    case ConstantCardinal:
        if (!minus) break;
        ReportMessage(msg::WordConstantSigned, &c->pos);
        c->kind = ConstantInteger;
        c->value.integer = static_cast<int32_t>(0u - c->value.cardinal);
        c->t = CreateSubrangeTypeFromValues(c->value.integer, c->value.integer, IntegerT, &c->pos);
        break;
    case ConstantInteger:
        if (!minus) break;
        c->value.integer = static_cast<int32_t>(0u - static_cast<uint32_t>(c->value.integer));
        c->t = CreateSubrangeTypeFromValues(c->value.integer, c->value.integer, IntegerT, &c->pos);
        break;
    case ConstantReal:
        if (minus) c->value.real = -c->value.real;
        break;
    case ConstantEnumId:
        ReportMessage(msg::EnumerationConstantSigned, &c->pos, EnumName(c));
        c->sign = SignNone;
        return;
    default:  // char, string, nil
        ReportMessage(msg::InvalidSign, &c->pos);
        c->sign = SignNone;
        return;
    }
    c->sign = SignApplied;
}

Constant* FinishConstant(Constant* c) {
    TPC_CHECK(c != nullptr);
    ReportMessage(msg::TraceFinishConstant, &c->pos);
    if (c->kind == ConstantBad) return c;
    if (c->kind == ConstantId) {
        c = ResolveConstantId(c);
        if (c->kind == ConstantBad) return c;
    }
    ApplySign(c);
    if (!c->t) c->t = BadT;
    FinishType(c->t);
    return c;
}

void FinishConstantIdentifier(Identifier* id) {
    Binding* b = id ? id->bind : nullptr;
    TPC_CHECK_AFTER_ERROR(b && b->kind == BindConst);
    if (!b || b->kind != BindConst) return;
    if (b->finishing == BeingFinished) {
        ReportMessage(msg::CircularDeclaration, &b->pos, id->text);
        b->u.constant = CreateBadConstant(&b->pos);
        return;
    }
    if (b->finishing == Finished) return;
    b->finishing = BeingFinished;
    b->u.constant = b->u.constant ? FinishConstant(b->u.constant) : CreateBadConstant(&b->pos);
    b->finishing = Finished;
}

// ======================================================================================
// Types

static const char* const kTypeKindWords[] = {
    "array", "enumerated", "file", "id", "list", "pointer", "address", "record", "set",
    "string", "cstring", "subrange", "object", "variant", "Null", "char", "integer", "float",
    "real", "shortint", "shortword", "stream", "directory", "byte", "word", "bad",
};
static_assert(sizeof(kTypeKindWords) / sizeof(kTypeKindWords[0]) == BadType + 1);

// Sizes of the kinds without parts (0: computed by the kind's own finisher).
static uint32_t ScalarSize(TypeKind k) {
    switch (k) {
    case NullType: case CharType: case ByteType: return 1;
    case ShortIntType: case ShortWordType: return 2;
    case RealType: return 8;
    case EnumType: case FileType: case ListType: case PointerType: case AddressType:
    case SubrangeType: case ObjectType: case VariantType: case IntegerType: case FloatType:
    case StreamType: case DirType: case WordType: case BadType: return 4;
    default: return 0;
    }
}

static void MakeBad(Type* t) {
    t->kind = BadType;
    t->size = 4;
}

static void FinishIdType(Type* t) {
    Identifier* id = t->u.id;
    ReportMessage(msg::TraceFinishTypeId, nullptr, id->text);
    Binding* b = id->bind;
    if (b && b->kind == BindType && b->status == StatusForwardDomain && !b->u.type) ResolvePendingDomain(b);
    if (!b || b->kind != BindType) {
        TPC_CHECK_AFTER_ERROR(false);
        MakeBad(t);
        return;
    }
    if (b->finishing == BeingFinished || !b->u.type || b->u.type == t) {
        ReportMessage(msg::CircularDeclaration, &t->pos, id->text);
        MakeBad(t);
        return;
    }
    if (b->finishing != Finished) FinishTypeIdentifier(id);
    Type* target = b->u.type;
    if (target->kind == IdType && !target->finished) {
        // Only reached through a chain that is being finished right now.
        ReportMessage(msg::CircularDeclaration, &t->pos, id->text);
        MakeBad(t);
        return;
    }
    t->NewType = ResolveType(target);
    t->size = t->NewType->size;
}

static void FinishArray(Type* t) {
    ArrayPart& a = t->u.array;
    FinishType(a.IndexType);
    FinishType(a.ComponentType);
    t->containsFile = ContainsFile(a.ComponentType);
    if (!IsOrdinalType(a.IndexType)) {
        ReportMessage(msg::Expected, &t->pos, "Ordinal type");
        a.IndexType = BadT;
    }
    int64_t low = 0, high = 0;
    OrdinalRange(a.IndexType, low, high);
    int64_t count = high - low + 1;
    if (count <= 0 || count >= 2147483648LL) {
        ReportMessage(msg::LimitArrayIndexRange, &t->pos);
        count = kMaxInt;
    }
    a.componentSize = ResolveType(a.ComponentType)->size;
    uint64_t size = static_cast<uint64_t>(count) * a.componentSize;
    if (size > 0xFFFFFFFFull) {
        ReportMessage(msg::LimitSize, &t->pos, "Array");
        a.IndexType = BadT;
        a.ComponentType = BadT;
        a.componentSize = 4;
        size = 4;
    }
    t->size = static_cast<uint32_t>(size);
}

static void FinishEnum(Type* t) {
    int32_t ordinal = 0;
    for (Identifier* id : Items<Identifier>(t->u.enumeration.EnumIds)) {
        Binding* b = id->bind;
        bool ok = b && b->kind == BindConst && b->u.constant && b->u.constant->kind == ConstantEnumId &&
                  b->u.constant->t == t && b->u.constant->value.ordinal == ordinal;
        if (!ok && ErrorCount() > 0 && CurrentScope() >= 0) {
            // A failed binding left the name meaning something else: rebind it so.
            RebindConstant(id, CreateEnumConstant(ordinal, t, &t->pos));
            b = id->bind;
            ok = b && b->kind == BindConst;
        }
        if (ok) b->finishing = Finished;
        ordinal++;
    }
    t->size = 4;
}

static void FinishFile(Type* t) {
    FinishType(t->u.file.component);
    if (ContainsFile(t->u.file.component)) ReportMessage(msg::InvalidFileComponent, &t->pos);
    t->size = 4;
}

static void FinishSet(Type* t) {
    Type* base = t->u.set.base;
    FinishType(base);
    if (ResolveType(base)->kind == NullType) {
        t->size = 1;
        return;
    }
    if (!IsOrdinalType(base)) {
        ReportMessage(msg::Expected, &t->pos, "Ordinal type");
        t->u.set.base = base = BadT;
    }
    Type* promoted = PromotedType(base);
    if (promoted->kind == WordType) ReportMessage(msg::SetBaseIncludesValues, &t->pos, "word");
    if (promoted->kind == AddressType) ReportMessage(msg::SetBaseIncludesValues, &t->pos, "address");
    int64_t low = 0, high = 0;
    OrdinalRange(base, low, high);
    int64_t n = high - low + 1;
    int64_t limit = GetOption(opt::zbsm);
    t->size = n > 0 && n <= limit ? static_cast<uint32_t>((n - 1) / 8 + 1) : 1028;
}

static bool IsCardinal(const Constant* c) { return c->kind == ConstantCardinal; }

// Finishes both bounds of a range and brings them to one type; false (after "Lower bound
// and upper bound are not of the same type.") when that fails, with high := low.
static bool UnifyBounds(Constant*& low, Constant*& high, const Position* pos) {
    low = FinishConstant(low);
    high = FinishConstant(high);
    if (low->kind == ConstantBad || high->kind == ConstantBad) return true;
    // A non-negative integer bound meeting a cardinal one becomes cardinal.
    for (Constant** c : {&low, &high}) {
        Constant* other = *c == low ? high : low;
        if ((*c)->kind == ConstantInteger && IsCardinal(other) && (*c)->value.integer >= 0) {
            Constant* u = CopyConstant(*c);
            u->kind = ConstantCardinal;
            u->value.cardinal = static_cast<uint32_t>((*c)->value.integer);
            u->t = CreateSubrangeTypeFromValues((*c)->value.integer, (*c)->value.integer, WordT, &u->pos);
            *c = u;
        }
    }
    bool mixed = (low->kind == ConstantInteger && IsCardinal(high)) || (IsCardinal(low) && high->kind == ConstantInteger);
    if (mixed || !IsCompatibleType(PromotedType(low->t), PromotedType(high->t))) {
        ReportMessage(msg::BoundsDifferentTypes, pos);
        high = low;
        return false;
    }
    return true;
}

// low > high compared as the bounds' kind requires (unsigned for cardinals).
static bool BoundsReversed(const Constant* low, const Constant* high) {
    return OrdinalValue(low) > OrdinalValue(high);
}

static void FinishSubrange(Type* t) {
    SubrangePart& s = t->u.subrange;
    t->size = 4;
    if (!s.lowConstant) return;  // built from values
    Constant* low = s.lowConstant;
    Constant* high = s.highConstant;
    UnifyBounds(low, high, &t->pos);
    for (auto [kind, word] : {std::pair{ConstantReal, "Real"}, std::pair{ConstantString, "String"}})
        if (low->kind == kind || high->kind == kind) {
            ReportMessage(msg::SubrangesNotAllowed, &t->pos, word);
            low = CreateBadConstant(&low->pos);
            high = CreateBadConstant(&high->pos);
        }
    if (low->kind == ConstantBad || high->kind == ConstantBad || !IsOrdinalConstant(low) ||
        !IsOrdinalConstant(high)) {
        s.lowConstant = low;
        s.highConstant = high;
        s.HostType = BadT;
        return;
    }
    if (BoundsReversed(low, high)) {
        ReportMessage(msg::LowerAboveUpper, &t->pos);
        std::swap(low, high);
    }
    s.lowConstant = low;
    s.highConstant = high;
    s.HostType = PromotedType(low->t);
    s.low = static_cast<int32_t>(OrdinalValue(low));
    s.high = static_cast<int32_t>(OrdinalValue(high));
}

// ---- Records ------------------------------------------------------------------------------

namespace {
struct RecordState {
    uint32_t variantCounter;    // variants numbered so far in this record
    int32_t containsFile;
    int32_t overflow;           // a field's offset or end passed 32 bits (clamped)
    int32_t sizeReported;       // "Record size" said once per record
};
}  // namespace

static uint32_t FinishFieldList(FieldList* fl, uint32_t start, int32_t vnumber, RecordState& rs, const Position& pos);

// Allocates one field at offset; returns its end offset (clamped to 32 bits).
static uint32_t AllocateField(Variable* f, uint32_t offset, int32_t vnumber, RecordState& rs) {
    ReportMessage(msg::TraceFinishVariable, &f->pos, f->id ? f->id->text : "");
    FinishType(f->t);
    Type* t = ResolveType(f->t);
    if (ContainsFile(t)) rs.containsFile = 1;
    f->size = t->size;
    const uint32_t k = AlignmentOf(t);
    f->offset = AlignOffset(offset, k);
    f->VNumber = vnumber;
    f->global = 0;
    uint64_t end = static_cast<uint64_t>(f->offset) + f->size;
    // AlignOffset clamps at 2^32-1, so the unclamped offset is checked as well.
    const uint64_t aligned = k <= 1 ? offset : static_cast<uint64_t>(offset) + (k - offset % k) % k;
    if (end > 0xFFFFFFFFull || aligned > 0xFFFFFFFFull) rs.overflow = 1;
    return end > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(end);
}

// Names a selector value for "'%s' is not associated with a variant.".
static void SelectorValueName(Type* selector, int64_t v, char* buf, size_t size) {
    Type* host = HostOf(selector);
    if (host->kind == EnumType && v >= 0 && v < ListCount(host->u.enumeration.EnumIds)) {
        std::snprintf(buf, size, "%s", static_cast<Identifier*>(ListGet(host->u.enumeration.EnumIds, static_cast<uint32_t>(v) + 1))->text);
    } else if (host->kind == CharType) {
        if (std::isprint(static_cast<int>(v))) std::snprintf(buf, size, "%c", static_cast<int>(v));
        else std::snprintf(buf, size, "chr(%d)", static_cast<int>(v));
    } else if (host->kind == WordType) {
        std::snprintf(buf, size, "%lu", static_cast<unsigned long>(v));
    } else {
        std::snprintf(buf, size, "%ld", static_cast<long>(v));
    }
}

// The smallest value of low..high that seen does not list; false when all are listed.
static const CaseInterval* IntervalAtOrBelow(const CaseValueSet* seen, int64_t v);

static bool FirstUnlisted(const CaseValueSet* seen, int64_t low, int64_t high, int64_t& value) {
    int64_t v = low;
    while (v <= high) {
        const CaseInterval* r = IntervalAtOrBelow(seen, v);
        if (!r || r->high < v) break;
        v = r->high + 1;
    }
    value = v;
    return v <= high;
}

// A tag field or a variant that does not fit in 32 bits; one message per record.
static void ReportRecordSize(RecordState& rs, const Position& pos) {
    if (rs.sizeReported) return;
    rs.sizeReported = 1;
    ReportMessage(msg::LimitSize, &pos, "Record");
}

// Space for one variant number per selector value; filled once the variants are numbered.
static void BuildVariantTable(VariantPart* vp, int64_t low, int64_t high, const Position& pos) {
    int64_t n = high - low + 1;
    if (n < 1 || n > 1024) {
        ReportMessage(msg::LimitVariantSelectorRange, &pos);
        return;
    }
    vp->tableCount = static_cast<uint32_t>(n);
    vp->tableLow = static_cast<int32_t>(low);
    vp->table = static_cast<uint32_t*>(TrackedAlloc(n * sizeof(uint32_t)));
    for (int64_t i = 0; i < n; i++) vp->table[i] = 0;
}

// Checks the variants' case constants, numbers the variants and allocates each of them
// from `start`; returns the largest end offset over all variants.
static uint32_t FinishVariants(VariantPart* vp, uint32_t start, RecordState& rs, const Position& pos, uint32_t& largest) {
    Type* selector = vp->selector->tagType;
    CaseValueSet* seen = CreateCaseValueSet();
    uint32_t end = start;
    struct Numbered { Variant* v; uint32_t number; };
    List* numbered = ListCreate();
    auto finishOne = [&](Variant* v) {
        uint32_t number = ++rs.variantCounter;
        ReportMessage(msg::TraceFinishRecordSection, &pos, number);
        const int32_t overflowBefore = rs.overflow;
        rs.overflow = 0;
        uint32_t vend = FinishFieldList(v->fieldList, start, static_cast<int32_t>(number), rs, pos);
        if (vend < start || rs.overflow) ReportRecordSize(rs, pos);
        rs.overflow |= overflowBefore;
        end = std::max(end, vend);
        largest = std::max(largest, vend - std::min(vend, start));
        Numbered* n = TrackedNew<Numbered>();
        *n = {v, number};
        ListAppend(numbered, n);
    };
    for (Variant* v : Items<Variant>(vp->VariantList)) {
        for (CaseRange* r : Items<CaseRange>(v->caseConstants)) CheckCaseConstant(r, selector, false, seen);
        finishOne(v);
    }
    if (vp->VariantPartCompleter) finishOne(vp->VariantPartCompleter);

    int64_t low = 0, high = -1;
    if (!OrdinalRange(selector, low, high) || ResolveType(selector)->kind == BadType) return end;
    BuildVariantTable(vp, low, high, pos);
    if (vp->table) {
        uint32_t completer = 0;
        for (Numbered* n : Items<Numbered>(numbered)) {
            if (n->v == vp->VariantPartCompleter) { completer = n->number; continue; }
            for (CaseRange* r : Items<CaseRange>(n->v->caseConstants)) {
                if (r->low->kind == ConstantBad || r->high->kind == ConstantBad) continue;
                for (int64_t x = std::max(low, OrdinalValue(r->low)); x <= std::min(high, OrdinalValue(r->high)); x++)
                    vp->table[x - low] = n->number;
            }
        }
        if (completer)
            for (uint32_t i = 0; i < vp->tableCount; i++)
                if (!vp->table[i]) vp->table[i] = completer;
        vp->tableOffset = AppendFixedTable(vp->table, vp->tableCount);
    }
    int64_t missing;
    if (!vp->VariantPartCompleter && FirstUnlisted(seen, low, high, missing)) {
        char name[64];
        SelectorValueName(selector, missing, name, sizeof name);
        ReportMessage(IsFlagOption(opt::E) ? msg::NotAssociatedWithVariantWarning : msg::NotAssociatedWithVariant,
                      &pos, name);
    }
    return end;
}

static uint32_t FinishVariantPart(VariantPart* vp, uint32_t start, int32_t vnumber, RecordState& rs, const Position& pos, uint32_t& largest) {
    ReportMessage(msg::TraceFinishVariantPart, nullptr);
    vp->variantNumber = vnumber;
    VariantSelector* sel = vp->selector;
    FinishType(sel->tagType);
    if (!IsOrdinalType(sel->tagType)) {
        ReportMessage(msg::Expected, &pos, "Ordinal type");
        sel->tagType = BadT;
    }
    uint32_t offset = start;
    if (sel->tagField) {
        sel->tagField->t = sel->tagType;
        const int32_t overflowBefore = rs.overflow;
        rs.overflow = 0;
        offset = AllocateField(sel->tagField, offset, vnumber, rs);
        if (rs.overflow) ReportRecordSize(rs, pos);
        rs.overflow |= overflowBefore;
    }
    return FinishVariants(vp, offset, rs, pos, largest);
}

static uint32_t FinishFieldList(FieldList* fl, uint32_t start, int32_t vnumber, RecordState& rs, const Position& pos) {
    ReportMessage(msg::TraceFinishFieldList, &pos);
    uint32_t offset = start;
    for (Variable* f : Items<Variable>(fl->rsl)) offset = AllocateField(f, offset, vnumber, rs);
    uint32_t end = offset;
    uint32_t largest = 0;
    if (fl->variantPart) end = std::max(end, FinishVariantPart(fl->variantPart, offset, vnumber, rs, pos, largest));
    fl->size = end - start;
    return end;
}

static void FinishRecord(Type* t) {
    RecordState rs{0, 0, 0, 0};
    FieldList* fl = t->u.record.fieldList;
    uint32_t end = FinishFieldList(fl, 0, 0, rs, t->pos);
    uint32_t largest = 0;
    if (fl->variantPart)
        for (Variant* v : Items<Variant>(fl->variantPart->VariantList)) largest = std::max(largest, v->fieldList->size);
    t->u.record.largestVariant = largest;
    // Kept, so that a record of records named one after another is measured in one step.
    t->u.record.alignMeasure = FieldListMeasure(fl);
    t->u.record.measured = 1;
    t->containsFile = rs.containsFile;
    t->size = end;
    if (t->size == 0) ReportMessage(msg::RecordWithoutFields, &t->pos);
}

void FinishType(Type* t) {
    if (!t || t->finished) return;
    NestingGuard nesting;
    TPC_CHECK(VALID_TYPE_KIND(t->kind));
    ReportMessage(msg::TraceFinishType, &t->pos);
    ReportMessage(msg::TraceFinishKindType, &t->pos, kTypeKindWords[t->kind]);
    t->finished = 1;  // set first: a pointer cycle back to this type ends here
    switch (t->kind) {
    case IdType: FinishIdType(t); break;
    case ArrayType: FinishArray(t); break;
    case EnumType: FinishEnum(t); break;
    case FileType: FinishFile(t); break;
    case ListType:
        if (t->u.list.ct->kind != IdType) FinishType(t->u.list.ct);
        t->size = 4;
        break;
    case PointerType:
        if (t->u.pointer.domain->kind != IdType) FinishType(t->u.pointer.domain);
        t->size = 4;
        break;
    case RecordType: FinishRecord(t); break;
    case SetType: FinishSet(t); break;
    case StringType:
        t->size = t->u.string.length <= 255 ? t->u.string.length + 1 : t->u.string.length + 4;
        break;
    case CStringType: t->size = t->u.string.length + 1; break;
    case SubrangeType: FinishSubrange(t); break;
    default: t->size = ScalarSize(t->kind); break;
    }
}

void FinishTypeIdentifier(Identifier* id) {
    Binding* b = id ? id->bind : nullptr;
    TPC_CHECK_AFTER_ERROR(b && b->kind == BindType);
    if (!b || b->kind != BindType || b->finishing == Finished) return;
    if (b->finishing == BeingFinished) {
        ReportMessage(msg::CircularDeclaration, &b->pos, id->text);
        return;
    }
    b->finishing = BeingFinished;
    if (!b->u.type) b->u.type = BadT;
    FinishType(b->u.type);
    b->finishing = Finished;
}

// ======================================================================================
// Variables and headings

static uint32_t variableCounter = 0;

uint32_t VariableCounter() { return variableCounter; }
void SetVariableCounter(uint32_t offset) { variableCounter = offset; }

// True when the innermost block scope (with and record scopes belong to their block) is a
// routine's.
static bool InRoutineBlock() {
    for (int32_t s = CurrentScope(); s >= 0; s--) {
        ScopeKind k = ScopeAt(s).kind;
        if (k != ScopeWith && k != ScopeRecord) return k == ScopeRoutine;
    }
    return false;
}

// Allocates size bytes aligned to align at the counter; returns the offset (0 after the
// size-of-variables error).
static uint32_t Allocate(uint32_t size, uint32_t align, const Position& pos) {
    uint32_t offset = AlignOffset(variableCounter, align);
    if (static_cast<uint64_t>(offset) + size > 0xFFFFFFFFull) {
        ReportMessage(msg::LimitVariablesSize, &pos);
        offset = 0;
    }
    variableCounter = offset + size;
    return offset;
}

void FinishVariable(Variable* v) {
    TPC_CHECK(v != nullptr);
    ReportMessage(msg::TraceFinishVariable, &v->pos, v->id ? v->id->text : "");
    FinishType(v->t);
    Type* t = ResolveType(v->t);
    v->size = v->byRef ? 4 : t->size;
    uint32_t offset = Allocate(v->size, v->byRef ? 4 : AlignmentOf(t), v->pos);
    if (InRoutineBlock()) {
        v->global = 0;
        // Locals are addressed from their end (the frame grows downward).
        v->offset = v->arg ? offset : variableCounter;
    } else {
        v->offset = offset;
    }
}

// A caller pushes every parameter (and reserves the result) as whole words, so each
// takes a slot of its size rounded up to 4 bytes, next to the previous one, whatever the
// alignment option says.
static void FinishParameterSlot(Variable* v) {
    const uint32_t slot = variableCounter;
    FinishVariable(v);
    v->offset = slot;
    variableCounter = slot + ((v->size + 3) & ~3u);
}

void FinishHeading(FuncHeading* fh) {
    TPC_CHECK(fh != nullptr);
    uint32_t saved = variableCounter;
    variableCounter = 12;
    List* sections = fh->parms ? fh->parms->sections : nullptr;
    for (uint32_t i = ListCount(sections); i >= 1; i--) {
        FormalParmSection* s = static_cast<FormalParmSection*>(ListGet(sections, i));
        if (s->kind == FormalParmFunc) {
            Variable* p = s->u.funcParmSpec.parm;
            p->size = 8;
            p->offset = Allocate(8, 4, s->pos);
            p->global = 0;
            continue;
        }
        const ParmSpec& section = s->kind == FormalParmValue ? s->u.ValueParmSpec : s->u.VarParmSpec;
        for (uint32_t j = ListCount(section.parm); j >= 1; j--) FinishParameterSlot(static_cast<Variable*>(ListGet(section.parm, j)));
    }
    if (fh->result) FinishParameterSlot(fh->result);
    variableCounter = saved;
}

// ======================================================================================
// Case constants

CaseValueSet* CreateCaseValueSet() {
    CaseValueSet* s = TrackedNew<CaseValueSet>();
    s->random = 0x9E3779B9u;
    return s;
}

// The listed interval with the largest low end not above v; null when there is none.
static const CaseInterval* IntervalAtOrBelow(const CaseValueSet* seen, int64_t v) {
    const CaseInterval* found = nullptr;
    for (const CaseInterval* n = seen->root; n;) {
        if (n->low <= v) {
            found = n;
            n = n->right;
        } else {
            n = n->left;
        }
    }
    return found;
}

// Puts n where its priority belongs and splits the subtree it displaces by n's low end
// into its two children; both walks are loops.
static void InsertInterval(CaseValueSet* seen, CaseInterval* n) {
    CaseInterval** link = &seen->root;
    while (*link && (*link)->priority >= n->priority)
        link = n->low < (*link)->low ? &(*link)->left : &(*link)->right;
    CaseInterval* rest = *link;
    CaseInterval** below = &n->left;
    CaseInterval** above = &n->right;
    while (rest) {
        if (rest->low < n->low) {
            *below = rest;
            below = &rest->right;
            rest = rest->right;
        } else {
            *above = rest;
            above = &rest->left;
            rest = rest->left;
        }
    }
    *below = *above = nullptr;
    *link = n;
}

// Adds low..high; false when any of it was listed already. The intervals are disjoint,
// so of those starting at or below `high` the last one reaches furthest: only it can
// overlap.
static bool AddCaseValues(CaseValueSet* seen, int64_t low, int64_t high) {
    const CaseInterval* last = IntervalAtOrBelow(seen, high);
    if (last && last->high >= low) return false;
    uint32_t& x = seen->random;   // xorshift32
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    CaseInterval* n = TrackedNew<CaseInterval>();
    *n = {low, high, x, nullptr, nullptr};
    InsertInterval(seen, n);
    return true;
}

bool CheckCaseConstant(CaseRange* r, Type* selector, bool isCaseIndex, CaseValueSet* seen) {
    const char* context = isCaseIndex ? "case index" : "variant selector";
    if (!UnifyBounds(r->low, r->high, &r->low->pos)) return false;
    Constant* low = r->low;
    Constant* high = r->high;
    if (low->kind == ConstantBad || high->kind == ConstantBad || ResolveType(selector)->kind == BadType) return true;
    for (Constant* c : {low, high})
        if (!IsCompatibleType(c->t, selector) || !IsOrdinalConstant(c)) {
            ReportMessage(msg::CaseConstantIncompatible, &c->pos, context);
            return false;
        }
    bool signedSelector = PromotedType(selector)->kind != WordType;
    if (signedSelector && (IsCardinal(low) || IsCardinal(high)) && OrdinalValue(low) > kMaxInt) {
        ReportMessage(msg::InvalidCaseConstantRange, &low->pos);
        return false;
    }
    if (BoundsReversed(low, high)) {
        ReportMessage(msg::LowerAboveUpper, &low->pos);
        return false;
    }
    int64_t selLow, selHigh;
    if (!isCaseIndex && OrdinalRange(selector, selLow, selHigh) &&
        (OrdinalValue(low) < selLow || OrdinalValue(high) > selHigh)) {
        ReportMessage(msg::CaseConstantIncompatible, &low->pos, context);
        return false;
    }
    if (seen && !AddCaseValues(seen, OrdinalValue(low), OrdinalValue(high))) {
        ReportMessage(msg::CaseConstantTwice, &low->pos);
        return false;
    }
    return true;
}

bool CaseValuesCoverType(const CaseValueSet* seen, Type* selector) {
    int64_t low, high, missing;
    if (!seen || !OrdinalRange(selector, low, high)) return false;
    return !FirstUnlisted(seen, low, high, missing);
}

void CheckOtherwiseReachable(const CaseValueSet* seen, Type* selector, const Position* pos) {
    if (CaseValuesCoverType(seen, selector)) ReportMessage(msg::OtherwiseNeverUsed, pos);
}

// ======================================================================================
// Expressions

Type* NegatedType(Type* t) {
    t = ResolveType(t);
    switch (t->kind) {
    case SubrangeType: {
        int64_t low, high;
        OrdinalRange(t, low, high);
        int64_t m = std::min<int64_t>(std::max(low < 0 ? -low : low, high < 0 ? -high : high), kMaxInt);
        return CreateSubrangeTypeFromValues(static_cast<int32_t>(-m), static_cast<int32_t>(m), IntegerT, &t->pos);
    }
    case ShortWordType: return CreateSubrangeTypeFromValues(-65535, 65535, IntegerT, &t->pos);
    case ByteType: return CreateSubrangeTypeFromValues(-255, 255, IntegerT, &t->pos);
    default: return t;
    }
}

static void SetTypes(Factor* f, Type* t) {
    f->ActualType = ResolveType(t);
    f->PromotedType = PromotedType(f->ActualType);
}

// A sign on a factor: only numbers take one; a minus changes the type to the negated one.
static void ApplyFactorSign(Factor* f) {
    if (f->sign == SignNone) return;
    if (!IsNumericType(f->ActualType)) {
        ReportMessage(msg::InvalidSign, &f->pos);
        f->sign = SignNone;
        return;
    }
    if (f->sign == SignMinus) SetTypes(f, NegatedType(f->ActualType));
}

static void FinishNotFactor(Factor* f) {
    Factor* op = f->u.operand;
    FinishFactor(op);
    Type* t = ResolveType(op->ActualType);
    if (t->kind == SubrangeType && t->u.subrange.low == t->u.subrange.high) {
        Type* host = ResolveType(t->u.subrange.HostType);
        int32_t v = host == BoolT ? !t->u.subrange.low : ~t->u.subrange.low;
        SetTypes(f, CreateSubrangeTypeFromValues(v, v, host, &f->pos));
    } else {
        SetTypes(f, op->PromotedType);
    }
    bool ok = IsBoolean(f->PromotedType) || (IsFlagOption(opt::eop) && IsIntegralType(f->PromotedType));
    if (!ok) {
        ReportMessage(msg::TypeMismatch, &f->pos);
        SetTypes(f, BoolT);
    }
}

void FinishFactor(Factor* f) {
    TPC_CHECK(f != nullptr);
    switch (f->kind) {
    case UnsignedConstant:
        if (f->sign != SignNone) {
            Constant* c = f->u.constant;
            bool numeric = c->kind == ConstantInteger || c->kind == ConstantCardinal || c->kind == ConstantReal ||
                           (c->kind == ConstantId && IsNumericType(c->t));
            if (!numeric && c->kind != ConstantBad) ReportMessage(msg::InvalidSign, &f->pos);
            else c->sign = f->sign;
            f->sign = SignNone;
        }
        f->u.constant = FinishConstant(f->u.constant);
        SetTypes(f, f->u.constant->t);
        return;
    case NotFactor: FinishNotFactor(f); return;
    case SetConstructorFactor:
        if (!f->u.set->t) FinishSetConstructor(f->u.set, &f->pos);
        SetTypes(f, f->u.set->t);
        return;
    case BadFactor: SetTypes(f, BadT); return;
    case ParenExpression:
        if (!f->u.expression->ActualType) FinishExpression(f->u.expression);
        SetTypes(f, f->u.expression->ActualType);
        break;
    case VarAccessFactor: SetTypes(f, f->u.access->t); break;
    case FunctionDesignatorFactor: SetTypes(f, f->u.call->resultType); break;
    case ObjectCallFactor: SetTypes(f, f->u.objectCall->t); break;
    }
    ApplyFactorSign(f);
}

// ---- Set constructors --------------------------------------------------------------------

void FinishSetConstructor(SetConstructor* s, const Position* pos) {
    Position where = pos ? *pos : CurrentPos();
    Type* element = NullT;
    int64_t low = 0, high = -1;
    for (MemberDesignator* m : Items<MemberDesignator>(s->members)) {
        for (Expression* e : {m->low, m->high}) {
            if (!e) continue;
            if (!e->ActualType) FinishExpression(e);
            Type* t = e->ActualType;
            if (ResolveType(t)->kind == BadType) continue;
            if (!IsOrdinalType(t)) {
                ReportMessage(msg::Expected, &e->pos, "Ordinal type");
                continue;
            }
            if (element != NullT && !IsCompatibleType(element, t)) {
                ReportMessage(msg::TypeMismatch, &e->pos);
                continue;
            }
            int64_t l, h;
            OrdinalRange(t, l, h);
            if (element == NullT) {
                low = l;
                high = h;
                element = PromotedType(t);
            } else {
                low = std::min(low, l);
                high = std::max(high, h);
                if (PromotedType(t)->kind == WordType) element = WordT;
            }
        }
    }
    if (ListCount(s->members) == 0 || element == NullT) {
        s->t = EmptySetT;
        return;
    }
    Type* base = CreateSubrangeTypeFromValues(static_cast<int32_t>(low), static_cast<int32_t>(high), element, &where);
    s->t = CreateSetType(base, &where);
    s->t->u.set.constructor = 1;
    FinishType(s->t);
}

// ---- Operators ----------------------------------------------------------------------------

namespace {
struct Operands {
    Type* l;        // promoted types
    Type* r;
    Type* la;       // actual types
    Type* ra;
    int32_t oper;
    const Position* pos;
};
}  // namespace

static bool IsWord(Type* t) { return t->kind == WordType; }
static bool IsAddress(Type* t) { return t->kind == AddressType; }
static bool IsSet(Type* t) { return t->kind == SetType; }

static Type* Expect(const char* what, const Operands& o, Type* result) {
    ReportMessage(msg::Expected, o.pos, what);
    return result;
}
static Type* Mismatch(const Operands& o, Type* result) {
    ReportMessage(msg::TypeMismatch, o.pos);
    return result;
}
static Type* Invalid(const Operands& o, Type* result) {
    ReportMessage(msg::OperandInvalidType, o.pos);
    return result;
}

static Type* IntegralResult(Type* a, Type* b) {
    return IsWord(a) || IsWord(b) || IsAddress(a) || IsAddress(b) ? WordT : IntegerT;
}

static Type* BooleanOnly(const Operands& o) {
    if (!IsBoolean(o.l) || !IsBoolean(o.r)) return Expect("Boolean expression", o, BoolT);
    return BoolT;
}

static Type* Logical(const Operands& o) {
    if (IsFlagOption(opt::eop) && (IsIntegralType(o.l) || IsIntegralType(o.r))) {
        if (!IsIntegralType(o.l) || !IsIntegralType(o.r)) return Expect("Integer expression", o, IntegerT);
        return IntegralResult(o.l, o.r);
    }
    return BooleanOnly(o);
}

static Type* DivMod(const Operands& o) {
    if (IsAddress(o.l) || IsAddress(o.r)) return Invalid(o, IntegerT);
    if (!IsIntegralType(o.l) || !IsIntegralType(o.r)) return Expect("Integer expression", o, IntegerT);
    return IsWord(o.l) || IsWord(o.r) ? WordT : IntegerT;
}

static Type* Shift(const Operands& o) {
    if (!IsIntegralType(o.l) || !IsIntegralType(o.r) || IsAddress(o.l) || IsAddress(o.r))
        return Expect("Integer expression", o, IntegerT);
    return IsWord(o.l) ? WordT : IntegerT;
}

static Type* CanonicalBase(Type* set) { return PromotedType(ResolveType(set)->u.set.base); }

static Type* In(const Operands& o) {
    if (!IsOrdinalType(o.l)) return Expect("Ordinal expression", o, BoolT);
    if (!IsSet(o.r)) return Expect("Set expression", o, BoolT);
    if (!IsEmptySet(o.r) && !IsSameType(o.l, CanonicalBase(o.r))) return Mismatch(o, BoolT);
    return BoolT;
}

static bool SameSetBase(Type* a, Type* b) {
    return IsEmptySet(a) || IsEmptySet(b) || IsSameType(CanonicalBase(a), CanonicalBase(b));
}

static Type* SetArithmetic(const Operands& o) {
    if (!IsSet(o.l) || !IsSet(o.r)) return Expect("Set expression", o, BadT);
    if (!SameSetBase(o.l, o.r)) return Mismatch(o, o.la);
    return IsEmptySet(o.la) ? o.ra : o.la;
}

static Type* Arithmetic(const Operands& o) {
    if (IsSet(o.l) || IsSet(o.r)) return SetArithmetic(o);
    if (IsAddress(o.l)) {
        // Only an integral right operand can meet an address; of those, only "-" does.
        if (!IsIntegralType(o.r)) return Mismatch(o, AddressT);
        if (o.oper != MINUStok) return Invalid(o, AddressT);
        return IsAddress(o.r) ? IntegerT : AddressT;
    }
    if (o.l->kind == IntegerType || IsWord(o.l)) {
        if (IsAddress(o.r)) return Invalid(o, IntegerT);
        if (IsRealType(o.r)) return RealT;
        if (IsIntegralType(o.r)) return IsWord(o.l) || IsWord(o.r) ? WordT : IntegerT;
        return Mismatch(o, IntegerT);
    }
    if (o.l->kind == RealType) {
        if (IsNumericType(o.r)) return RealT;
        return Mismatch(o, IntegerT);
    }
    return Invalid(o, BadT);
}

static bool IsCharOrString(Type* t) { return IsCharT(t) || IsStringType(t); }

static Type* Plus(const Operands& o) {
    if (IsFlagOption(opt::eop) && IsCharOrString(o.la) && IsCharOrString(o.ra)) return StringT;
    if (IsAddress(o.l) && IsAddress(o.r)) return Invalid(o, AddressT);
    if ((IsAddress(o.l) && IsIntegralType(o.r)) || (IsIntegralType(o.l) && IsAddress(o.r))) return AddressT;
    return Arithmetic(o);
}

static Type* Slash(const Operands& o) {
    if (IsAddress(o.l) || IsAddress(o.r)) return Invalid(o, RealT);
    bool ok = (IsIntegralType(o.l) || IsRealType(o.l)) && (IsIntegralType(o.r) || IsRealType(o.r));
    return ok ? RealT : Mismatch(o, RealT);
}

static bool IsSimple(Type* t) { return IsOrdinalType(t) || IsRealType(t); }

// =, <>, <, >, <=, >= share this; `structured` admits lists, objects, directories,
// pointers and sets (not for < and >).
static Type* Relation(const Operands& o) {
    bool structured = o.oper != LESStok && o.oper != GREATERtok;
    auto either = [&](auto pred) { return pred(o.l) || pred(o.r); };
    if (structured && either([](Type* t) { return t->kind == ListType || t->kind == ObjectType || t->kind == DirType; }))
        return IsSameType(o.l, o.r) ? BoolT : Mismatch(o, BoolT);
    if (structured && either([](Type* t) { return t->kind == PointerType || t->kind == AddressType; }) &&
        !(IsIntegralType(o.l) && IsIntegralType(o.r)))
        return IsCompatibleType(o.l, o.r) ? BoolT : Mismatch(o, BoolT);
    if (structured && either(IsSet))
        return IsSet(o.l) && IsSet(o.r) && SameSetBase(o.l, o.r) ? BoolT : Mismatch(o, BoolT);
    if (IsCharOrString(o.la) && IsCharOrString(o.ra))
        return IsCompatibleType(o.la, o.ra) ? BoolT : Mismatch(o, BoolT);
    if (!IsSimple(o.l) || !IsSimple(o.r)) return Invalid(o, BoolT);
    bool mixed = (IsIntegralType(o.l) && IsRealType(o.r)) || (IsRealType(o.l) && IsIntegralType(o.r));
    if (!IsCompatibleType(o.l, o.r) && !mixed) return Mismatch(o, BoolT);
    if (IsIntegralType(o.l) && IsIntegralType(o.r) && IsWord(o.l) != IsWord(o.r) &&
        o.l->kind != BadType && o.r->kind != BadType)
        ReportMessage(msg::SignedUnsignedComparison, o.pos);
    return BoolT;
}

using OperatorCheck = Type* (*)(const Operands&);
struct OperatorRow {
    int32_t oper;
    OperatorCheck check;
};
static const OperatorRow kOperators[] = {
    {ANDtok, Logical}, {ORtok, Logical}, {XORtok, Logical},
    {AND_THENtok, BooleanOnly}, {OR_ELSEtok, BooleanOnly},
    {DIVtok, DivMod}, {MODtok, DivMod}, {SHLtok, Shift}, {SHRtok, Shift}, {INtok, In},
    {PLUStok, Plus}, {MINUStok, Arithmetic}, {STARtok, Arithmetic}, {SLASHtok, Slash},
    {EQUALtok, Relation}, {NOT_EQUALtok, Relation}, {LESStok, Relation}, {GREATERtok, Relation},
    {LESS_EQUALtok, Relation}, {GREATER_EQUALtok, Relation},
};

static Type* CheckOperator(const Operands& o) {
    for (const OperatorRow& row : kOperators)
        if (row.oper == o.oper) return row.check(o);
    TPC_CHECK(!"known operator");
    return BadT;
}

static void SetTypes(Expression* e, Type* t) {
    e->ActualType = ResolveType(t);
    e->PromotedType = PromotedType(e->ActualType);
}

// The leading sign of a simple expression, checked against the node's type.
static void ApplyExpressionSign(Expression* e) {
    if (e->sign == SignNone) return;
    if (!IsNumericType(e->ActualType)) {
        ReportMessage(msg::InvalidSign, &e->pos);
        e->sign = SignNone;
        return;
    }
    if (e->sign == SignMinus) SetTypes(e, NegatedType(e->ActualType));
}

// One node whose left operand is finished: its right operand, operator and sign.
static void FinishNode(Expression* e) {
    if (e->factor) {
        FinishFactor(e->factor);
        SetTypes(e, e->factor->ActualType);
    } else if (e->oper == UNDEFtok) {
        SetTypes(e, e->left->ActualType);
    } else {
        if (!e->right->ActualType) FinishExpression(e->right);
        Operands o{e->left->PromotedType, e->right->PromotedType, e->left->ActualType,
                   e->right->ActualType, e->oper, &e->pos};
        if (o.l->kind == BadType || o.r->kind == BadType)
            SetTypes(e, BadT);
        else
            SetTypes(e, CheckOperator(o));
    }
    ApplyExpressionSign(e);
}

// Operator chains are left-deep (a + b + c is (a + b) + c), so the walk goes down the
// left operands with a loop and finishes the nodes on the way back up; only right
// operands and parentheses recurse, and the parser bounds those. A chain of any length
// therefore needs no more stack than a short one.
void FinishExpression(Expression* e) {
    TPC_CHECK(e != nullptr);
    TPC_CHECK_AFTER_ERROR(e->ActualType == nullptr);
    LeftChain<Expression*> chain;
    while (!e->factor && !e->left->ActualType) {
        chain.Push(e);
        e = e->left;
    }
    for (;;) {
        FinishNode(e);
        if (chain.Empty()) return;
        e = chain.Pop();
    }
}

// ======================================================================================
// Parameters and external routines

bool CheckValueParm(Type* formal, Expression* actual, const Position* pos) {
    if (!actual->ActualType) FinishExpression(actual);
    if (IsAssignmentCompatible(formal, actual->ActualType)) return true;
    ReportMessage(msg::TypeMismatch, pos);
    return false;
}

bool CheckVarParm(Type* formal, Type* actual, const Position* pos) {
    Type* f = ResolveType(formal);
    Type* a = ResolveType(actual);
    bool ok;
    if (!IsFlagOption(opt::s) && f->kind == a->kind && (f->kind == StringType || f->kind == CStringType))
        ok = true;
    else
        ok = IsSameType(f, a) || a->kind == AddressType;
    if (!ok) ReportMessage(msg::TypeMismatch, pos);
    return ok;
}

static bool Congruent(const FuncHeading* a, const FuncHeading* b);

static bool SectionsCongruent(const FormalParmSection* a, const FormalParmSection* b) {
    if (a->kind != b->kind) return false;
    if (a->kind == FormalParmFunc) return Congruent(a->u.funcParmSpec.fh, b->u.funcParmSpec.fh);
    const ParmSpec& x = a->kind == FormalParmValue ? a->u.ValueParmSpec : a->u.VarParmSpec;
    const ParmSpec& y = b->kind == FormalParmValue ? b->u.ValueParmSpec : b->u.VarParmSpec;
    return ListCount(x.parm) == ListCount(y.parm) && IsSameType(x.t, y.t);
}

// Same number of parameters, congruent position by position, same result type.
static bool Congruent(const FuncHeading* a, const FuncHeading* b) {
    List* sa = a->parms ? a->parms->sections : nullptr;
    List* sb = b->parms ? b->parms->sections : nullptr;
    if (ListCount(sa) != ListCount(sb)) return false;
    for (uint32_t i = 1; i <= ListCount(sa); i++)
        if (!SectionsCongruent(static_cast<FormalParmSection*>(ListGet(sa, i)),
                               static_cast<FormalParmSection*>(ListGet(sb, i))))
            return false;
    if ((a->result == nullptr) != (b->result == nullptr)) return false;
    return !a->result || IsSameType(a->result->t, b->result->t);
}

bool CheckProcParm(const FormalParmSection* formal, const Function* actual, const Position* pos) {
    TPC_CHECK(formal && formal->kind == FormalParmFunc);
    const FuncHeading* fh = formal->u.funcParmSpec.fh;
    bool ok = actual && (actual->kind == UserFunc || actual->kind == UserProc) && actual->heading &&
              (actual->kind == UserFunc) == (fh->result != nullptr) && Congruent(fh, actual->heading);
    if (!ok) ReportMessage(msg::TypeMismatch, pos);
    return ok;
}

// Resolved kinds an external routine may take by value (bit per TypeKind).
static constexpr uint32_t Bit(TypeKind k) { return 1u << k; }
static constexpr uint32_t kExternalValueKinds =
    Bit(EnumType) | Bit(PointerType) | Bit(AddressType) | Bit(RecordType) | Bit(SubrangeType) |
    Bit(CharType) | Bit(IntegerType) | Bit(FloatType) | Bit(RealType) | Bit(ShortIntType) |
    Bit(ShortWordType) | Bit(ByteType) | Bit(WordType) | Bit(BadType);
static constexpr uint32_t kExternalResultKinds = kExternalValueKinds | Bit(ArrayType);
static constexpr uint32_t kExternalVarKinds = kExternalValueKinds | Bit(ArrayType) | Bit(StringType) | Bit(CStringType);

static bool KindIn(Type* t, uint32_t kinds) { return (kinds & Bit(ResolveType(t)->kind)) != 0; }

void CheckExternalHeading(const FuncHeading* fh, const Position* pos) {
    TPC_CHECK(fh != nullptr);
    if (fh->result && !KindIn(fh->result->t, kExternalResultKinds)) ReportMessage(msg::InvalidReturnType, pos);
    for (FormalParmSection* s : Items<FormalParmSection>(fh->parms ? fh->parms->sections : nullptr)) {
        bool ok = s->kind == FormalParmValue ? KindIn(s->u.ValueParmSpec.t, kExternalValueKinds)
                : s->kind == FormalParmVar   ? KindIn(s->u.VarParmSpec.t, kExternalVarKinds)
                                             : false;
        if (!ok) ReportMessage(msg::InvalidExternalParameter, &s->pos);
    }
}

}  // namespace tarn::tpc
