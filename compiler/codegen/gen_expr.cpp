// gen_expr: constants, variable accesses, loads and stores, operators and assignments.
#include "compiler/codegen/generator.h"

#include <string>
#include <vector>

#include "compiler/writer/image.h"
#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/binding.h"
#include "compiler/front/records.h"
#include "compiler/front/case_values.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/layout.h"
#include "compiler/front/types.h"
#include "compiler/front/idtable.h"
#include "compiler/front/lexer.h"

namespace tarn::tpc {

using vm::Op;
using vm::Std;

// ---- Constructs not generated yet ----------------------------------------------------------

namespace {
bool gMissingSeen = false;
std::string gMissing;
}

void CodeGenMissing(const char* construct) {
    if (gMissingSeen || !GenerateCode()) return;
    gMissingSeen = true;
    gMissing = construct;
}

namespace {

struct BuiltinName {
    int32_t kind;
    const char* name;
};
constexpr BuiltinName BUILTIN_NAMES[] = {
#define FUNC(name, Name, kind, option) {kind, #name},
#include "compiler/front/predefined.def"
};

const char* BuiltinNameOf(int32_t kind) {
    for (const BuiltinName& b : BUILTIN_NAMES)
        if (b.kind == kind) return b.name;
    return "?";
}

}  // namespace

void CodeGenMissingBuiltin(const char* what, int32_t kind) {
    const std::string name = std::string(what) + " '" + BuiltinNameOf(kind) + "'";
    CodeGenMissing(name.c_str());
}

const char* CodeGenMissingConstruct() { return gMissingSeen ? gMissing.c_str() : nullptr; }
void ResetMissingConstruct() {
    gMissingSeen = false;
    gMissing.clear();
}

// ---- Small emitters --------------------------------------------------------------------------

// The constants that have a push of their own, one byte without operand.
struct SmallPush {
    int32_t value;
    Op op;
};
constexpr SmallPush SMALL_PUSHES[] = {
    {0, Op::PUSH0}, {1, Op::PUSH1}, {2, Op::PUSH2}, {4, Op::PUSH4}, {8, Op::PUSH8},
};

void PushInteger(int32_t v) {
    for (const SmallPush& p : SMALL_PUSHES) {
        if (p.value != v) continue;
        EmitOp(p.op);
        return;
    }
    EmitOpWord(Op::PUSHI, static_cast<uint32_t>(v));
}

uint32_t EmitForwardJump(Op op) { return OperandPosition(EmitOpWord(op, 0)); }

// Jump operands are code offsets; the word was emitted as 0, so the fix-up sets it.
void ResolveJumpHere(uint32_t operand) {
    if (GenerateCode()) AddFixup(operand, GetCodeSize());
}

void PushFrame(int32_t hops) {
    EmitOp(Op::PUSHFP);
    for (int32_t i = 0; i < hops; i++) {
        EmitOpWord(Op::ADDI, 8);
        EmitOp(Op::LOADW);
    }
}

int32_t CodeLevel() { return CurrentScopeLevel(); }

// ---- Types -------------------------------------------------------------------------------------

namespace {

// The representation of each type kind that does not depend on the type's details (arrays
// and strings are decided by TypeRepOf).
constexpr Rep REP_BY_KIND[] = {
    /* ArrayType */ Rep::Block,    /* EnumType */ Rep::Word,
    /* FileType */ Rep::Word,
    /* IdType */ Rep::None,        /* ListType */ Rep::Word,
    /* PointerType */ Rep::Word,
    /* AddressType */ Rep::Word,   /* RecordType */ Rep::Block,
    /* SetType */ Rep::ListSet,
    /* StringType */ Rep::Str1,    /* CStringType */ Rep::CStr,
    /* SubrangeType */ Rep::None,
    /* ObjectType */ Rep::Word,    /* VariantType */ Rep::Variant,
    /* NullType */ Rep::None,
    /* CharType */ Rep::Byte,      /* IntegerType */ Rep::Word,
    /* FloatType */ Rep::Single,
    /* RealType */ Rep::Real,      /* ShortIntType */ Rep::HalfSigned,
    /* ShortWordType */ Rep::Half,
    /* StreamType */ Rep::Word,    /* DirType */ Rep::Word,
    /* ByteType */ Rep::Byte,
    /* WordType */ Rep::Word,      /* BadType */ Rep::None,
};
static_assert(std::size(REP_BY_KIND) == BadType + 1);

}  // namespace

Rep TypeRepOf(Type* t) {
    t = HostOf(t);
    if (!t) return Rep::None;
    if (t->kind == StringType) return t->u.string.length <= 255 ? Rep::Str1 : Rep::Str4;
    if (t->kind == ArrayType && IsStringType(t)) return Rep::CharArray;
    if (t->kind == SetType) {
        // Small ranges are kept as bits in memory, the others as member lists.
        int64_t low = 0, count = 0;
        SetBase(t, low, count);
        return count > 0 && count <= GetOption(opt::zbsm) ? Rep::BitSet : Rep::ListSet;
    }
    return REP_BY_KIND[t->kind];
}

void SetBase(Type* t, int64_t& low, int64_t& count) {
    low = 0;
    count = 0;
    t = HostOf(t);
    if (!t || t->kind != SetType) return;
    int64_t high = -1;
    if (!Bounds(t->u.set.base, low, high)) return;
    count = high - low + 1;
}

namespace {

// Set instructions work on list sets (kind 3) on the stack.
constexpr uint32_t LIST_SET_KIND = 3;

void PushSetBase(Type* t) {
    int64_t low = 0, count = 0;
    SetBase(t, low, count);
    PushInteger(static_cast<int32_t>(low));
    PushInteger(static_cast<int32_t>(count));
}

}  // namespace

bool IsUnsignedHost(Type* t) {
    const TypeKind k = HostOf(t)->kind;
    return k == WordType || k == AddressType || k == ByteType || k == ShortWordType;
}

bool IsRealHost(Type* t) {
    const TypeKind k = HostOf(t)->kind;
    return k == RealType || k == FloatType;
}

bool IsStringRep(Rep r) {
    return r == Rep::Str1 || r == Rep::Str4 || r == Rep::CStr || r == Rep::CharArray;
}

bool Bounds(Type* t, int64_t& low, int64_t& high) {
    return OrdinalRange(ResolveType(t), low, high);
}

namespace {

bool IsWordLike(Type* t) {
    const TypeKind k = HostOf(t)->kind;
    return k == WordType || k == AddressType;
}

bool IsCharHost(Type* t) { return HostOf(t)->kind == CharType; }
bool IsBooleanHost(Type* t) { return HostOf(t) == BoolT; }

// A range check of the value on the stack against low..high of an ordinal type: CHKRNGU
// for unsigned hosts, none when the range is the host's whole 32 bits.
void RangeCheck(Type* t) {
    int64_t low = 0, high = 0;
    if (!Bounds(t, low, high)) return;
    if (IsUnsignedHost(t)) {
        if (low == 0 && high == 0xFFFFFFFFll) return;
        EmitOpWords(Op::CHKRNGU, static_cast<uint32_t>(low), static_cast<uint32_t>(high));
    } else {
        if (low <= -2147483647ll && high == 2147483647ll) return;
        EmitOpWords(Op::CHKRNG, static_cast<uint32_t>(low), static_cast<uint32_t>(high));
    }
}

}  // namespace

// ---- Variable accesses -----------------------------------------------------------------------

namespace {

// The variable's address plus `bias` (modulo 2^32), the bias folded into the constant
// part of the address where there is one.
void EntireAddress(Variable* v, uint32_t bias = 0) {
    if (v->global) {
        PushInteger(static_cast<int32_t>(v->offset + bias));
        return;
    }
    PushFrame(CodeLevel() - v->level);
    if (v->byRef) {
        EmitOpWord(v->arg ? Op::ADDI : Op::SUBI, v->offset);
        EmitOp(Op::LOADW);
        if (bias != 0) EmitOpWord(Op::ADDI, bias);
        return;
    }
    if (v->arg)
        EmitOpWord(Op::ADDI, v->offset + bias);
    else
        EmitOpWord(Op::SUBI, v->offset - bias);
}

void IndexedAddress(VarAccess* a) {
    VarAccess* base = a->u.indexed.access;
    Type* bt = HostOf(base->t);
    const bool checks = IsFlagOption(opt::r);
    switch (bt->kind) {
    case ArrayType: {
        Type* it = bt->u.array.IndexType;
        int64_t low = 0, high = 0;
        Bounds(it, low, high);
        const uint32_t size = bt->u.array.componentSize;
        // The element's address is base + (index - low) * size; for a variable the
        // constant part, base - low * size, is folded into its address.
        const bool folded = base->kind == EntireVariable;
        if (folded)
            EntireAddress(base->u.entire.variable, 0u - static_cast<uint32_t>(low) * size);
        else
            GenAddress(base);
        GenOrdinal(a->u.indexed.index);
        if (checks) RangeCheck(it);
        if (!folded && low != 0) EmitOpWord(Op::SUBI, static_cast<uint32_t>(low));
        if (size >= 2) {
            PushInteger(static_cast<int32_t>(size));
            EmitOp(Op::MUL);
        }
        EmitOp(Op::ADD);
        return;
    }
    case StringType:
    case CStringType: {
        GenAddress(base);
        const uint32_t max = bt->u.string.length;
        // Index 1 is the first character behind the prefix: the prefix byte itself is
        // index 0, a 4-byte prefix moves the characters 3 bytes further.
        if (bt->kind == StringType && max > 255) {
            PushInteger(3);
            EmitOp(Op::ADD);
        }
        GenOrdinal(a->u.indexed.index);
        if (checks) EmitOpWords(Op::CHKRNG, 1, max);
        if (bt->kind == CStringType) {
            EmitOp(Op::PUSH1);
            EmitOp(Op::SUB);
        }
        EmitOp(Op::ADD);
        return;
    }
    case ListType:
        // The list routine finds the element (1 .. length) and yields its address.
        GenAddress(base);
        GenExpression(a->u.indexed.index);
        EmitCallStd(Std::ListElement);
        return;
    default: return;   // reported by the front end
    }
}

// The variant parts from the record's fixed part down to the one whose variant holds
// field `id` (outermost first); the field, or none.
Variable* FieldPath(const FieldList* fl, const Identifier* id,
                    std::vector<const VariantPart*>& path) {
    if (!fl) return nullptr;
    for (Variable* v : Items<Variable>(fl->rsl))
        if (v->id == id) return v;
    const VariantPart* vp = fl->variantPart;
    if (!vp) return nullptr;
    if (vp->selector && vp->selector->tagField && vp->selector->tagField->id == id)
        return vp->selector->tagField;
    path.push_back(vp);
    for (Variant* v : Items<Variant>(vp->VariantList))
        if (Variable* f = FieldPath(v->fieldList, id, path)) return f;
    if (vp->VariantPartCompleter)
        if (Variable* f = FieldPath(vp->VariantPartCompleter->fieldList, id, path)) return f;
    path.pop_back();
    return nullptr;
}

// The record's address again, for reading a tag field.
void RecordAddress(VarAccess* a) {
    if (a->u.field.withLocal > 0) {
        EmitOp(Op::PUSHFP);
        EmitOpWord(Op::SUBI, 4u * static_cast<uint32_t>(a->u.field.withLocal));
        EmitOp(Op::LOADW);
    } else {
        GenAddress(a->u.field.record);
    }
}

// The tag's load and the undefined test CHKVARX applies to it: 1 for a byte, 2 for a
// word, 0 where all ones is a legal tag value.
void LoadTag(Type* tagType) {
    Type* h = HostOf(tagType);
    int64_t low = 0, high = 0;
    Bounds(tagType, low, high);
    switch (h->kind) {
    case CharType:
        EmitOp(Op::LOADB);
        EmitOp(high >= 255 ? Op::PUSH0 : Op::PUSH1);
        return;
    case ByteType:
        EmitOp(Op::LOADB);
        EmitOp(Op::PUSH0);
        return;
    case ShortIntType:
    case IntegerType:
        EmitOp(h->kind == ShortIntType ? Op::LOADHS : Op::LOADW);
        EmitOp(low <= -1 && high >= -1 ? Op::PUSH0 : Op::PUSH2);
        return;
    case ShortWordType:
    case WordType:
    case AddressType:
        EmitOp(h->kind == ShortWordType ? Op::LOADH : Op::LOADW);
        EmitOp(high == 0xFFFFFFFFll ? Op::PUSH0 : Op::PUSH2);
        return;
    default:
        EmitOp(Op::LOADW);
        EmitOp(Op::PUSH2);
        return;
    }
}

// Under option v: the variant that holds the field must be the active one, for each
// variant part with a tag field on the way to it, outermost first.
void VariantChecks(VarAccess* a, const std::vector<const VariantPart*>& path,
                   const Variable* field) {
    for (size_t i = 0; i < path.size(); i++) {
        const VariantPart* vp = path[i];
        const int32_t number = i + 1 < path.size() ? path[i + 1]->variantNumber : field->VNumber;
        if (!vp->selector || !vp->selector->tagField || !vp->table) continue;
        const Variable* tag = vp->selector->tagField;
        RecordAddress(a);
        if (tag->offset != 0) EmitOpWord(Op::ADDI, tag->offset);
        LoadTag(vp->selector->tagType);
        PushInteger(vp->tableLow);
        PushInteger(static_cast<int32_t>(vp->tableOffset));
        PushInteger(number);
        EmitOp(Op::CHKVARX);
    }
}

void FieldAddress(VarAccess* a) {
    RecordAddress(a);
    Type* rt = HostOf(a->u.field.record ? a->u.field.record->t : nullptr);
    if (!rt || rt->kind != RecordType) return;
    std::vector<const VariantPart*> path;
    Variable* field = FieldPath(rt->u.record.fieldList, a->u.field.field, path);
    if (!field) return;
    if (field->offset != 0) EmitOpWord(Op::ADDI, field->offset);
    if (field->VNumber != 0 && IsFlagOption(opt::v)) VariantChecks(a, path, field);
}

}  // namespace

void GenAddress(VarAccess* a) {
    if (!a || !GenerateCode()) return;
    ReportMessage(msg::TraceCodeGenVarAddress, &a->pos);
    switch (a->kind) {
    case EntireVariable: EntireAddress(a->u.entire.variable); return;
    case IndexedVariable: IndexedAddress(a); return;
    case FieldDesignator: FieldAddress(a); return;
    case IdentifiedVariable:
        GenAddress(a->u.identified.pointer);
        EmitOp(Op::LOADW);
        EmitOp(Op::CHKPTR);
        return;
    case BufferVariable: {
        // The buffer is filled from the file (when due) before it is read.
        VarAccess* file = a->u.buffer.file;
        Type* ft = HostOf(file->t);
        GenAddress(file);
        EmitCallStd(Std::FileBufferAddress);
        EmitOp(Op::DUP);
        PushInteger(static_cast<int32_t>(
            ft->kind == FileType ? ResolveType(ft->u.file.component)->size : 1));
        EmitCallStd(Std::FileRoutine13);
        if (IsFlagOption(opt::i)) EmitOp(Op::CHKERR);
        return;
    }
    }
}

void GenUndefinedCheck(Type* t) {
    if (!IsFlagOption(opt::u)) return;
    Type* h = HostOf(t);
    int64_t low = 0, high = 0;
    const bool ordinal = Bounds(t, low, high);
    switch (h->kind) {
    case EnumType: case FileType: case ListType: case PointerType: case ObjectType: case DirType:
        EmitOp(Op::CHKUW);
        return;
    case AddressType: case ShortWordType: case WordType:
        if (!(ordinal && high == 0xFFFFFFFFll)) EmitOp(Op::CHKUW);
        return;
    case CharType:
        if (!(ordinal && high >= 255)) EmitOp(Op::CHKUB);
        return;
    case IntegerType: case ShortIntType:
        if (!(ordinal && low <= -1 && high >= -1)) EmitOp(Op::CHKUW);
        return;
    case FloatType: case RealType: EmitOp(Op::CHKUD); return;
    default: return;
    }
}

void GenLoad(Type* t) {
    switch (TypeRepOf(t)) {
    case Rep::Word: EmitOp(Op::LOADW); break;
    case Rep::Byte: EmitOp(Op::LOADB); break;
    case Rep::Half: EmitOp(Op::LOADH); break;
    case Rep::HalfSigned: EmitOp(Op::LOADHS); break;
    case Rep::Single: EmitOp(Op::LOADF); break;
    case Rep::Real: EmitOp(Op::LOADR); break;
    case Rep::Str1:
        // The characters start one byte in; the length is the prefix byte.
        EmitOp(Op::PUSH1);
        EmitOp(Op::ADD);
        EmitOp(Op::DUP);
        EmitOp(Op::PUSH1);
        EmitOp(Op::SUB);
        EmitOp(Op::LOADB);
        EmitOpWord(Op::LOADV, 1);
        break;
    case Rep::Str4: EmitOpWord(Op::LOADV, 5); break;
    case Rep::CStr: EmitOpWord(Op::LOADV, 8); break;
    case Rep::CharArray:
        PushInteger(static_cast<int32_t>(ResolveType(t)->size));
        EmitOpWord(Op::LOADV, 1);
        break;
    case Rep::Block:
        PushInteger(static_cast<int32_t>(ResolveType(t)->size));
        EmitOpWord(Op::LOADV, 1);
        EmitOp(Op::POP);   // raw bytes: the length word is not part of the value
        break;
    case Rep::BitSet:
        PushSetBase(t);
        EmitOp(Op::MBITS2LST);
        return;
    case Rep::ListSet: EmitOpWord(Op::LOADV, 7); return;
    case Rep::Variant: CodeGenMissing("variants"); return;
    case Rep::None: return;
    }
    GenUndefinedCheck(t);
}

void GenValue(VarAccess* a) {
    ReportMessage(msg::TraceCodeGenVarValue, &a->pos);
    GenAddress(a);
    GenLoad(a->t);
}

// ---- Assignment ---------------------------------------------------------------------------------

void GenAssignmentChecking(Type* target, Type* source) {
    ReportMessage(msg::TraceCodeGenAssignmentChecking, nullptr);
    Type* h = HostOf(target);
    const Rep rep = TypeRepOf(target);
    if (IsOrdinalType(target) && IsFlagOption(opt::r)) {
        // A source whose type already lies inside the target's range needs no check.
        int64_t tl = 0, th = 0, sl = 0, sh = 0;
        if (source && Bounds(target, tl, th) && Bounds(source, sl, sh) && sl >= tl && sh <= th &&
            IsUnsignedHost(target) == IsUnsignedHost(source))
            return;
        RangeCheck(target);
        return;
    }
    if ((rep == Rep::Str1 || rep == Rep::Str4 || rep == Rep::CStr) && IsFlagOption(opt::ao))
        EmitOpWords(Op::CHKRNG, 0, h->u.string.length);
    if (rep == Rep::ListSet && IsFlagOption(opt::ao)) {
        // 4 bytes per member: at most 256 members, each inside the base type.
        EmitOpWords(Op::CHKRNG, 0, 1024);
        int64_t low = 0, count = 0;
        SetBase(target, low, count);
        PushInteger(static_cast<int32_t>(low));
        PushInteger(static_cast<int32_t>(low + count - 1));
        EmitOpWord(Op::CHKSETS, LIST_SET_KIND);
    }
}

void GenStore(Type* target, Type* source) {
    Type* h = HostOf(target);
    Type* s = source ? HostOf(source) : nullptr;
    switch (TypeRepOf(target)) {
    case Rep::Word:
        if (h->kind == PointerType && s && s->kind == AddressType) EmitOp(Op::HOSTREL);
        if (h->kind == AddressType && s && s->kind == PointerType) EmitOp(Op::RELHOST);
        EmitOp(Op::STOREW);
        return;
    case Rep::Byte: EmitOp(Op::STOREB); return;
    case Rep::Half: EmitOp(Op::STOREH); return;
    case Rep::HalfSigned: EmitOp(Op::STOREH2); return;
    case Rep::Real:
    case Rep::Single:
        if (s && !IsRealHost(s) && IsIntegralType(s))
            EmitOp(IsUnsignedHost(s) ? Op::UTOR : Op::ITOR);
        EmitOp(TypeRepOf(target) == Rep::Real ? Op::STORER : Op::STOREF);
        return;
    case Rep::Str1: EmitOpWord(Op::STRSTO, 1); return;
    case Rep::Str4: EmitOpWord(Op::STRSTO, 4); return;
    case Rep::CStr: EmitOp(Op::CSTRSTO); return;
    case Rep::CharArray: EmitOpWord(Op::STOREV, 1); return;
    case Rep::Block:
        PushInteger(static_cast<int32_t>(ResolveType(target)->size));
        EmitOpWord(Op::STOREV, 1);
        return;
    case Rep::BitSet:
        PushSetBase(target);
        EmitOp(Op::LST2MBITS);
        return;
    case Rep::ListSet: EmitOpWord(Op::STOREV, 7); return;
    case Rep::Variant: CodeGenMissing("variants"); return;
    case Rep::None: return;
    }
}

void GenAssignValue(Type* target, Expression* e) {
    if (!GenerateCode()) return;
    ReportMessage(msg::TraceCodeGenAssignment, &e->pos);
    if (TypeRepOf(e->PromotedType) == Rep::Variant) {
        GenVariantAssignValue(target, e);
        return;
    }
    if (IsStringRep(TypeRepOf(target)))
        GenStringValue(e);
    else
        GenExpression(e);
    GenAssignmentChecking(target, e->ActualType);
    GenStore(target, e->PromotedType);
}

// ---- Constants -------------------------------------------------------------------------------

namespace {

// The fixed-data copy of a string literal, stored the first time it is needed.
PooledLiteral* Pooled(StringLiteral* s) {
    if (!s->pooled) {
        PooledLiteral* p = TrackedNew<PooledLiteral>();
        p->size = s->length;
        p->offset = AppendFixedBytes(s->text, s->length);
        s->pooled = p;
    }
    return s->pooled;
}

void GenConstant(Constant* c) {
    ReportMessage(msg::TraceCodeGenConstant, &c->pos);
    switch (c->kind) {
    case ConstantInteger: PushInteger(c->value.integer); return;
    case ConstantCardinal: PushInteger(static_cast<int32_t>(c->value.cardinal)); return;
    case ConstantChar: PushInteger(static_cast<int32_t>(c->value.character)); return;
    case ConstantEnumId: PushInteger(c->value.ordinal); return;
    case ConstantNil: EmitOp(Op::PUSH0); return;
    case ConstantReal: EmitOpReal(Op::PUSHR, c->value.real); return;
    case ConstantString: {
        StringLiteral* s = c->value.string;
        if (s->length == 0) {
            EmitOp(Op::PUSH0);   // the empty string value is its length word alone
            return;
        }
        const PooledLiteral* p = Pooled(s);
        EmitOp(Op::PUSHGP);
        if (p->offset != 0) EmitOpWord(Op::ADDI, p->offset);
        PushInteger(static_cast<int32_t>(s->length));
        EmitOpWord(Op::LOADV, 1);
        return;
    }
    case ConstantId:
    case ConstantBad: return;   // finished constants are never identifiers; bad ones were reported
    }
}

void Negate(Type* t) { EmitOp(IsRealHost(t) ? Op::NEGR : Op::NEG); }

// ---- Factors and operators ---------------------------------------------------------------

void GenExpr(Expression* e, bool negateFirstTerm);

// The empty set, then each member or range added in order, each checked against the
// base type's range.
void GenSetConstructor(SetConstructor* s) {
    EmitOp(Op::PUSH0);
    Type* t = HostOf(s->t);
    if (!t || t->kind != SetType || HostOf(t->u.set.base)->kind == NullType) return;
    int64_t low = 0, high = -1;
    Bounds(t->u.set.base, low, high);
    for (MemberDesignator* m : Items<MemberDesignator>(s->members)) {
        GenExpr(m->low, false);
        if (m->high)
            GenExpr(m->high, false);
        else
            EmitOp(Op::DUP);
        PushInteger(static_cast<int32_t>(low));
        PushInteger(static_cast<int32_t>(high));
        EmitOpWord(Op::SETRNG, LIST_SET_KIND);
        EmitOpWord(Op::SETADD, LIST_SET_KIND);
    }
}

void GenFactor(Factor* f) {
    ReportMessage(msg::TraceCodeGenFactor, &f->pos);
    switch (f->kind) {
    case VarAccessFactor: GenValue(f->u.access); break;
    case UnsignedConstant: GenConstant(f->u.constant); return;
    case FunctionDesignatorFactor: {
        FunctionDesignator* call = f->u.call;
        Function* fn = call->func ? call->func->u.function : nullptr;
        if (!fn) return;
        if (fn->kind == UserFunc)
            GenCall(call->func, call->actuals);
        else
            GenBuiltinFunction(call->func, call->actuals, call->resultType);
        break;
    }
    case ParenExpression: GenExpr(f->u.expression, false); break;
    case NotFactor:
        GenFactor(f->u.operand);
        EmitOp(IsBooleanHost(f->u.operand->PromotedType) ? Op::LNOT : Op::NOT);
        break;
    case SetConstructorFactor: GenSetConstructor(f->u.set); return;
    case ObjectCallFactor: GenObjectFunction(f->u.objectCall); return;
    case BadFactor: return;
    }
    if (f->sign == SignMinus) Negate(f->PromotedType);
}

bool IsAddingOperator(int32_t op) {
    return op == PLUStok || op == MINUStok || op == ORtok || op == XORtok;
}
bool IsRelational(int32_t op) {
    return op == EQUALtok || op == NOT_EQUALtok || op == LESStok || op == LESS_EQUALtok ||
           op == GREATER_EQUALtok || op == GREATERtok || op == INtok;
}

bool IsCharOrStringType(Type* t) { return IsCharHost(t) || IsStringType(t); }

// An operand of an operation on `resultClass` values: an integral operand of a real
// operation becomes real.
void GenOperand(Expression* e, bool toReal, bool negateFirstTerm = false) {
    GenExpr(e, negateFirstTerm);
    if (toReal && !IsRealHost(e->PromotedType))
        EmitOp(IsUnsignedHost(e->PromotedType) ? Op::UTOR : Op::ITOR);
}

// One row per comparison: the signed, unsigned and real forms.
struct CompareRow {
    int32_t oper;
    Op sgn, uns, real;
};
constexpr CompareRow COMPARE[] = {
    {EQUALtok, Op::EQ, Op::EQ, Op::EQR},          {NOT_EQUALtok, Op::NE, Op::NE, Op::NER},
    {LESStok, Op::LT, Op::LTU, Op::LTR},          {LESS_EQUALtok, Op::LE, Op::LEU, Op::LER},
    {GREATER_EQUALtok, Op::GE, Op::GEU, Op::GER}, {GREATERtok, Op::GT, Op::GTU, Op::GTR},
};

const CompareRow* CompareRowOf(int32_t oper) {
    for (const CompareRow& row : COMPARE)
        if (row.oper == oper) return &row;
    return nullptr;
}

void GenRelation(Expression* e) {
    Type* l = e->left->PromotedType;
    Type* r = e->right->PromotedType;
    if (e->oper == INtok) {
        GenExpr(e->left, false);
        GenExpr(e->right, false);
        EmitOpWord(Op::SETIN, LIST_SET_KIND);
        return;
    }
    if (HostOf(l)->kind == SetType || HostOf(r)->kind == SetType) {
        GenExpr(e->left, false);
        GenExpr(e->right, false);
        switch (e->oper) {
        case EQUALtok: EmitOpWord(Op::SETEQ, LIST_SET_KIND); return;
        case NOT_EQUALtok:
            EmitOpWord(Op::SETEQ, LIST_SET_KIND);
            EmitOp(Op::LNOT);
            return;
        case LESS_EQUALtok: EmitOpWord(Op::SETLE, LIST_SET_KIND); return;
        case GREATER_EQUALtok: EmitOpWord(Op::SETGE, LIST_SET_KIND); return;
        default: return;   // rejected by the front end
        }
    }
    const CompareRow* row = CompareRowOf(e->oper);
    if (!row) return;
    const bool bothChars = IsCharHost(e->left->ActualType) && IsCharHost(e->right->ActualType);
    if (!bothChars && IsCharOrStringType(e->left->ActualType) &&
        IsCharOrStringType(e->right->ActualType)) {
        GenStringValue(e->left);
        GenStringValue(e->right);
        EmitOp(Op::STRCMP);
        EmitOp(Op::PUSH0);
        EmitOp(row->sgn);
        return;
    }
    if (IsRealHost(l) || IsRealHost(r)) {
        GenOperand(e->left, true);
        GenOperand(e->right, true);
        EmitOp(row->real);
        return;
    }
    // What is left are words: ordinals, pointers, lists, objects and directories. The front
    // end admits no other operands (records, arrays other than strings and variants are
    // "Operand has invalid type.").
    const Rep lr = TypeRepOf(l);
    TPC_CHECK(lr == Rep::Word || lr == Rep::Byte || lr == Rep::Half || lr == Rep::HalfSigned);
    GenExpr(e->left, false);
    GenExpr(e->right, false);
    EmitOp(IsWordLike(l) || IsWordLike(r) ? row->uns : row->sgn);
}

// How a binary node that is not a relation is generated. Each node is split in three:
// what comes before its left operand (Before), how the left operand is generated, and
// what follows it (After: the right operand and the operation). GenExpr walks down a
// chain of such nodes with a loop, so that a + b + ... + z needs no stack per term.
enum class BinaryForm { ShortAnd, ShortOr, Set, String, Arithmetic };

BinaryForm FormOf(Expression* e) {
    const int32_t op = e->oper;
    Type* result = HostOf(e->PromotedType);
    const bool boolean = result == BoolT;
    if (op == AND_THENtok || (op == ANDtok && boolean && IsFlagOption(opt::sc)))
        return BinaryForm::ShortAnd;
    if (op == OR_ELSEtok || (op == ORtok && boolean && IsFlagOption(opt::sc)))
        return BinaryForm::ShortOr;
    if (result->kind == SetType) return BinaryForm::Set;
    if (IsStringType(result) ||
        (op == PLUStok && IsCharOrStringType(e->left->ActualType) &&
         IsCharOrStringType(e->right->ActualType) && result->kind != CharType))
        return BinaryForm::String;
    return BinaryForm::Arithmetic;
}

// Short-circuit form: the value pushed first is the result when the jump is taken.
// Returns whether the left operand carries the leading sign of the simple expression.
bool GenBinaryBefore(Expression* e, BinaryForm form, bool negateFirstTerm) {
    switch (form) {
    case BinaryForm::ShortAnd: EmitOp(Op::PUSH0); return false;
    case BinaryForm::ShortOr: EmitOp(Op::PUSH1); return false;
    case BinaryForm::Arithmetic:
        return IsAddingOperator(e->oper) && (negateFirstTerm || e->sign == SignMinus);
    default: return false;
    }
}

void EmitArithmetic(int32_t op, Type* result) {
    const bool real = IsRealHost(result);
    const bool uns = IsWordLike(result);
    switch (op) {
    case PLUStok: EmitOp(real ? Op::ADDR : Op::ADD); return;
    case MINUStok: EmitOp(real ? Op::SUBR : Op::SUB); return;
    case STARtok: EmitOp(real ? Op::MULR : uns ? Op::MULU : Op::MUL); return;
    case SLASHtok: EmitOp(Op::DIVR); return;
    case DIVtok: EmitOp(uns ? Op::DIVU : Op::DIV); return;
    case MODtok: EmitOp(uns ? Op::MODU : Op::MOD); return;
    case ANDtok: EmitOp(result == BoolT ? Op::LAND : Op::AND); return;
    case ORtok: EmitOp(Op::OR); return;
    case XORtok: EmitOp(Op::XOR); return;
    case SHLtok: EmitOp(Op::SHL); return;
    case SHRtok: EmitOp(Op::SHR); return;
    default: return;
    }
}

// Everything after the left operand's own code.
void GenBinaryAfter(Expression* e, BinaryForm form, bool negateFirstTerm) {
    Type* result = HostOf(e->PromotedType);
    switch (form) {
    case BinaryForm::ShortAnd:
    case BinaryForm::ShortOr: {
        const uint32_t skip = EmitForwardJump(form == BinaryForm::ShortAnd ? Op::JZ : Op::JNZ);
        EmitOp(Op::POP);
        GenExpr(e->right, false);
        ResolveJumpHere(skip);
        break;
    }
    case BinaryForm::Set: {
        GenExpr(e->right, false);
        const Op setOp = e->oper == PLUStok    ? Op::SETADD
                         : e->oper == MINUStok ? Op::SETDIFF
                                               : Op::SETMUL;
        EmitOpWord(setOp, LIST_SET_KIND);
        break;
    }
    case BinaryForm::String:
        if (IsCharHost(e->left->PromotedType)) EmitOp(Op::PUSHT);
        GenStringValue(e->right);
        EmitCallStd(Std::Concat);
        break;
    case BinaryForm::Arithmetic: {
        const bool real = IsRealHost(result);
        if (real && !IsRealHost(e->left->PromotedType))
            EmitOp(IsUnsignedHost(e->left->PromotedType) ? Op::UTOR : Op::ITOR);
        GenOperand(e->right, real);
        EmitArithmetic(e->oper, result);
        break;
    }
    }
    if (negateFirstTerm && !IsAddingOperator(e->oper)) Negate(e->PromotedType);
}

// A node that ends the walk down the left operands: a factor or a relation.
void GenChainStart(Expression* e, bool negateFirstTerm) {
    if (e->factor) {
        GenFactor(e->factor);
        if (negateFirstTerm) Negate(e->PromotedType);
        return;
    }
    GenRelation(e);
    if (negateFirstTerm) Negate(e->PromotedType);
}

// A node above the chain's start, with the sign it was given and, for an operator, its
// form.
struct ChainLink {
    Expression* e;
    bool negateFirstTerm;
    BinaryForm form;
};

// The leading sign of a simple expression belongs to its first term: -a + b is (-a) + b.
// The parser marks the whole simple expression, so the mark is carried down the chain of
// adding operators to the term that starts it (negateFirstTerm). Wrappers and binary
// operators are walked with a loop; right operands and parentheses recurse, and the
// parser bounds their nesting.
void GenExpr(Expression* e, bool negateFirstTerm) {
    if (!e || !GenerateCode()) return;
    LeftChain<ChainLink> chain;
    while (!e->factor && !IsRelational(e->oper)) {
        if (e->oper == UNDEFtok) {
            // A wrapper only matters on the way back when it has a sign to apply.
            if (negateFirstTerm != (e->sign == SignMinus))
                chain.Push({e, negateFirstTerm, BinaryForm::Arithmetic});
            negateFirstTerm = false;
        } else {
            const BinaryForm form = FormOf(e);
            chain.Push({e, negateFirstTerm, form});
            negateFirstTerm = GenBinaryBefore(e, form, negateFirstTerm);
        }
        e = e->left;
    }
    GenChainStart(e, negateFirstTerm);
    while (!chain.Empty()) {
        const ChainLink link = chain.Pop();
        Expression* node = link.e;
        if (node->oper == UNDEFtok) {
            if (link.negateFirstTerm != (node->sign == SignMinus)) Negate(node->left->PromotedType);
        } else {
            GenBinaryAfter(node, link.form, link.negateFirstTerm);
        }
    }
}

}  // namespace

void GenExpression(Expression* e) {
    if (!e || !GenerateCode()) return;
    ReportMessage(msg::TraceGenExpression, &e->pos);
    GenExpr(e, false);
}

void GenRealValue(Expression* e) {
    if (e && TypeRepOf(e->PromotedType) == Rep::Variant) {
        GenExpression(e);
        GenVariantConversion(RealT);
        return;
    }
    GenOperand(e, true);
}

void GenStringValue(Expression* e) {
    GenExpr(e, false);
    if (IsCharHost(e->PromotedType)) EmitOp(Op::PUSHT);
    if (TypeRepOf(e->PromotedType) == Rep::Variant) GenVariantConversion(StringT);
}

}  // namespace tarn::tpc
