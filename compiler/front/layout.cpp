// layout: finishing declarations: constants, types with their sizes, alignments and
// offsets, variables and headings (see layout.h).
#include "compiler/front/layout.h"

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

// Alignment

static uint32_t FieldListMeasure(const FieldList* fl);

static uint32_t AlignmentMeasure(Type* t) {
    t = ResolveType(t);
    while (t->kind == ArrayType) t = ResolveType(t->u.array.ComponentType);
    switch (t->kind) {
    case RecordType:
        return t->u.record.measured ? t->u.record.alignMeasure
                                    : FieldListMeasure(t->u.record.fieldList);
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
        if (vp->selector && vp->selector->tagField)
            m = std::max(m, AlignmentMeasure(vp->selector->tagField->t));
        for (Variant* v : Items<Variant>(vp->VariantList))
            m = std::max(m, FieldListMeasure(v->fieldList));
        if (vp->VariantPartCompleter)
            m = std::max(m, FieldListMeasure(vp->VariantPartCompleter->fieldList));
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

static int gTypeNesting = 0;

void EnterTypeNesting() {
    if (++gTypeNesting > 400) {
        gTypeNesting = 0;
        ReportMessage(msg::LimitProgramComplexity, nullptr);
    }
}
void LeaveTypeNesting() {
    if (gTypeNesting > 0) gTypeNesting--;
}
void ResetTypeNesting() { gTypeNesting = 0; }

namespace {
struct NestingGuard {
    NestingGuard() { EnterTypeNesting(); }
    ~NestingGuard() { LeaveTypeNesting(); }
};
}  // namespace

// ======================================================================================
// Constants

int64_t OrdinalValue(const Constant* c) {
    switch (c->kind) {
    case ConstantInteger: return c->value.integer;
    case ConstantCardinal: return c->value.cardinal;
    case ConstantChar: return c->value.character;
    case ConstantEnumId: return c->value.ordinal;
    default: return 0;
    }
}

bool IsOrdinalConstant(const Constant* c) {
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
        return static_cast<Identifier*>(ListGet(t->u.enumeration.EnumIds, c->value.ordinal + 1))
            ->text;
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
    ScratchSuspend declaration;  // what finishing makes belongs to the declaration
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

static const char* const TYPE_KIND_WORDS[] = {
    "array",  "enumerated", "file",    "id",      "list",     "pointer",  "address",
    "record", "set",        "string",  "cstring", "subrange", "object",   "variant",
    "Null",   "char",       "integer", "float",   "real",     "shortint", "shortword",
    "stream", "directory",  "byte",    "word",    "bad",
};
static_assert(sizeof(TYPE_KIND_WORDS) / sizeof(TYPE_KIND_WORDS[0]) == BadType + 1);

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
    if (b && b->kind == BindType && b->status == StatusForwardDomain && !b->u.type)
        ResolvePendingDomain(b);
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
        count = MAX_INT;
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
        bool ok = b && b->kind == BindConst && b->u.constant &&
                  b->u.constant->kind == ConstantEnumId && b->u.constant->t == t &&
                  b->u.constant->value.ordinal == ordinal;
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
    if (promoted->kind == AddressType)
        ReportMessage(msg::SetBaseIncludesValues, &t->pos, "address");
    int64_t low = 0, high = 0;
    OrdinalRange(base, low, high);
    int64_t n = high - low + 1;
    int64_t limit = GetOption(opt::zbsm);
    t->size = n > 0 && n <= limit ? static_cast<uint32_t>((n - 1) / 8 + 1) : 1028;
}

bool IsCardinal(const Constant* c) { return c->kind == ConstantCardinal; }

// Finishes both bounds of a range and brings them to one type; false (after "Lower bound
// and upper bound are not of the same type.") when that fails, with high := low.
bool UnifyBounds(Constant*& low, Constant*& high, const Position* pos) {
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
            u->t = CreateSubrangeTypeFromValues((*c)->value.integer, (*c)->value.integer, WordT,
                                                &u->pos);
            *c = u;
        }
    }
    bool mixed = (low->kind == ConstantInteger && IsCardinal(high)) ||
                 (IsCardinal(low) && high->kind == ConstantInteger);
    if (mixed || !IsCompatibleType(PromotedType(low->t), PromotedType(high->t))) {
        ReportMessage(msg::BoundsDifferentTypes, pos);
        high = low;
        return false;
    }
    return true;
}

// low > high compared as the bounds' kind requires (unsigned for cardinals).
bool BoundsReversed(const Constant* low, const Constant* high) {
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

static uint32_t FinishFieldList(FieldList* fl, uint32_t start, int32_t vnumber, RecordState& rs,
                                const Position& pos);

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
        std::snprintf(buf, size, "%s",
                      static_cast<Identifier*>(
                          ListGet(host->u.enumeration.EnumIds, static_cast<uint32_t>(v) + 1))
                          ->text);
    } else if (host->kind == CharType) {
        if (std::isprint(static_cast<int>(v))) std::snprintf(buf, size, "%c", static_cast<int>(v));
        else std::snprintf(buf, size, "chr(%d)", static_cast<int>(v));
    } else if (host->kind == WordType) {
        std::snprintf(buf, size, "%lu", static_cast<unsigned long>(v));
    } else {
        std::snprintf(buf, size, "%ld", static_cast<long>(v));
    }
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
static uint32_t FinishVariants(VariantPart* vp, uint32_t start, RecordState& rs,
                               const Position& pos, uint32_t& largest) {
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
        for (CaseRange* r : Items<CaseRange>(v->caseConstants))
            CheckCaseConstant(r, selector, false, seen);
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
                for (int64_t x = std::max(low, OrdinalValue(r->low));
                     x <= std::min(high, OrdinalValue(r->high)); x++)
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
        ReportMessage(IsFlagOption(opt::E) ? msg::NotAssociatedWithVariantWarning
                                           : msg::NotAssociatedWithVariant,
                      &pos, name);
    }
    return end;
}

static uint32_t FinishVariantPart(VariantPart* vp, uint32_t start, int32_t vnumber, RecordState& rs,
                                  const Position& pos, uint32_t& largest) {
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

static uint32_t FinishFieldList(FieldList* fl, uint32_t start, int32_t vnumber, RecordState& rs,
                                const Position& pos) {
    ReportMessage(msg::TraceFinishFieldList, &pos);
    uint32_t offset = start;
    for (Variable* f : Items<Variable>(fl->rsl)) offset = AllocateField(f, offset, vnumber, rs);
    uint32_t end = offset;
    uint32_t largest = 0;
    if (fl->variantPart)
        end = std::max(end, FinishVariantPart(fl->variantPart, offset, vnumber, rs, pos, largest));
    fl->size = end - start;
    return end;
}

static void FinishRecord(Type* t) {
    RecordState rs{0, 0, 0, 0};
    FieldList* fl = t->u.record.fieldList;
    uint32_t end = FinishFieldList(fl, 0, 0, rs, t->pos);
    uint32_t largest = 0;
    if (fl->variantPart)
        for (Variant* v : Items<Variant>(fl->variantPart->VariantList))
            largest = std::max(largest, v->fieldList->size);
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
    ScratchSuspend declaration;  // what finishing makes belongs to the type
    NestingGuard nesting;
    TPC_CHECK(VALID_TYPE_KIND(t->kind));
    ReportMessage(msg::TraceFinishType, &t->pos);
    ReportMessage(msg::TraceFinishKindType, &t->pos, TYPE_KIND_WORDS[t->kind]);
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
    ScratchSuspend declaration;  // what finishing makes belongs to the declaration
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

static uint32_t gVariableCounter = 0;

uint32_t VariableCounter() { return gVariableCounter; }
void SetVariableCounter(uint32_t offset) { gVariableCounter = offset; }

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
    uint32_t offset = AlignOffset(gVariableCounter, align);
    if (static_cast<uint64_t>(offset) + size > 0xFFFFFFFFull) {
        ReportMessage(msg::LimitVariablesSize, &pos);
        offset = 0;
    }
    gVariableCounter = offset + size;
    return offset;
}

void FinishVariable(Variable* v) {
    ScratchSuspend declaration;  // what finishing makes belongs to the declaration
    TPC_CHECK(v != nullptr);
    ReportMessage(msg::TraceFinishVariable, &v->pos, v->id ? v->id->text : "");
    FinishType(v->t);
    Type* t = ResolveType(v->t);
    v->size = v->byRef ? 4 : t->size;
    uint32_t offset = Allocate(v->size, v->byRef ? 4 : AlignmentOf(t), v->pos);
    if (InRoutineBlock()) {
        v->global = 0;
        // Locals are addressed from their end (the frame grows downward).
        v->offset = v->arg ? offset : gVariableCounter;
    } else {
        v->offset = offset;
    }
}

// A caller pushes every parameter (and reserves the result) as whole words, so each
// takes a slot of its size rounded up to 4 bytes, next to the previous one, whatever the
// alignment option says.
static void FinishParameterSlot(Variable* v) {
    const uint32_t slot = gVariableCounter;
    FinishVariable(v);
    v->offset = slot;
    gVariableCounter = slot + ((v->size + 3) & ~3u);
}

void FinishHeading(FuncHeading* fh) {
    ScratchSuspend declaration;  // what finishing makes belongs to the declaration
    TPC_CHECK(fh != nullptr);
    uint32_t saved = gVariableCounter;
    gVariableCounter = 12;
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
        const ParmSpec& section =
            s->kind == FormalParmValue ? s->u.ValueParmSpec : s->u.VarParmSpec;
        for (uint32_t j = ListCount(section.parm); j >= 1; j--)
            FinishParameterSlot(static_cast<Variable*>(ListGet(section.parm, j)));
    }
    if (fh->result) FinishParameterSlot(fh->result);
    gVariableCounter = saved;
}

}  // namespace tarn::tpc
