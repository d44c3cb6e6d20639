// check_expr: typing and checking expressions and parameters (see check_expr.h).
#include "compiler/front/check_expr.h"

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


Type* NegatedType(Type* t) {
    t = ResolveType(t);
    switch (t->kind) {
    case SubrangeType: {
        int64_t low, high;
        OrdinalRange(t, low, high);
        int64_t m =
            std::min<int64_t>(std::max(low < 0 ? -low : low, high < 0 ? -high : high), MAX_INT);
        return CreateSubrangeTypeFromValues(static_cast<int32_t>(-m), static_cast<int32_t>(m),
                                            IntegerT, &t->pos);
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
    bool ok = IsBooleanType(f->PromotedType) ||
              (IsFlagOption(opt::eop) && IsIntegralType(f->PromotedType));
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
            bool numeric = c->kind == ConstantInteger || c->kind == ConstantCardinal ||
                           c->kind == ConstantReal ||
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
    Type* base = CreateSubrangeTypeFromValues(static_cast<int32_t>(low), static_cast<int32_t>(high),
                                              element, &where);
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
    if (!IsBooleanType(o.l) || !IsBooleanType(o.r)) return Expect("Boolean expression", o, BoolT);
    return BoolT;
}

static Type* Logical(const Operands& o) {
    if (IsFlagOption(opt::eop) && (IsIntegralType(o.l) || IsIntegralType(o.r))) {
        if (!IsIntegralType(o.l) || !IsIntegralType(o.r))
            return Expect("Integer expression", o, IntegerT);
        return IntegralResult(o.l, o.r);
    }
    return BooleanOnly(o);
}

static Type* DivMod(const Operands& o) {
    if (IsAddress(o.l) || IsAddress(o.r)) return Invalid(o, IntegerT);
    if (!IsIntegralType(o.l) || !IsIntegralType(o.r))
        return Expect("Integer expression", o, IntegerT);
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
    if (!IsEmptySetType(o.r) && !IsSameType(o.l, CanonicalBase(o.r))) return Mismatch(o, BoolT);
    return BoolT;
}

// Set operands go together when their bases are the same and, for two declared set types,
// both or neither are packed (a constructor's value belongs to either).
static bool SameSetBase(Type* a, Type* b) {
    if (IsEmptySetType(a) || IsEmptySetType(b)) return true;
    if (!IsSameType(CanonicalBase(a), CanonicalBase(b))) return false;
    return a->u.set.constructor || b->u.set.constructor || (a->packed != 0) == (b->packed != 0);
}

static Type* SetArithmetic(const Operands& o) {
    if (!IsSet(o.l) || !IsSet(o.r)) return Expect("Set expression", o, BadT);
    if (!SameSetBase(o.l, o.r)) return Mismatch(o, o.la);
    return IsEmptySetType(o.la) ? o.ra : o.la;
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

static bool IsCharOrString(Type* t) { return IsCharType(t) || IsStringType(t); }

static Type* Plus(const Operands& o) {
    if (IsFlagOption(opt::eop) && IsCharOrString(o.la) && IsCharOrString(o.ra)) return StringT;
    if (IsAddress(o.l) && IsAddress(o.r)) return Invalid(o, AddressT);
    if ((IsAddress(o.l) && IsIntegralType(o.r)) || (IsIntegralType(o.l) && IsAddress(o.r)))
        return AddressT;
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
    if (structured && either([](Type* t) {
            return t->kind == ListType || t->kind == ObjectType || t->kind == DirType;
        }))
        return IsSameType(o.l, o.r) ? BoolT : Mismatch(o, BoolT);
    if (structured &&
        either([](Type* t) { return t->kind == PointerType || t->kind == AddressType; }) &&
        !(IsIntegralType(o.l) && IsIntegralType(o.r)))
        return IsCompatibleType(o.l, o.r) ? BoolT : Mismatch(o, BoolT);
    if (structured && either(IsSet))
        return IsSet(o.l) && IsSet(o.r) && SameSetBase(o.l, o.r) ? BoolT : Mismatch(o, BoolT);
    if (IsCharOrString(o.la) && IsCharOrString(o.ra))
        return IsCompatibleType(o.la, o.ra) ? BoolT : Mismatch(o, BoolT);
    if (!IsSimple(o.l) || !IsSimple(o.r)) return Invalid(o, BoolT);
    bool mixed =
        (IsIntegralType(o.l) && IsRealType(o.r)) || (IsRealType(o.l) && IsIntegralType(o.r));
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
static const OperatorRow OPERATORS[] = {
    {ANDtok, Logical},         {ORtok, Logical},
    {XORtok, Logical},         {AND_THENtok, BooleanOnly},
    {OR_ELSEtok, BooleanOnly}, {DIVtok, DivMod},
    {MODtok, DivMod},          {SHLtok, Shift},
    {SHRtok, Shift},           {INtok, In},
    {PLUStok, Plus},           {MINUStok, Arithmetic},
    {STARtok, Arithmetic},     {SLASHtok, Slash},
    {EQUALtok, Relation},      {NOT_EQUALtok, Relation},
    {LESStok, Relation},       {GREATERtok, Relation},
    {LESS_EQUALtok, Relation}, {GREATER_EQUALtok, Relation},
};

static Type* CheckOperator(const Operands& o) {
    for (const OperatorRow& row : OPERATORS)
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
    if (!IsFlagOption(opt::s) && f->kind == a->kind &&
        (f->kind == StringType || f->kind == CStringType))
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
              (actual->kind == UserFunc) == (fh->result != nullptr) &&
              Congruent(fh, actual->heading);
    if (!ok) ReportMessage(msg::TypeMismatch, pos);
    return ok;
}

// Resolved kinds an external routine may take by value (bit per TypeKind).
static constexpr uint32_t Bit(TypeKind k) { return 1u << k; }
static constexpr uint32_t EXTERNAL_VALUE_KINDS =
    Bit(EnumType) | Bit(PointerType) | Bit(AddressType) | Bit(RecordType) | Bit(SubrangeType) |
    Bit(CharType) | Bit(IntegerType) | Bit(FloatType) | Bit(RealType) | Bit(ShortIntType) |
    Bit(ShortWordType) | Bit(ByteType) | Bit(WordType) | Bit(BadType);
static constexpr uint32_t EXTERNAL_RESULT_KINDS = EXTERNAL_VALUE_KINDS | Bit(ArrayType);
static constexpr uint32_t EXTERNAL_VAR_KINDS =
    EXTERNAL_VALUE_KINDS | Bit(ArrayType) | Bit(StringType) | Bit(CStringType);

static bool KindIn(Type* t, uint32_t kinds) { return (kinds & Bit(ResolveType(t)->kind)) != 0; }

void CheckExternalHeading(const FuncHeading* fh, const Position* pos) {
    TPC_CHECK(fh != nullptr);
    if (fh->result && !KindIn(fh->result->t, EXTERNAL_RESULT_KINDS))
        ReportMessage(msg::InvalidReturnType, pos);
    for (FormalParmSection* s :
         Items<FormalParmSection>(fh->parms ? fh->parms->sections : nullptr)) {
        bool ok = s->kind == FormalParmValue ? KindIn(s->u.ValueParmSpec.t, EXTERNAL_VALUE_KINDS)
                  : s->kind == FormalParmVar ? KindIn(s->u.VarParmSpec.t, EXTERNAL_VAR_KINDS)
                                             : false;
        if (!ok) ReportMessage(msg::InvalidExternalParameter, &s->pos);
    }
}

// A variable access, unsigned, under any wrappers and parentheses: the variable the
// expression names, or null for any other expression.
VarAccess* VariableOf(Expression* e) {
    while (e && !e->factor && e->oper == UNDEFtok && e->sign == SignNone) e = e->left;
    if (!e || !e->factor) return nullptr;
    Factor* f = e->factor;
    while (f->kind == ParenExpression && f->sign == SignNone) {
        Expression* inner = f->u.expression;
        while (inner && !inner->factor && inner->oper == UNDEFtok && inner->sign == SignNone)
            inner = inner->left;
        if (!inner || !inner->factor) return nullptr;
        f = inner->factor;
    }
    return f->kind == VarAccessFactor && f->sign == SignNone ? f->u.access : nullptr;
}

}  // namespace tarn::tpc
