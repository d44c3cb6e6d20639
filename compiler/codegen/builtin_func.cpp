// stdfunc: built-in functions. Most are their argument followed by one standard routine;
// the ordinal ones are compiled inline.
#include "compiler/codegen/gen_expr.h"

#include "compiler/base/options.h"
#include "compiler/front/records.h"
#include "compiler/front/finish.h"

namespace tarn::tpc {

using vm::Op;

namespace {

// Functions of one real argument (an integral one is converted first) that are one
// standard routine each.
struct RealFunction {
    int32_t kind;
    uint32_t routine;
};
constexpr RealFunction kRealFunctions[] = {
    {2, 75},  {7, 76},  {8, 77},  {14, 78}, {19, 79}, {22, 80}, {35, 81},
    {36, 82}, {52, 88}, {53, 89}, {56, 87}, {63, 90}, {64, 91},
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
    uint32_t routine;
};
constexpr RoutineFunction kRoutineFunctions[] = {
    {5, "SI", 'I', 0x7FFFFFFF, 117},  // copy
    {6, "SI", 'S', 0, 148},           // copyword (no delimiters: the empty string)
    {9, "S", 'S', 0, 149},            // countwords
    {11, "", 0, 0, 143},              // dirsep
    {15, "S", 0, 0, 22},              // fexpand
    {16, "SS", 0, 0, 179},            // filematch
    {20, "S", 0, 0, 119},             // getenv
    {21, "I", 0, 0, 120},             // hex
    {23, "", 0, 0, 98},               // ioresult, getlasterror
    {24, "I", 0, 0, 2},  {25, "I", 0, 0, 3}, {26, "I", 0, 0, 4}, {27, "I", 0, 0, 5},
    {29, "I", 0, 0, 6},  {30, "I", 0, 0, 7}, {31, "I", 0, 0, 8}, {32, "I", 0, 0, 9},
    {33, "", 0, 0, 137},              // keypressed
    {37, "I", 0, 0, 10},              // locase
    {38, "S", 0, 0, 123},             // lowercase
    {41, "", 0, 0, 99},               // paramcount
    {42, "I", 0, 0, 100},             // paramstr
    {44, "", 0, 0, 101},              // platform
    {45, "SS", 'I', 1, 124},          // pos
    {49, "", 0, 0, 138},              // readkey
    {50, "S", 0, 0, 125},             // reverse
    {58, "", 0, 0, 109},              // stacktop
    {60, "I", 0, 0, 180},             // supported
    {61, "I", 0, 0, 130},             // swap
    {62, "S", 0, 0, 131},             // system
    {65, "S", 0, 0, 127},             // trim
    {67, "I", 0, 0, 11},              // upcase
    {68, "S", 0, 0, 128},             // uppercase
    {69, "S", 0, 0, 147},             // urldecode
    {70, "", 0, 0, 141},              // wherex
    {71, "", 0, 0, 142},              // wherey
    {72, "", 0, 0, 168},              // unixplatform
    {73, "", 0, 0, 181},              // version
    {75, "", 0, 0, 188},              // stopserviceevent
};

Expression* Arg(List* actuals, uint32_t i);

// False when an argument is missing or of a kind this generator does not take.
bool GenArgument(char cls, Expression* e) {
    if (!e || TypeRepOf(e->PromotedType) == Rep::Variant) return false;
    switch (cls) {
    case 'S': GenStringValue(e); return true;
    case 'R': GenRealValue(e); return true;
    default: GenExpression(e); return true;
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
    EmitOpWord(Op::CALLSTD, row.routine);
    return true;
}

Expression* Arg(List* actuals, uint32_t i) {
    if (i > ListCount(actuals)) return nullptr;
    ActualParm* a = static_cast<ActualParm*>(ListGet(actuals, i));
    return a->kind == ActualParmExpr ? a->u.expr : nullptr;
}

// True when every actual is an expression this generator takes (no variants yet).
bool AllPlainExpressions(List* actuals) {
    for (uint32_t i = 1; i <= ListCount(actuals); i++) {
        Expression* e = Arg(actuals, i);
        if (!e || TypeRepOf(e->PromotedType) == Rep::Variant) return false;
    }
    return true;
}

// succ and pred: the result must stay inside the argument's type.
void Step(Expression* e, bool up) {
    GenExpression(e);
    int64_t low = 0, high = 0;
    if (IsFlagOption(opt::r) && Bounds(e->PromotedType, low, high)) {
        const Op check = IsUnsignedHost(e->PromotedType) ? Op::CHKRNGU : Op::CHKRNG;
        EmitOpWords(check, static_cast<uint32_t>(up ? low : low + 1), static_cast<uint32_t>(up ? high - 1 : high));
    }
    EmitOp(Op::PUSH1);
    EmitOp(up ? Op::ADD : Op::SUB);
}

}  // namespace

void GenBuiltinFunction(Binding* b, List* actuals, Type*) {
    Function* f = b->u.function;
    Expression* x = Arg(actuals, 1);
    for (const RealFunction& row : kRealFunctions) {
        if (row.kind != f->kind) continue;
        if (!x) break;
        GenRealValue(x);
        EmitOpWord(Op::CALLSTD, row.routine);
        return;
    }
    for (const RoutineFunction& row : kRoutineFunctions) {
        if (row.kind != f->kind) continue;
        if (GenRoutineFunction(row, actuals)) return;
        CodeGenMissingBuiltin("this form of built-in function", f->kind);
        return;
    }
    switch (f->kind) {
    case 4: {  // concat
        if (!x || ListCount(actuals) < 2) break;
        GenStringValue(x);
        for (uint32_t i = 2; i <= ListCount(actuals); i++) {
            Expression* e = Arg(actuals, i);
            if (!e) return;
            GenStringValue(e);
            EmitOpWord(Op::CALLSTD, 116);
        }
        return;
    }
    case 48:  // random
        if (x) {
            GenExpression(x);
            EmitOpWord(Op::CALLSTD, 104);
        } else {
            EmitOpWord(Op::CALLSTD, 103);
        }
        return;
    case 54: {  // sizeof: a constant
        ActualParm* a = ListCount(actuals) >= 1 ? static_cast<ActualParm*>(ListGet(actuals, 1)) : nullptr;
        if (!a) break;
        Type* t = a->kind == ActualParmType ? a->u.type : a->kind == ActualParmExpr ? a->u.expr->ActualType : nullptr;
        if (!t) break;
        PushInteger(static_cast<int32_t>(ResolveType(t)->size));
        return;
    }
    case 57:  // stackframe
        EmitOpWord(Op::CALLSTD, 108);
        if (IsFlagOption(opt::i)) EmitOp(Op::CHKERR);
        return;
    case 0:   // abs
        if (!x) break;
        GenExpression(x);
        if (IsRealHost(x->PromotedType))
            EmitOpWord(Op::CALLSTD, 73);
        else if (!IsUnsignedHost(x->PromotedType))
            EmitOpWord(Op::CALLSTD, 74);
        return;
    case 55:  // sqr
        if (!x) break;
        GenExpression(x);
        EmitOpWord(Op::CALLSTD, IsRealHost(x->PromotedType) ? 85 : 86);
        return;
    case 3:   // chr
        if (!x) break;
        GenExpression(x);
        if (IsFlagOption(opt::r)) EmitOpWords(Op::CHKRNG, 0, 255);
        return;
    case 39:  // odd
        if (!x) break;
        GenExpression(x);
        EmitOp(Op::PUSH1);
        EmitOp(Op::AND);
        return;
    case 40:  // ord
        if (!x) break;
        GenExpression(x);
        return;
    case 46:  // pred
    case 59:  // succ
        if (!x) break;
        Step(x, f->kind == 59);
        return;
    case 51:  // round
        if (!x) break;
        GenRealValue(x);
        EmitOpWord(Op::CALLSTD, 84);
        return;
    case 66:  // trunc
        if (!x) break;
        GenRealValue(x);
        EmitOp(Op::TRUNC);
        return;
    case 12:  // eof
    case 13:  // eoln
        GenFileFunction(f->kind, actuals, f->kind == 12 ? 19 : 20);
        return;
    case 43:  // pi
        EmitOpWord(Op::CALLSTD, 83);
        return;
    case 34: {  // length
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
            VarAccess* list = AccessOf(x);
            if (!list) break;
            GenAddress(list);
            EmitOpWord(Op::CALLSTD, 71);
            return;
        }
        if (t->kind != StringType && t->kind != CStringType) break;
        GenStringValue(x);
        EmitOpWord(Op::CALLSTD, 122);
        return;
    }
    case 74: {  // wait(timeout, h1, ..., hn): timeout, hn ... h1, n
        const uint32_t n = ListCount(actuals);
        if (!x || !AllPlainExpressions(actuals)) break;
        GenExpression(x);
        for (uint32_t i = n; i >= 2; i--) GenExpression(Arg(actuals, i));
        PushInteger(static_cast<int32_t>(n - 1));
        EmitOpWord(Op::CALLSTD, 189);
        return;
    }
    default: break;
    }
    CodeGenMissingBuiltin("built-in function", f->kind);
}

}  // namespace tarn::tpc
