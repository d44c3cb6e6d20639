// builtin_func: built-in functions. Most are their argument followed by one standard routine;
// the ordinal ones are compiled inline. The arguments were checked against each function's
// pattern by the front end (compiler/front/check_builtin.cpp), so the CodeGenMissingBuiltin
// fallbacks are reached only by variant arguments of the functions whose result has the
// argument's type.
#include "compiler/codegen/generator.h"

#include "compiler/base/options.h"
#include "compiler/front/records.h"
#include "compiler/front/case_values.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/layout.h"
#include "compiler/front/types.h"

namespace tarn::tpc {

using vm::Op;
using vm::Std;

namespace {

// Functions of one real argument (an integral one is converted first) that are one
// standard routine each.
struct RealFunction {
    int32_t kind;
    vm::Std routine;
};
constexpr RealFunction REAL_FUNCTIONS[] = {
    {builtin::ArcTan, Std::ArcTan}, {builtin::Cos, Std::Cos},   {builtin::Cosh, Std::Cosh},
    {builtin::Exp, Std::Exp},       {builtin::Frac, Std::Frac}, {builtin::Int, Std::Int},
    {builtin::Ln, Std::Ln},         {builtin::Log, Std::Log},   {builtin::Sin, Std::Sin},
    {builtin::Sinh, Std::Sinh},     {builtin::Sqrt, Std::Sqrt}, {builtin::Tan, Std::Tan},
    {builtin::Tanh, Std::Tanh},
};

// Functions that are their arguments followed by one standard routine. `args` gives the
// class of each argument: S a string value (a char becomes a string), I an integral or
// ordinal value, R a real value; `optional` the class of a last argument that may be
// omitted, pushed as `omitted` then.
struct RoutineFunction {
    int32_t kind;
    const char* args;
    char optional;
    int32_t omitted;
    vm::Std routine;
};
constexpr RoutineFunction ROUTINE_FUNCTIONS[] = {
    {builtin::Copy, "SI", 'I', 0x7FFFFFFF, Std::Copy},
    {builtin::CopyWord, "SI", 'S', 0, Std::CopyWord},  // no delimiters: the empty string
    {builtin::CountWords, "S", 'S', 0, Std::CountWords},
    {builtin::DirSep, "", 0, 0, Std::DirSep},
    {builtin::FExpand, "S", 0, 0, Std::FExpand},
    {builtin::FileMatch, "SS", 0, 0, Std::FileMatch},
    {builtin::GetEnv, "S", 0, 0, Std::GetEnv},
    {builtin::Hex, "I", 0, 0, Std::Hex},
    {builtin::IOResult, "", 0, 0, Std::IOResult},  // getlasterror has the same kind
    {builtin::IsAlpha, "I", 0, 0, Std::IsAlpha},
    {builtin::IsAlphaNum, "I", 0, 0, Std::IsAlphaNum},
    {builtin::IsDigit, "I", 0, 0, Std::IsDigit},
    {builtin::IsLower, "I", 0, 0, Std::IsLower},
    {builtin::IsPrint, "I", 0, 0, Std::IsPrint},
    {builtin::IsSpace, "I", 0, 0, Std::IsSpace},
    {builtin::IsUpper, "I", 0, 0, Std::IsUpper},
    {builtin::IsXDigit, "I", 0, 0, Std::IsXDigit},
    {builtin::KeyPressed, "", 0, 0, Std::KeyPressed},
    {builtin::LoCase, "I", 0, 0, Std::LoCase},
    {builtin::LowerCase, "S", 0, 0, Std::LowerCase},
    {builtin::ParamCount, "", 0, 0, Std::ParamCount},
    {builtin::ParamStr, "I", 0, 0, Std::ParamStr},
    {builtin::Platform, "", 0, 0, Std::Platform},
    {builtin::Pos, "SS", 'I', 1, Std::Pos},
    {builtin::ReadKey, "", 0, 0, Std::ReadKey},
    {builtin::Reverse, "S", 0, 0, Std::Reverse},
    {builtin::StackTop, "", 0, 0, Std::StackTop},
    {builtin::Supported, "I", 0, 0, Std::Supported},
    {builtin::Swap, "I", 0, 0, Std::Swap},
    {builtin::System, "S", 0, 0, Std::System},
    {builtin::Trim, "S", 0, 0, Std::Trim},
    {builtin::UpCase, "I", 0, 0, Std::UpCase},
    {builtin::UpperCase, "S", 0, 0, Std::UpperCase},
    {builtin::UrlDecode, "S", 0, 0, Std::UrlDecode},
    {builtin::WhereX, "", 0, 0, Std::WhereX},
    {builtin::WhereY, "", 0, 0, Std::WhereY},
    {builtin::UnixPlatform, "", 0, 0, Std::UnixPlatform},
    {builtin::Version, "", 0, 0, Std::Version},
    {builtin::StopServiceEvent, "", 0, 0, Std::StopServiceEvent},
};

Expression* Arg(List* actuals, uint32_t i);

// False when an argument is missing. A variant is converted to the argument's class.
bool GenArgument(char cls, Expression* e) {
    if (!e) return false;
    switch (cls) {
    case 'S': GenStringValue(e); return true;
    case 'R': GenRealValue(e); return true;
    default: GenOrdinal(e); return true;
    }
}

bool GenRoutineFunction(const RoutineFunction& row, List* actuals) {
    uint32_t i = 1;
    for (const char* c = row.args; *c; c++, i++)
        if (!GenArgument(*c, Arg(actuals, i))) return false;
    if (row.optional) {
        if (Expression* e = Arg(actuals, i)) {
            if (!GenArgument(row.optional, e)) return false;
        } else if (row.omitted == 0x7FFFFFFF) {
            EmitOpWord(Op::PUSHI, 0x7FFFFFFF);
        } else {
            PushInteger(row.omitted);
        }
    }
    EmitCallStd(row.routine);
    return true;
}

Expression* Arg(List* actuals, uint32_t i) {
    if (i > ListCount(actuals)) return nullptr;
    ActualParm* a = static_cast<ActualParm*>(ListGet(actuals, i));
    return a->kind == ActualParmExpr ? a->u.expr : nullptr;
}

// True when every actual is an expression.
bool AllPlainExpressions(List* actuals) {
    for (uint32_t i = 1; i <= ListCount(actuals); i++)
        if (!Arg(actuals, i)) return false;
    return true;
}

// succ and pred: the result must stay inside the argument's type.
void Step(Expression* e, bool up) {
    GenOrdinal(e);
    int64_t low = 0, high = 0;
    if (IsFlagOption(opt::r) && Bounds(e->PromotedType, low, high)) {
        const Op check = IsUnsignedHost(e->PromotedType) ? Op::CHKRNGU : Op::CHKRNG;
        EmitOpWords(check, static_cast<uint32_t>(up ? low : low + 1),
                    static_cast<uint32_t>(up ? high - 1 : high));
    }
    EmitOp(Op::PUSH1);
    EmitOp(up ? Op::ADD : Op::SUB);
}

// Functions whose result has their argument's type.
bool TakesArgumentType(int32_t kind) {
    return kind == builtin::Abs || kind == builtin::Sqr || kind == builtin::Ord ||
           kind == builtin::Pred || kind == builtin::Succ;
}

}  // namespace

void GenBuiltinFunction(Binding* b, List* actuals, Type*) {
    Function* f = b->u.function;
    Expression* x = Arg(actuals, 1);
    if (x && TypeRepOf(x->PromotedType) == Rep::Variant && TakesArgumentType(f->kind)) {
        // The result would have the argument's type: a variant no instruction yields.
        CodeGenMissingBuiltin("a variant argument of", f->kind);
        return;
    }
    for (const RealFunction& row : REAL_FUNCTIONS) {
        if (row.kind != f->kind) continue;
        if (!x) break;
        GenRealValue(x);
        EmitCallStd(row.routine);
        return;
    }
    for (const RoutineFunction& row : ROUTINE_FUNCTIONS) {
        if (row.kind != f->kind) continue;
        if (GenRoutineFunction(row, actuals)) return;
        CodeGenMissingBuiltin("this form of built-in function", f->kind);
        return;
    }
    switch (f->kind) {
    case builtin::Concat: {
        if (!x || ListCount(actuals) < 2) break;
        GenStringValue(x);
        for (uint32_t i = 2; i <= ListCount(actuals); i++) {
            Expression* e = Arg(actuals, i);
            if (!e) return;
            GenStringValue(e);
            EmitCallStd(Std::Concat);
        }
        return;
    }
    case builtin::Random:
        if (x) {
            GenOrdinal(x);
            EmitCallStd(Std::RandomRange);
        } else {
            EmitCallStd(Std::RandomReal);
        }
        return;
    case builtin::SizeOf: {  // sizeof: a constant
        ActualParm* a =
            ListCount(actuals) >= 1 ? static_cast<ActualParm*>(ListGet(actuals, 1)) : nullptr;
        if (!a) break;
        Type* t = a->kind == ActualParmType   ? a->u.type
                  : a->kind == ActualParmExpr ? a->u.expr->ActualType
                                              : nullptr;
        if (!t) break;
        PushInteger(static_cast<int32_t>(ResolveType(t)->size));
        return;
    }
    case builtin::StackFrame:
        EmitCallStd(Std::StackFrame);
        if (IsFlagOption(opt::i)) EmitOp(Op::CHKERR);
        return;
    case builtin::Abs:
        if (!x) break;
        GenOrdinal(x);
        if (IsRealHost(x->PromotedType))
            EmitCallStd(Std::AbsReal);
        else if (!IsUnsignedHost(x->PromotedType))
            EmitCallStd(Std::AbsInteger);
        return;
    case builtin::Sqr:
        if (!x) break;
        GenOrdinal(x);
        EmitCallStd(IsRealHost(x->PromotedType) ? Std::SqrReal : Std::SqrInteger);
        return;
    case builtin::Chr:
        if (!x) break;
        GenOrdinal(x);
        if (IsFlagOption(opt::r)) EmitOpWords(Op::CHKRNG, 0, 255);
        return;
    case builtin::Odd:
        if (!x) break;
        GenOrdinal(x);
        EmitOp(Op::PUSH1);
        EmitOp(Op::AND);
        return;
    case builtin::Ord:
        if (!x) break;
        GenOrdinal(x);
        return;
    case builtin::Pred:
    case builtin::Succ:
        if (!x) break;
        Step(x, f->kind == builtin::Succ);
        return;
    case builtin::Round:
        if (!x) break;
        GenRealValue(x);
        EmitCallStd(Std::Round);
        return;
    case builtin::Trunc:
        if (!x) break;
        GenRealValue(x);
        EmitOp(Op::TRUNC);
        return;
    case builtin::Eof:
    case builtin::Eoln:
        GenFileFunction(f->kind, actuals, f->kind == builtin::Eof ? Std::Eof : Std::Eoln);
        return;
    case builtin::FilePos:
    case builtin::FileSize:
        if (!x) break;
        GenFileFunction(f->kind, actuals, f->kind == builtin::FilePos ? Std::FilePos : Std::FileSize);
        return;
    case builtin::Addr: {  // addr(v): the variable's VM address as a host address
        VarAccess* v = VariableOf(x);
        if (!v) break;
        GenAddress(v);
        EmitOp(Op::RELHOST);
        return;
    }
    case builtin::Ptr:  // ptr(a): a host address (or an integral one) back as a VM pointer
        if (!x) break;
        GenOrdinal(x);
        EmitOp(Op::HOSTREL);
        return;
    case builtin::Pi:
        EmitCallStd(Std::Pi);
        return;
    case builtin::CreateObject:
        if (!x) break;
        GenCreateObject(x);
        return;
    case builtin::IsNull:
        if (!x) break;
        GenIsNull(x);
        return;
    case builtin::Length: {
        if (!x) break;
        Type* t = ResolveType(x->ActualType);
        if (HostOf(t)->kind == CharType) {
            EmitOp(Op::PUSH1);
            return;
        }
        if (t->kind == ArrayType && IsStringType(t)) {
            int64_t low = 0, high = 0;
            Bounds(t->u.array.IndexType, low, high);
            PushInteger(static_cast<int32_t>(high - low + 1));
            return;
        }
        if (t->kind == ListType) {
            VarAccess* list = VariableOf(x);
            if (!list) break;
            GenAddress(list);
            EmitCallStd(Std::ListLength);
            return;
        }
        if (t->kind != StringType && t->kind != CStringType && t->kind != VariantType) break;
        GenStringValue(x);
        EmitCallStd(Std::Length);
        return;
    }
    case builtin::Wait: {  // wait(timeout, h1, ..., hn): timeout, hn ... h1, n
        const uint32_t n = ListCount(actuals);
        if (!x || !AllPlainExpressions(actuals)) break;
        GenOrdinal(x);
        for (uint32_t i = n; i >= 2; i--) GenOrdinal(Arg(actuals, i));
        PushInteger(static_cast<int32_t>(n - 1));
        EmitCallStd(Std::Wait);
        return;
    }
    default: break;
    }
    CodeGenMissingBuiltin("built-in function", f->kind);
}

}  // namespace tarn::tpc
