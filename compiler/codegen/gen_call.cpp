// gen_call: calls of user routines, procedural parameters and external library routines.
//
// A call builds the callee's parameter area on the stack in declaration order: the result
// slot of a function first (highest address), then one slot per parameter, then the
// static link; CALL pushes the return address. The callee's RETD drops everything but
// the result slot, which the caller then finds on top of the stack.
#include "compiler/codegen/generator.h"

#include <string_view>
#include <unordered_map>
#include <vector>

#include "compiler/writer/image.h"
#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/records.h"
#include "compiler/front/case_values.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/idtable.h"
#include "compiler/front/layout.h"
#include "compiler/front/types.h"
#include "vm/bytes.h"
#include "vm/external.h"

namespace tarn::tpc {

using vm::ExternalKind;
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

// A single result comes back as a 4-byte float on top of an 8-byte space and is widened in
// place into the 8-byte real that stands for a single on the stack.
void WidenSingleResult() {
    EmitOp(Op::PUSHSP);   // where the real goes: the float's own address
    EmitOp(Op::PUSHSP);
    EmitOpWord(Op::ADDI, 4);
    EmitOp(Op::LOADF);
    EmitOp(Op::STORER);
}

// The result slot a caller reserves: the result's size in whole words, and for a single
// the 8 bytes of the real it becomes on the stack (the callee stores the float in the
// lower 4).
uint32_t ResultSlotSize(Type* t) {
    return TypeRepOf(t) == Rep::Single ? 8 : vm::Align4(ResolveType(t)->size);
}

// A function's result slot is rewritten into the stack form of its type where the two
// differ: a byte or half-word result becomes a whole word, a single an 8-byte real.
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
    case Rep::Single: WidenSingleResult(); return;
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

// The variables of procedural parameters, by the parameter's heading. The heading is the
// key because the definition of a routine declared forward binds its procedural
// parameters again with routine records of their own, around the same headings.
std::unordered_map<const FuncHeading*, Variable*>& ProceduralParameters() {
    static std::unordered_map<const FuncHeading*, Variable*> map;
    return map;
}

Variable* ProceduralParameterOf(const Function* f) {
    auto it = ProceduralParameters().find(f->heading);
    return it == ProceduralParameters().end() ? nullptr : it->second;
}

// A parameter slot: the argument's size rounded up to whole words (an address for a
// variable parameter).
uint32_t SlotSize(const Variable* v) { return v->byRef ? 4 : vm::Align4(ResolveType(v->t)->size); }

// ---- External routines -----------------------------------------------------------------
//
// A call of a routine in a shared library is carried out by the engine's ExternalCall
// routine from a description the caller pushes: the arguments from the last parameter to
// the first, one descriptor per parameter (again last first), their count, the result's
// descriptor, the library name, the routine's name and the convention word
// (docs/external.md gives the layout the engine decodes).

bool IsExternal(const Function* f) {
    return f->directives && SetIn(f->directives->flags, DirectiveExternal);
}

ExternalKind ExternalKindOf(Type* t) {
    switch (ResolveType(t)->kind) {
    case PointerType: return ExternalKind::Pointer;
    case RealType: return ExternalKind::Real;
    case FloatType: return ExternalKind::Single;
    case ArrayType: return ExternalKind::Array;
    case RecordType: return ExternalKind::Record;
    case StringType:
    case CStringType: return ExternalKind::String;
    default: return ExternalKind::Ordinal;   // ordinal and address types
    }
}

// A descriptor: the size word first for the aggregate kinds, then the kind word.
void PushExternalDescriptor(Type* t, bool byReference) {
    const ExternalKind kind = ExternalKindOf(t);
    if (kind == ExternalKind::Array || kind == ExternalKind::Record ||
        kind == ExternalKind::String)
        PushInteger(static_cast<int32_t>(ResolveType(t)->size));
    const uint32_t word = static_cast<uint32_t>(kind) | (byReference ? vm::kExternalByReference : 0);
    PushInteger(static_cast<int32_t>(word));
}

// The characters of a library or routine name constant.
std::string_view ConstantText(const Constant* c) {
    if (!c) return {};
    if (c->kind == ConstantString && c->value.string)
        return {c->value.string->text, c->value.string->length};
    if (c->kind == ConstantChar) {
        static char one;
        one = static_cast<char>(c->value.character);
        return {&one, 1};
    }
    return {};
}

// The routine's name in the library: the name directive's string, else its identifier.
std::string_view ExternalName(const Function* f) {
    if (f->directives->externalName) return ConstantText(f->directives->externalName);
    return {f->heading->id->text, f->heading->id->length};
}

// The library and routine names go into the fixed data at the routine's first call; their
// offsets stay in the routine's record (cg[2], cg[3]; cg[4] set once stored).
void PoolExternalNames(Function* f) {
    if (f->cg[4]) return;
    // One at a time: a one-character constant's text lives in a shared buffer.
    const std::string_view library = ConstantText(f->directives->library);
    f->cg[2] = AppendFixedBytes(library.data(), static_cast<uint32_t>(library.size()));
    const std::string_view name = ExternalName(f);
    f->cg[3] = AppendFixedBytes(name.data(), static_cast<uint32_t>(name.size()));
    f->cg[4] = 1;
}

// A name in the fixed data as a string value.
void PushFixedString(uint32_t offset, size_t length) {
    EmitOp(Op::PUSHGP);
    if (offset != 0) EmitOpWord(Op::ADDI, offset);
    PushInteger(static_cast<int32_t>(length));
    EmitOpWord(Op::LOADV, 1);
}

// An external routine's result type (null for a procedure) and its parameters in
// declaration order (the front end accepts only value and variable parameters there).
struct ExternalSignature {
    Type* result = nullptr;
    std::vector<Variable*> parameters;
    std::vector<bool> byRef;
};

// The signature of an external routine, after the space for its result: a single gets 8
// bytes, room for the real it becomes.
ExternalSignature BeginExternalCall(const FuncHeading* fh) {
    ExternalSignature sig;
    sig.result = fh->result ? fh->result->t : nullptr;
    if (sig.result) {
        const bool single = ExternalKindOf(sig.result) == ExternalKind::Single;
        EmitOpWord(Op::ALLOC, single ? 8 : vm::Align4(ResolveType(sig.result)->size));
    }
    const List* sections = fh->parms ? fh->parms->sections : nullptr;
    for (FormalParmSection* s : Items<FormalParmSection>(sections)) {
        if (s->kind == FormalParmFunc) continue;
        const ParmSpec& section =
            s->kind == FormalParmValue ? s->u.ValueParmSpec : s->u.VarParmSpec;
        for (Variable* v : Items<Variable>(section.parm)) {
            sig.parameters.push_back(v);
            sig.byRef.push_back(s->kind == FormalParmVar);
        }
    }
    return sig;
}

// What follows the arguments: the descriptors, the count, the result's descriptor, the
// names, the convention word and the call.
void GenExternalDescription(Function* f, const ExternalSignature& sig) {
    for (size_t i = sig.parameters.size(); i-- > 0;)
        PushExternalDescriptor(sig.parameters[i]->t, sig.byRef[i]);
    PushInteger(static_cast<int32_t>(sig.parameters.size()));
    if (sig.result)
        PushExternalDescriptor(sig.result, false);
    else
        EmitOp(Op::PUSH0);
    PoolExternalNames(f);
    PushFixedString(f->cg[2], ConstantText(f->directives->library).size());
    PushFixedString(f->cg[3], ExternalName(f).size());
    EmitOp(SetIn(f->directives->flags, DirectiveCdecl) ? Op::PUSH0 : Op::PUSH1);
    EmitCallStd(Std::ExternalCall);
}

void GenExternalCall(Function* f, List* actuals) {
    const ExternalSignature sig = BeginExternalCall(f->heading);
    for (size_t i = sig.parameters.size(); i-- > 0;) {
        ActualParm* a = ActualAt(actuals, static_cast<uint32_t>(i + 1));
        if (!a) return;
        if (!sig.byRef[i]) {
            EmitOpWords(Op::ALLOCF, SlotSize(sig.parameters[i]), 0);
            EmitOp(Op::PUSHSP);
            if (a->kind == ActualParmExpr) GenAssignValue(sig.parameters[i]->t, a->u.expr);
        } else if (a->kind == ActualParmVar) {
            GenAddress(a->u.var);
        }
    }
    GenExternalDescription(f, sig);
    if (!sig.result) return;
    NormalizeResult(sig.result);   // a single's float is widened as after any call
    GenUndefinedCheck(sig.result);
}

// An external routine passed as a procedural argument is called with CALLS like a routine
// of the program. So it gets a small routine of its own, emitted in line behind a jump the
// first time it is passed: a frame, the parameter slots copied from the last to the first
// (a value slot holds the argument exactly as the library call wants it), the call, and the
// result's words copied into the result slot. Its code offset then stands in cg[0] and
// cg[1] like that of any routine with a body.
void GenExternalAdapter(Function* f) {
    const uint32_t over = EmitForwardJump(Op::JMP);
    f->cg[0] = GetCodeSize();
    f->cg[1] = 1;
    EmitOp(Op::PUSHFP);
    EmitOp(Op::PUSHSP);
    EmitOp(Op::SETFP);
    const FuncHeading* fh = f->heading;
    const ExternalSignature sig = BeginExternalCall(fh);
    for (size_t i = sig.parameters.size(); i-- > 0;) {
        EmitOp(Op::PUSHFP);
        EmitOpWord(Op::ADDI, sig.parameters[i]->offset);
        if (sig.byRef[i]) {
            EmitOp(Op::LOADW);
            continue;
        }
        PushInteger(static_cast<int32_t>(SlotSize(sig.parameters[i])));
        EmitOpWord(Op::LOADV, 1);
        EmitOp(Op::POP);   // the raw bytes stay, the length word goes
    }
    GenExternalDescription(f, sig);
    if (sig.result) {
        const uint32_t words = vm::Align4(ResolveType(sig.result)->size) / 4;
        for (uint32_t i = 0; i < words; i++) {
            EmitOp(Op::PUSHFP);
            EmitOpWord(Op::ADDI, fh->result->offset + 4 * i);
            EmitOp(Op::PUSHSP);
            EmitOpWord(Op::ADDI, 4 + 4 * i);
            EmitOp(Op::LOADW);
            EmitOp(Op::STOREW);
        }
    }
    EmitOp(Op::LEAVE);
    EmitOpWord(Op::RETD, ParameterBytes(f));
    ResolveJumpHere(over);
}

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
        Variable* parameter = ProceduralParameterOf(f);
        TPC_CHECK(parameter != nullptr);
        if (parameter) PushProceduralWords(parameter);
        return;
    }
    if (IsExternal(f)) {
        if (!f->cg[1]) GenExternalAdapter(f);
        EmitOp(Op::PUSH0);   // the adapter reaches no outer frame
        EmitOpWord(Op::PUSHI, f->cg[0]);
        return;
    }
    PushStaticLink(f->level);
    EmitCodeOffset(Op::PUSHI, f);
}

}  // namespace

void RegisterProceduralParameter(Function* f, Variable* v) {
    ProceduralParameters()[f->heading] = v;
}
void ResetProceduralParameters() { ProceduralParameters().clear(); }

void GenCall(Binding* b, List* actuals) {
    Function* f = b ? b->u.function : nullptr;
    if (!f || !f->heading || !GenerateCode()) return;
    Variable* parameter = nullptr;
    if (f->procParm) {
        // Every procedural parameter is registered when its heading is read.
        parameter = ProceduralParameterOf(f);
        TPC_CHECK(parameter != nullptr);
        if (!parameter) return;
    } else if (IsExternal(f)) {
        GenExternalCall(f, actuals);
        return;
    }
    const FuncHeading* fh = f->heading;
    if (fh->result) EmitOpWord(Op::ALLOC, ResultSlotSize(fh->result->t));
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
