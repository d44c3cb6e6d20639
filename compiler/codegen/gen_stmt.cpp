// gen_stmt: blocks, activation records and statements.
//
// A statement's pieces arrive one call at a time; what its later pieces need (pending jump
// operands, loop starts, its system local, a case statement's jump table) goes back to
// the parser in the statement's code record, which it hands in again. Forward jumps are
// emitted with an operand of 0 and completed by a code fix-up once their target is known.
#include "compiler/codegen/codegen.h"

#include <cstdio>
#include <map>
#include <vector>

#include "compiler/codegen/generator.h"
#include "compiler/writer/image.h"
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

namespace {

// The run-time error a case statement raises when no constant matches its selector.
constexpr uint32_t CASE_NO_MATCH_ERROR = 0x1001;

// The main program's frame: the system locals only (its variables are global).
constexpr uint32_t PROGRAM_LOCALS = 4 * NUM_SYSTEM_LOCALS;

struct CodeGenState {
    // Between CodeGenInit and CodeGenEnd: the parser run by other means (tools, tests)
    // has no output to generate into, and the entry points then do nothing.
    bool active = false;
    int32_t openStatements = 0;       // statements begun and not yet ended
    // SUBI operands of gotos into an enclosing block, by its level, waiting for its
    // local size.
    std::map<int32_t, std::vector<uint32_t>> frameSizes;
    Function* routine = nullptr;      // the routine whose block is being generated
};

// One object at namespace scope rather than a function's static: every statement asks
// for it several times, and a function's static costs a guard test on each call. Nothing
// runs the generator before main.
CodeGenState gState;

CodeGenState& State() { return gState; }

bool Active() { return State().active; }

// Statements the generator keeps open at once; deeper nesting is refused.
constexpr int32_t MAX_OPEN_STATEMENTS = 256;

// A statement's first piece opens its code record, its last piece closes it.
template <class Code>
void Begin(Code& code) {
    if (State().openStatements == MAX_OPEN_STATEMENTS)
        ReportMessage(msg::LimitStatementsNesting, nullptr);
    State().openStatements++;
    code.open = true;
}

template <class Code>
void End(Code& code) {
    if (!code.open) return;
    State().openStatements--;
    code.open = false;
}

void PushSystemLocal(int32_t n) {
    EmitOp(Op::PUSHFP);
    EmitOpWord(Op::SUBI, 4u * static_cast<uint32_t>(n));
}

// The value of an expression that is an ordinal constant and nothing else.
bool ConstantValue(Expression* e, int32_t& value) {
    while (e && !e->factor && e->oper == UNDEFtok && e->sign == SignNone) e = e->left;
    if (!e || !e->factor || e->factor->kind != UnsignedConstant || e->factor->sign != SignNone)
        return false;
    const Constant* c = e->factor->u.constant;
    if (c->kind != ConstantInteger && c->kind != ConstantCardinal && c->kind != ConstantChar &&
        c->kind != ConstantEnumId)
        return false;
    value = static_cast<int32_t>(OrdinalValue(c));
    return true;
}

}  // namespace

uint32_t ParameterBytes(const Function* f) {
    uint32_t end = 12;
    const FuncHeading* fh = f->heading;
    const List* sections = fh && fh->parms ? fh->parms->sections : nullptr;
    for (FormalParmSection* s : Items<FormalParmSection>(sections)) {
        if (s->kind == FormalParmFunc) {
            end = std::max(end, s->u.funcParmSpec.parm->offset + 8);
            continue;
        }
        const ParmSpec& section =
            s->kind == FormalParmValue ? s->u.ValueParmSpec : s->u.VarParmSpec;
        for (Variable* v : Items<Variable>(section.parm))
            end = std::max(end, v->offset + ((v->size + 3) & ~3u));
    }
    return end - 8;
}

Function* CurrentRoutine() { return State().routine; }


void CodeGenInit() {
    State() = CodeGenState{};
    State().active = true;
    ReportMessage(msg::TraceInitCodegen, nullptr);
    ResetProceduralParameters();
    ResetMissingConstruct();
}

void CodeGenEnd() { State().active = false; }

// ---- Blocks -------------------------------------------------------------------------------------

void CodeGenLine(uint32_t line) {
    if (!Active()) return;
    if (GenerateCode()) MarkLine(line, GetCodeSize());
}

void CodeGenRoutineStart(Function* routine) {
    if (!Active()) return;
    State().routine = routine;
    State().openStatements = 0;
    if (!GenerateCode() || !routine) return;
    const uint32_t offset = GetCodeSize();
    routine->cg[0] = offset;
    routine->cg[1] = 1;   // the code offset is known
    if (routine->cgLists[0]) {
        for (void* item : Items<void>(routine->cgLists[0])) AddFixup(FromItem(item), offset);
        routine->cgLists[0] = ListCreate();
    }
    routine->cgLists[1] = ListCreate();   // exit jumps
}

void CodeGenProgramStart() {
    if (!Active()) return;
    State().routine = nullptr;
    State().openStatements = 0;
    if (GenerateCode()) SetEntryPoint(GetCodeSize());
}

void CodeGenBlockProlog(uint32_t localSize) {
    if (!Active()) return;
    ReportMessage(msg::TraceGenProlog, nullptr);
    EmitOp(Op::PUSHFP);
    EmitOp(Op::PUSHSP);
    EmitOp(Op::SETFP);
    const uint32_t size = (localSize + 3) & ~3u;
    if (size != 0) EmitOpWord(Op::ALLOC, size);
    auto pending = State().frameSizes.find(CodeLevel());
    if (pending != State().frameSizes.end()) {
        for (uint32_t operand : pending->second)
            if (GenerateCode()) AddFixup(operand, size);
        State().frameSizes.erase(pending);
    }
    if (IsFlagOption(opt::zst)) EmitCallStd(Std::StackLogPush);
}

void CodeGenInitialization(bool usesInput, bool usesOutput, List* programParameters) {
    if (!Active()) return;
    ReportMessage(msg::TraceGenInitialization, nullptr);
    // The null variable holds 0; the engine learns where the run-time variables live.
    PushInteger(static_cast<int32_t>(NullVar->offset));
    EmitOp(Op::PUSH0);
    EmitOp(Op::STOREW);
    if (usesInput) {
        PushInteger(static_cast<int32_t>(InputVar->offset));
        EmitCallStd(Std::RegisterInput);
    }
    if (usesOutput) {
        PushInteger(static_cast<int32_t>(OutputVar->offset));
        EmitCallStd(Std::RegisterOutput);
    }
    PushInteger(static_cast<int32_t>(ErrorCodeVar->offset));
    EmitCallStd(Std::RegisterErrorCode);
    PushInteger(static_cast<int32_t>(ExitCodeVar->offset));
    EmitCallStd(Std::RegisterExitCode);
    PushInteger(static_cast<int32_t>(ErrorsVar->offset));
    Type* errors = ResolveType(ErrorsVar->t);
    PushInteger(
        static_cast<int32_t>(errors->kind == ListType ? ResolveType(errors->u.list.ct)->size : 0));
    EmitCallStd(Std::RegisterErrorList);
    if (IsFlagOption(opt::rtlf)) {
        EmitOp(Op::PUSH1);
        EmitCallStd(Std::ReportToLogFile);
    }
    if (!IsFlagOption(opt::rtmb)) {
        EmitOp(Op::PUSH1);
        EmitCallStd(Std::ReportToMessageBox);
    }
    if (!IsFlagOption(opt::rtsc)) {
        EmitOp(Op::PUSH1);
        EmitCallStd(Std::ReportToConsole);
    }
    // Program parameters other than input and output take the command-line arguments in
    // order: a file is assigned the argument as its name, a string receives it.
    int32_t number = 0;
    for (Identifier* id : Items<Identifier>(programParameters)) {
        const Binding* b = id->bind;
        if (!b || b->kind != BindVar || !b->u.variable) continue;
        Variable* v = b->u.variable;
        if (v == InputVar || v == OutputVar) continue;
        number++;
        Type* t = HostOf(v->t);
        const Rep rep = TypeRepOf(t);
        const bool isString = rep == Rep::Str1 || rep == Rep::Str4 || rep == Rep::CStr;
        if (t->kind != FileType && !isString) {
            ReportMessage(msg::ProgramParameterInvalidType, &b->pos, id->text);
            continue;
        }
        PushInteger(static_cast<int32_t>(v->offset));
        if (t->kind == FileType) {
            PushInteger(static_cast<int32_t>(ResolveType(t->u.file.component)->size));
            PushInteger(number);
            EmitCallStd(Std::ParamStr);
            EmitCallStd(Std::Assign);
        } else {
            PushInteger(number);
            EmitCallStd(Std::ParamStr);
            if (rep == Rep::CStr)
                EmitOp(Op::CSTRSTO);
            else
                EmitOpWord(Op::STRSTO, rep == Rep::Str4 ? 4 : 1);
        }
    }
}

void CodeGenBlockEpilog(Function* routine) {
    if (!Active()) return;
    ReportMessage(msg::TraceGenEpilog, nullptr);
    if (routine && routine->cgLists[1]) {
        for (void* item : Items<void>(routine->cgLists[1])) ResolveJumpHere(FromItem(item));
    }
    EmitOp(Op::LEAVE);
    if (IsFlagOption(opt::zst)) EmitCallStd(Std::StackLogPop);
    if (routine) {
        const uint32_t n = ParameterBytes(routine);
        if (n == 0)
            EmitOp(Op::RET);
        else
            EmitOpWord(Op::RETD, n);
    }
}

void CodeGenProgramEnd() {
    if (!Active()) return;
    EmitCallStd(Std::Halt);
}

void CodeGenGlobalsSize(uint32_t size) {
    if (!Active()) return;
    if (GenerateCode()) SetGlobalsSize((size + 3) & ~3u);
}

uint32_t CodeGenOffset() {
    if (!Active()) return 0;
    return GenerateCode() ? GetCodeSize() : 0;
}

// ---- Statements --------------------------------------------------------------------------------

void CodeGenStatementStart() {
    if (!Active()) return;
    if (IsFlagOption(opt::so)) EmitOp(Op::CHKSTK);
    if (IsFlagOption(opt::zst)) {
        EmitCallStd(Std::StackLogCheckSP);
        EmitCallStd(Std::StackLogCheckFP);
    }
}

void CodeGenLabelDefinition(Label* label) {
    if (!Active()) return;
    if (!GenerateCode() || !label) return;
    for (Goto* g : Items<Goto>(label->gotos))
        if (g->GotoOffset != 0) ResolveJumpHere(g->GotoOffset);
}

uint32_t CodeGenGoto(Label* label, int32_t unwindLevels) {
    if (!Active()) return 0;
    if (!GenerateCode() || !label) return 0;
    if (unwindLevels > 0) {
        // Into an enclosing block: its frame becomes current again, with the stack cut
        // back to its locals, before the jump.
        PushFrame(unwindLevels);
        EmitOp(Op::SETFP);
        EmitOp(Op::PUSHFP);
        const int32_t level = CodeLevel() - unwindLevels;
        if (level <= 1) {
            EmitOpWord(Op::SUBI, PROGRAM_LOCALS);
        } else {
            // That block's prolog comes later (its routines are generated first): its local
            // size is filled in then.
            auto& pending = State().frameSizes[level];
            pending.push_back(OperandPosition(EmitOpWord(Op::SUBI, 0)));
        }
        EmitOp(Op::SETSP);
        if (IsFlagOption(opt::zst)) EmitCallStd(Std::StackLogUnwind);
    }
    if (label->placed) {
        EmitOpWord(Op::JMP, label->offset);
        return 0;
    }
    return EmitForwardJump(Op::JMP);
}

namespace {

// The file whose buffer variable holds the component `access` names, through fields and
// indexes; none when the access is not inside a buffer variable (a pointer dereferenced on
// the way leads to another variable).
VarAccess* BufferFileOf(VarAccess* access) {
    while (access) {
        switch (access->kind) {
        case BufferVariable: return access->u.buffer.file;
        case IndexedVariable: access = access->u.indexed.access; break;
        case FieldDesignator: access = access->u.field.record; break;
        default: return nullptr;
        }
    }
    return nullptr;
}

}  // namespace

AssignmentCode CodeGenBeginAssignment(VarAccess* target) {
    AssignmentCode code;
    if (!Active()) return code;
    ReportMessage(msg::TraceGenBeginAssignment, nullptr);
    Begin(code);
    if (target && target->kind == BufferVariable) {
        // The buffer is written, not read first: its address alone.
        code.buffer = target->u.buffer.file;
        GenAddress(target->u.buffer.file);
        EmitCallStd(Std::FileBufferAddress);
        return code;
    }
    GenAddress(target);
    // A component of a file's buffer (f^.field, f^[i]) fills the buffer as much as the
    // whole buffer variable does: a put after it writes the element.
    code.buffer = BufferFileOf(target);
    return code;
}

AssignmentCode CodeGenFunctionResultBegin(Function* f) {
    AssignmentCode code;
    if (!Active()) return code;
    Begin(code);
    if (!f || !f->heading || !f->heading->result) return code;
    Variable* result = f->heading->result;
    PushFrame(CodeLevel() - f->level);
    EmitOpWord(Op::ADDI, result->offset);
    return code;
}

void CodeGenAssignment(AssignmentCode& code, Type* targetType, Expression* value) {
    if (!Active()) return;
    ReportMessage(msg::TraceGenEndAssignment, nullptr);
    if (value) GenAssignValue(targetType, value);
    if (!code.open) return;
    if (code.buffer) {
        // The file learns that its buffer holds an element.
        GenAddress(code.buffer);
        EmitCallStd(Std::FileBufferAddress);
        EmitCallStd(Std::FileBufferFilled);
    }
    End(code);
}

IfCode CodeGenIfCondition(Expression* condition) {
    IfCode code;
    if (!Active()) return code;
    GenCondition(condition);
    Begin(code);
    code.jump = EmitForwardJump(Op::JZ);
    return code;
}

void CodeGenElse(IfCode& code) {
    if (!Active() || !code.open) return;
    const uint32_t skipElse = EmitForwardJump(Op::JMP);
    ResolveJumpHere(code.jump);
    code.jump = skipElse;
}

void CodeGenEndIf(IfCode& code) {
    if (!Active() || !code.open) return;
    ResolveJumpHere(code.jump);
    End(code);
}

LoopCode CodeGenWhileStart() {
    LoopCode code;
    if (!Active()) return code;
    Begin(code);
    code.start = CodeGenOffset();
    return code;
}

void CodeGenWhileCondition(LoopCode& code, Expression* condition) {
    if (!Active()) return;
    GenCondition(condition);
    if (code.open) code.exit = EmitForwardJump(Op::JZ);
}

void CodeGenWhileEnd(LoopCode& code) {
    if (!Active() || !code.open) return;
    EmitOpWord(Op::JMP, code.start);
    ResolveJumpHere(code.exit);
    End(code);
}

LoopCode CodeGenRepeatStart() {
    LoopCode code;
    if (!Active()) return code;
    Begin(code);
    code.start = CodeGenOffset();
    return code;
}

void CodeGenRepeatEnd(LoopCode& code, Expression* condition) {
    if (!Active()) return;
    GenCondition(condition);
    if (!code.open) return;
    EmitOpWord(Op::JZ, code.start);
    End(code);
}

namespace {

// Stores and steps of a control variable, by its size in memory.
Op ControlStore(Type* t) {
    switch (TypeRepOf(t)) {
    case Rep::Byte: return Op::STOREB;
    case Rep::Half: return Op::STOREH;
    case Rep::HalfSigned: return Op::STOREH2;
    default: return Op::STOREW;
    }
}

Op ControlStep(Type* t) {
    switch (TypeRepOf(t)) {
    case Rep::Byte: return Op::INCB;
    case Rep::Half:
    case Rep::HalfSigned: return Op::INCH;
    default: return Op::INCW;
    }
}

}  // namespace

ForCode CodeGenForStart(VarAccess* control, Expression* initial, Expression* final, bool downto,
                        int32_t systemLocal) {
    ForCode s;
    if (!Active()) return s;
    Begin(s);
    s.control = control;
    s.downto = downto;
    s.systemLocal = systemLocal;
    if (!GenerateCode() || !control) return s;
    Type* t = control->t;
    const bool uns = IsUnsignedHost(t);
    GenExpression(initial);
    GenExpression(final);
    // No iteration at all when the initial value is already past the final one; the range
    // checks below then do not run either.
    EmitOp(Op::DUP2);
    EmitOp(downto ? (uns ? Op::GEU : Op::GE) : (uns ? Op::LEU : Op::LE));
    const uint32_t enter = EmitForwardJump(Op::JNZ);
    EmitOp(Op::POP2);
    s.exit = EmitForwardJump(Op::JMP);
    ResolveJumpHere(enter);
    int64_t low = 0, high = 0;
    if (IsFlagOption(opt::r) && Bounds(t, low, high)) {
        const bool whole =
            uns ? (low == 0 && high == 0xFFFFFFFFll) : (low == INT32_MIN && high == INT32_MAX);
        if (!whole) {
            const Op check = uns ? Op::CHKRNGU : Op::CHKRNG;
            EmitOpWord(Op::PICK, 4);
            EmitOpWords(check, static_cast<uint32_t>(low), static_cast<uint32_t>(high));
            EmitOp(Op::POP);
            EmitOpWords(check, static_cast<uint32_t>(low), static_cast<uint32_t>(high));
        }
    }
    GenAddress(control);
    EmitOpWord(Op::PICK, 8);
    EmitOp(ControlStore(t));
    // The final value is kept in the system local: the body cannot change it. A constant
    // one is compared with directly at the end of each turn.
    s.finalIsConstant = ConstantValue(final, s.finalValue);
    PushSystemLocal(systemLocal);
    EmitOpWord(Op::PICK, 4);
    EmitOp(Op::STOREW);
    EmitOp(Op::POP2);
    if (IsFlagOption(opt::zst)) EmitCallStd(Std::StackLogPush);
    s.start = GetCodeSize();
    return s;
}

void CodeGenForEnd(ForCode& s) {
    if (!Active() || !s.open) return;
    if (GenerateCode() && s.control) {
        // The loop ends when the control variable equals the final value before the step,
        // so it never steps past the final value (which may be the type's last value).
        GenAddress(s.control);
        GenLoad(s.control->t);
        if (s.finalIsConstant) {
            PushInteger(s.finalValue);
        } else {
            PushSystemLocal(s.systemLocal);
            EmitOp(Op::LOADW);
        }
        EmitOp(Op::EQ);
        const uint32_t done = EmitForwardJump(Op::JNZ);
        GenAddress(s.control);
        PushInteger(s.downto ? -1 : 1);
        EmitOp(ControlStep(s.control->t));
        EmitOpWord(Op::JMP, s.start);
        ResolveJumpHere(done);
        if (IsFlagOption(opt::zst)) EmitCallStd(Std::StackLogPop);
        ResolveJumpHere(s.exit);
    }
    End(s);
}

void CodeGenWithRecord(VarAccess* record, int32_t systemLocal) {
    if (!Active()) return;
    if (!GenerateCode()) return;
    PushSystemLocal(systemLocal);
    GenAddress(record);
    EmitOp(Op::STOREW);
}

CaseCode CodeGenCaseStart(Expression* selector, bool tableMode, int32_t systemLocal) {
    CaseCode s;
    if (!Active()) return s;
    Begin(s);
    s.tableMode = tableMode;
    s.systemLocal = systemLocal;
    s.selector = selector ? selector->ActualType : nullptr;
    if (!GenerateCode() || !selector) return s;
    if (!tableMode) {
        PushSystemLocal(systemLocal);
        GenExpression(selector);
        EmitOp(Op::STOREW);
        // The error for a value no constant matches stands here, jumped over, so that its
        // report names the line of the case statement rather than of its last alternative.
        const uint32_t over = EmitForwardJump(Op::JMP);
        s.noMatch = GetCodeSize();
        EmitOpWord(Op::RTERROR, CASE_NO_MATCH_ERROR);
        ResolveJumpHere(over);
        return s;
    }
    int64_t low = 0, high = -1;
    Bounds(s.selector, low, high);
    if (high < low || high - low >= MAX_CASE_TABLE) return s;
    s.low = low;
    s.table.assign(static_cast<size_t>(high - low + 1), 0);
    GenExpression(selector);
    if (IsFlagOption(opt::r)) {
        EmitOpWords(IsUnsignedHost(s.selector) ? Op::CHKRNGU : Op::CHKRNG,
                    static_cast<uint32_t>(low), static_cast<uint32_t>(high));
    }
    if (low != 0) EmitOpWord(Op::SUBI, static_cast<uint32_t>(low));
    EmitOp(Op::PUSH4B);
    EmitOp(Op::MULU);
    EmitOp(Op::PUSHGP);
    s.tableOperand = OperandPosition(EmitOpWord(Op::ADDI, 0));
    EmitOp(Op::ADD);
    EmitOp(Op::LOADW);
    EmitOp(Op::DUP);
    const uint32_t found = EmitForwardJump(Op::JNZ);
    EmitOpWord(Op::RTERROR, CASE_NO_MATCH_ERROR);
    ResolveJumpHere(found);
    EmitOp(Op::JMPS);
    return s;
}

void CodeGenCaseElement(CaseCode& s, List* ranges) {
    if (!Active() || !s.open || !GenerateCode()) return;
    if (s.tableMode) {
        const uint32_t here = GetCodeSize();
        for (CaseRange* r : Items<CaseRange>(ranges)) {
            for (int64_t v = OrdinalValue(r->low); v <= OrdinalValue(r->high); v++) {
                const int64_t i = v - s.low;
                if (i >= 0 && i < static_cast<int64_t>(s.table.size()))
                    s.table[static_cast<size_t>(i)] = here;
            }
        }
        return;
    }
    const bool uns = IsUnsignedHost(s.selector);
    std::vector<uint32_t> matches;
    for (CaseRange* r : Items<CaseRange>(ranges)) {
        const int64_t a = OrdinalValue(r->low), b = OrdinalValue(r->high);
        // A constant the selector's signedness cannot hold never matches.
        if ((uns && b < 0) || (!uns && a > INT32_MAX)) continue;
        PushSystemLocal(s.systemLocal);
        EmitOp(Op::LOADW);
        PushInteger(static_cast<int32_t>(a));
        if (a == b) {
            EmitOp(Op::EQ);
            matches.push_back(EmitForwardJump(Op::JNZ));
            continue;
        }
        EmitOp(uns ? Op::LTU : Op::LT);
        const uint32_t below = EmitForwardJump(Op::JNZ);
        PushSystemLocal(s.systemLocal);
        EmitOp(Op::LOADW);
        PushInteger(static_cast<int32_t>(b));
        EmitOp(uns ? Op::GTU : Op::GT);
        const uint32_t above = EmitForwardJump(Op::JNZ);
        matches.push_back(EmitForwardJump(Op::JMP));
        ResolveJumpHere(below);
        ResolveJumpHere(above);
    }
    s.nextAlternative = EmitForwardJump(Op::JMP);
    for (uint32_t m : matches) ResolveJumpHere(m);
}

void CodeGenCaseElementEnd(CaseCode& s) {
    if (!Active() || !s.open || !GenerateCode()) return;
    s.exits.push_back(EmitForwardJump(Op::JMP));
    if (!s.tableMode && s.nextAlternative != 0) {
        ResolveJumpHere(s.nextAlternative);
        s.nextAlternative = 0;
    }
}

void CodeGenCaseOtherwise(CaseCode& s) {
    if (!Active() || !s.open || !GenerateCode()) return;
    if (s.tableMode) {
        const uint32_t here = GetCodeSize();
        for (uint32_t& entry : s.table)
            if (entry == 0) entry = here;
    }
    // Compare mode: the last next-alternative jump already lands here.
    s.nextAlternative = 0;
    s.exits.push_back(0);   // marks the otherwise part: no run-time error at the end
}

void CodeGenCaseEnd(CaseCode& s) {
    if (!Active() || !s.open) return;
    if (GenerateCode()) {
        bool otherwise = false;
        for (uint32_t e : s.exits) otherwise = otherwise || e == 0;
        if (s.tableMode) {
            if (!s.table.empty() && s.tableOperand != 0)
                AddFixup(s.tableOperand,
                         AppendFixedTable(s.table.data(), static_cast<uint32_t>(s.table.size())));
        } else if (!otherwise) {
            EmitOpWord(Op::JMP, s.noMatch);   // no constant matched
        }
        for (uint32_t e : s.exits)
            if (e != 0) ResolveJumpHere(e);
    }
    End(s);
}

// ---- Calls ------------------------------------------------------------------------------------

void CodeGenProcedureCall(Binding* routine, List* actuals) {
    if (!Active()) return;
    if (GenerateCode() && routine) GenCall(routine, actuals);
}

void CodeGenProceduralParameter(Function* f, Variable* v) {
    if (!Active()) return;
    if (f && v) RegisterProceduralParameter(f, v);
}

void CodeGenBuiltinProcedure(Function* builtin, List* actuals, int32_t freeSystemLocal) {
    if (!Active()) return;
    if (GenerateCode() && builtin) GenBuiltinProcedure(builtin, actuals, freeSystemLocal);
}

void CodeGenObjectProcedure(VarAccess* object, Identifier* member, List* args, bool propertyPut) {
    if (!Active()) return;
    GenObjectProcedure(object, member, args, propertyPut);
}

void CodeGenExpression(Expression* e) {
    if (!Active()) return;
    GenExpression(e);
}

}  // namespace tarn::tpc
