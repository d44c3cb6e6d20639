// gen_call: calls of user routines and procedural parameters.
//
// A call builds the callee's parameter area on the stack in declaration order: the result
// slot of a function first (highest address), then one slot per parameter, then the
// static link; CALL pushes the return address. The callee's RETD drops everything but
// the result slot, which the caller then finds on top of the stack.
#include "compiler/codegen/generator.h"

#include <unordered_map>
#include <vector>

#include "compiler/writer/image.h"
#include "compiler/base/alloc.h"
#include "compiler/base/options.h"
#include "compiler/front/records.h"
#include "compiler/front/case_values.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/layout.h"
#include "compiler/front/types.h"
#include "vm/bytes.h"

namespace tarn::tpc {

using vm::Op;
using vm::Std;

namespace {

// The static link for a routine whose block is at level `bodyLevel`: the frame of the
// block that declares it.
void PushStaticLink(int32_t bodyLevel) {
    const int32_t declaredIn = bodyLevel - 1;
    if (declaredIn < 1) {
        EmitOp(Op::PUSH0);
        return;
    }
    PushFrame(CodeLevel() - declaredIn);
}

// A function's result slot is rewritten into the stack form of its type where the two
// differ: a byte or half-word result becomes a whole word.
void NormalizeResult(Type* t) {
    switch (TypeRepOf(t)) {
    case Rep::Byte:
    case Rep::Half:
    case Rep::HalfSigned:
        EmitOp(Op::PUSHSP);
        EmitOp(Op::DUP);
        EmitOp(TypeRepOf(t) == Rep::Byte   ? Op::LOADB
               : TypeRepOf(t) == Rep::Half ? Op::LOADH
                                           : Op::LOADHS);
        EmitOp(Op::STOREW);
        return;
    case Rep::Word:
    case Rep::Real:
    case Rep::Block:
        return;
    case Rep::Single: CodeGenMissing("functions returning single"); return;
    case Rep::Str1:
    case Rep::Str4:
        // The slot holds the string as stored: prefix, then characters.
        EmitOp(TypeRepOf(t) == Rep::Str1 ? Op::PUSH1 : Op::PUSH4);
        EmitOpWord(Op::STRNORM, vm::Align4(ResolveType(t)->size));
        return;
    case Rep::CStr: EmitOpWord(Op::CSTRLD, vm::Align4(ResolveType(t)->size)); return;
    case Rep::CharArray: PushInteger(static_cast<int32_t>(ResolveType(t)->size)); return;
    case Rep::BitSet: {
        int64_t low = 0, count = 0;
        SetBase(t, low, count);
        PushInteger(static_cast<int32_t>(low));
        PushInteger(static_cast<int32_t>(count));
        EmitOp(Op::BITS2LST);
        return;
    }
    case Rep::ListSet: EmitOpWord(Op::STRFIT, vm::Align4(ResolveType(t)->size)); return;
    case Rep::Variant: CodeGenMissing("variants"); return;
    case Rep::None: return;
    }
}

}  // namespace

namespace {

// The variables of procedural parameters, by the parameter's routine record.
std::unordered_map<const Function*, Variable*>& ProceduralParameters() {
    static std::unordered_map<const Function*, Variable*> map;
    return map;
}

// A parameter slot: the argument's size rounded up to whole words (an address for a
// variable parameter).
uint32_t SlotSize(const Variable* v) { return v->byRef ? 4 : vm::Align4(ResolveType(v->t)->size); }

// The code offset of routine f: its CALL or PUSHI operand, filled in later while f is
// only declared forward.
void EmitCodeOffset(Op op, Function* f) {
    if (f->cg[1]) {
        EmitOpWord(op, f->cg[0]);
        return;
    }
    if (!f->cgLists[0]) f->cgLists[0] = ListCreate();
    ListAppend(f->cgLists[0], AsItem(OperandPosition(EmitOpWord(op, 0))));
}

// The two words of a procedural parameter variable, static link first.
void PushProceduralWords(const Variable* v) {
    PushFrame(CodeLevel() - v->level);
    EmitOpWord(Op::ADDI, v->offset + 4);
    EmitOp(Op::LOADW);
    PushFrame(CodeLevel() - v->level);
    EmitOpWord(Op::ADDI, v->offset);
    EmitOp(Op::LOADW);
}

// A routine passed to a procedural parameter: its static link and code offset, or the two
// words of a procedural parameter passed on.
void PushRoutineArgument(Binding* b) {
    Function* f = b ? b->u.function : nullptr;
    if (!f) return;
    if (f->procParm) {
        auto it = ProceduralParameters().find(f);
        if (it == ProceduralParameters().end()) {
            CodeGenMissing("this procedural argument");
            return;
        }
        PushProceduralWords(it->second);
        return;
    }
    if (f->directives && SetIn(f->directives->flags, DirectiveExternal)) {
        CodeGenMissing("external routines as procedural arguments");
        return;
    }
    PushStaticLink(f->level);
    EmitCodeOffset(Op::PUSHI, f);
}

}  // namespace

void RegisterProceduralParameter(Function* f, Variable* v) { ProceduralParameters()[f] = v; }
void ResetProceduralParameters() { ProceduralParameters().clear(); }

void GenCall(Binding* b, List* actuals) {
    Function* f = b ? b->u.function : nullptr;
    if (!f || !f->heading || !GenerateCode()) return;
    Variable* parameter = nullptr;
    if (f->procParm) {
        auto it = ProceduralParameters().find(f);
        if (it == ProceduralParameters().end()) {
            CodeGenMissing("this call of a procedural parameter");
            return;
        }
        parameter = it->second;
    } else if (f->directives && SetIn(f->directives->flags, DirectiveExternal)) {
        CodeGenMissing("external routines");
        return;
    }
    const FuncHeading* fh = f->heading;
    if (fh->result) EmitOpWord(Op::ALLOC, vm::Align4(ResolveType(fh->result->t)->size));
    uint32_t next = 1;
    const List* sections = fh->parms ? fh->parms->sections : nullptr;
    for (FormalParmSection* s : Items<FormalParmSection>(sections)) {
        if (s->kind == FormalParmFunc) {
            ActualParm* a = ActualAt(actuals, next++);
            if (a && a->kind == ActualParmFunc) PushRoutineArgument(a->u.func);
            continue;
        }
        const ParmSpec& section =
            s->kind == FormalParmValue ? s->u.ValueParmSpec : s->u.VarParmSpec;
        for (Variable* v : Items<Variable>(section.parm)) {
            ActualParm* a = ActualAt(actuals, next++);
            if (!a) return;
            if (s->kind == FormalParmValue) {
                // The slot is assigned like a variable, so the checks of an assignment
                // apply to arguments too.
                EmitOpWords(Op::ALLOCF, SlotSize(v), 0);
                EmitOp(Op::PUSHSP);
                if (a->kind == ActualParmExpr) GenAssignValue(v->t, a->u.expr);
            } else if (a->kind == ActualParmVar) {
                GenAddress(a->u.var);
            }
        }
    }
    if (parameter) {
        PushProceduralWords(parameter);
        EmitOp(Op::CALLS);
    } else {
        PushStaticLink(f->level);
        EmitCodeOffset(Op::CALL, f);
    }
    if (fh->result) {
        NormalizeResult(fh->result->t);
        GenUndefinedCheck(fh->result->t);
    }
}

}  // namespace tarn::tpc
