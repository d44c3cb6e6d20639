// parse_stmt: the statement part of a block and every statement.
#include "compiler/front/parser.h"


#include <algorithm>
#include <string>

#include "compiler/codegen/codegen.h"
#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/binding.h"
#include "compiler/front/check_builtin.h"
#include "compiler/front/records.h"
#include "compiler/front/case_values.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/layout.h"
#include "compiler/front/types.h"
#include "compiler/front/idtable.h"
#include "compiler/front/predefined.h"
#include "compiler/front/lexer.h"

namespace tarn::tpc {

namespace {

// A variant is converted to a Boolean value where it is used.
bool IsBoolean(Type* t) {
    return IsBadType(t) || PromotedType(t) == BoolT || ResolveType(t)->kind == VariantType;
}

void ParseStatement();
void ParseStatementSequence(bool untilEnds = false);

}  // namespace

// ---- Statements ---------------------------------------------------------------------------------

namespace {

// single-statement -> statement
// A statement that stands alone under if, while, for, with or a case element: it belongs
// to no statement sequence, so no label on it can be the target of a goto.
void ParseSingleStatement() {
    ParserState& p = Parser();
    const int32_t saved = p.currentSequence;
    p.currentSequence = 0;
    ParseStatement();
    p.currentSequence = saved;
}

int32_t InnermostOpenSequence() {
    const ParserState& p = Parser();
    return p.sequenceDepth >= 0 ? p.sequences[p.sequenceDepth] : 0;
}

bool SequenceIsOpen(int32_t number) {
    const ParserState& p = Parser();
    for (int32_t i = 0; i <= p.sequenceDepth; i++)
        if (p.sequences[i] == number) return true;
    return false;
}

// The label named by the current token (an unsigned integer, or an identifier with option
// enn); none after "Statement label expected.".
Identifier* LabelName() {
    if (Tok() == INTtok) return Intern(std::to_string(CurrToken->value.integer));
    if (Tok() == IDtok && IsFlagOption(opt::enn)) return CurrToken->value.id;
    Expected("Statement label");
    return nullptr;
}

bool GotoPermittedForward(const Label* l, const Goto* g) {
    const int32_t here = Parser().currentSequence;
    return g->local ? here != 0 && here <= g->SS_No : l->SS_No == 1;
}

// A label stands on the statement that starts here.
Label* PlaceLabel() {
    ParserState& p = Parser();
    const Position pos = Here();
    Identifier* id = LabelName();
    if (!id) {
        GetToken();
        Match(COLONtok);
        return nullptr;
    }
    Binding* b = id->bind;
    Label* l = nullptr;
    if (!b || b->kind != BindLabel || b->level != CurrentScopeLevel()) {
        ReportMessage(msg::LabelNotDeclared, &pos, id->text);
    } else if (b->u.label->placed) {
        ReportMessage(msg::LabelUsedTwice, &pos, id->text);
    } else {
        l = b->u.label;
        l->placed = 1;
        l->offset = CodeGenOffset();
        l->SS_No = p.currentSequence;
        CodeGenLabelDefinition(l);
        for (Goto* g : Items<Goto>(l->gotos))
            if (!GotoPermittedForward(l, g))
                ReportMessage(msg::LabelNotPermittedInGoto, &g->pos, id->text);
        l->gotos = ListCreate();
        l->inStatement = 1;
    }
    GetToken();
    Match(COLONtok);
    return l;
}

// goto-statement -> GOTO label
void ParseGotoStatement() {
    Trace(msg::TraceGoto);
    ParserState& p = Parser();
    GetToken();
    const Position pos = Here();
    Identifier* id = LabelName();
    if (!id) return;
    Binding* b = id->bind;
    GetToken();
    if (!b || b->kind != BindLabel) {
        ReportMessage(msg::Expected, &pos, "Statement label");
        return;
    }
    b->referenced = 1;
    Label* l = b->u.label;
    const bool local = l->level == CurrentScopeLevel();
    const int32_t unwind = CurrentScopeLevel() - l->level;
    if (!l->placed) {
        const uint32_t operand = CodeGenGoto(l, unwind);
        const int32_t sequence = std::max(InnermostOpenSequence(), 1);
        Goto* g;
        if (operand != 0) {
            g = CreateGoto(operand, sequence, local, &pos);
        } else {
            // Nothing was emitted (no code generation, or after an error): the record
            // still carries what the legality check needs.
            g = TrackedNew<Goto>();
            g->SS_No = sequence;
            g->pos = pos;
            g->local = local ? 1 : 0;
        }
        ListAppend(l->gotos, g);
        return;
    }
    const bool permitted =
        l->inStatement || (local ? l->SS_No != 0 && SequenceIsOpen(l->SS_No) : l->SS_No == 1);
    if (!permitted) ReportMessage(msg::LabelNotPermittedInGoto, &pos, id->text);
    CodeGenGoto(l, unwind);
    (void)p;
}

// condition -> expression                       (of type Boolean)
Expression* ParseCondition() {
    Expression* e = ParseExpression();
    if (!IsBoolean(e->ActualType)) ReportMessage(msg::Expected, &e->pos, "Boolean expression");
    return e;
}

// if-statement -> IF condition THEN single-statement [ ELSE single-statement ]
void ParseIfStatement() {
    Trace(msg::TraceIf);
    ParserState& p = Parser();
    GetToken();
    IfCode code = CodeGenIfCondition(ParseCondition());
    Match(THENtok);
    ParseSingleStatement();
    bool hasElse = Tok() == ELSEtok;
    if (!hasElse && Tok() == SEMI_COLONtok && p.caseNesting == 0 && PeekToken() == ELSEtok) {
        ReportMessage(msg::SemicolonBeforeElse, nullptr);
        GetToken();
        hasElse = true;
    }
    if (hasElse) {
        GetToken();
        CodeGenElse(code);
        ParseSingleStatement();
    }
    CodeGenEndIf(code);
}

// while-statement -> WHILE condition DO single-statement
void ParseWhileStatement() {
    Trace(msg::TraceWhile);
    GetToken();
    LoopCode code = CodeGenWhileStart();
    CodeGenWhileCondition(code, ParseCondition());
    Match(DOtok);
    ParseSingleStatement();
    CodeGenWhileEnd(code);
}

// repeat-statement -> REPEAT statement-sequence UNTIL condition
void ParseRepeatStatement() {
    Trace(msg::TraceRepeat);
    GetToken();
    LoopCode code = CodeGenRepeatStart();
    ParseStatementSequence(true);
    Match(UNTILtok);
    CodeGenRepeatEnd(code, ParseCondition());
}

// Takes the next hidden local for a with, for or case statement; the 21st nested one is
// an error (the counter still counts, so that leaving restores it).
int32_t TakeSystemLocal() {
    ParserState& p = Parser();
    if (++p.systemLocal == NUM_SYSTEM_LOCALS + 1)
        ReportMessage(msg::LimitWithForCaseNesting, nullptr);
    return p.systemLocal;
}

// Raises the assignment level of the variable an access starts from.
void NoteAssignment(const VarAccess* a) {
    if (Variable* v = BaseVariable(a))
        v->assignLevel = std::max(v->assignLevel, CurrentScopeLevel());
}

void ReportControlVariable(int error, int warning, const Position& pos, const char* name) {
    ReportMessage(IsFlagOption(opt::E) ? warning : error, &pos, name);
}

// for-limit -> expression                       (ordinal, compatible with the control)
Expression* ParseForLimit(Type* controlType) {
    Expression* e = ParseExpression();
    if (IsBadType(e->ActualType)) return e;
    if (!IsOrdinalType(e->ActualType))
        ReportMessage(msg::Expected, &e->pos, "Ordinal expression");
    else if (!IsCompatibleType(controlType, e->ActualType))
        ReportMessage(msg::TypeMismatch, &e->pos);
    return e;
}

// for-statement -> FOR IDENT := for-limit ( TO | DOWNTO ) for-limit DO single-statement
void ParseForStatement() {
    Trace(msg::TraceFor);
    ParserState& p = Parser();
    const int32_t savedLocal = p.systemLocal;
    GetToken();
    const int32_t local = TakeSystemLocal();
    const Position pos = Here();
    Binding* b = Tok() == IDtok ? CurrToken->value.id->bind : nullptr;
    if (!b || b->kind != BindVar || !b->u.variable) {
        Expected("Variable");
        p.systemLocal = savedLocal;
        return;
    }
    Identifier* id = CurrToken->value.id;
    Variable* v = b->u.variable;
    b->referenced = 1;
    if (!IsOrdinalType(v->t)) {
        ReportMessage(msg::ControlVariableNotOrdinal, &pos, id->text);
        p.systemLocal = savedLocal;
        return;
    }
    if (b->level != CurrentScopeLevel() || v->arg)
        ReportControlVariable(msg::ControlVariableMustBeLocal, msg::ControlVariableNotLocal, pos,
                              id->text);
    if (v->assignLevel > CurrentScopeLevel())
        ReportControlVariable(msg::ControlVariableThreatened, msg::ControlVariableThreatenedWarning,
                              pos, id->text);
    VarAccess* control = CreateEntireVariable(v, id, &pos);
    GetToken();
    Match(ASSIGNtok);
    Expression* initial = ParseForLimit(v->t);
    bool downto = false;
    if (Tok() == TOtok || Tok() == DOWNTOtok) {
        downto = Tok() == DOWNTOtok;
        GetToken();
    } else {
        Expected("To or downto");
    }
    Expression* final = ParseForLimit(v->t);
    ForCode code = CodeGenForStart(control, initial, final, downto, local);
    Match(DOtok);
    const int32_t savedLevel = v->assignLevel;
    v->assignLevel = 0;
    ParseSingleStatement();
    if (v->assignLevel != 0)
        ReportControlVariable(msg::ControlVariableThreatened, msg::ControlVariableThreatenedWarning,
                              pos, id->text);
    v->assignLevel = std::max(savedLevel, CurrentScopeLevel());
    CodeGenForEnd(code);
    p.systemLocal = savedLocal;
}

// with-statement -> WITH variable-access { , variable-access } DO single-statement
void ParseWithStatement() {
    Trace(msg::TraceWith);
    ParserState& p = Parser();
    const int32_t savedLocal = p.systemLocal;
    GetToken();
    int32_t scopes = 0;
    for (;;) {
        const Position pos = Here();
        VarAccess* record = ParseVariableAccess();
        Type* t = ResolveType(record->t);
        if (t->kind == RecordType) {
            const int32_t local = TakeSystemLocal();
            CodeGenWithRecord(record, local);
            EnterScope(ScopeWith);
            scopes++;
            BindWithFields(record, t, local);
        } else if (t->kind != BadType) {
            ReportMessage(msg::Expected, &pos, "Record variable");
        }
        if (Tok() != COMMAtok) break;
        GetToken();
    }
    Match(DOtok);
    ParseSingleStatement();
    while (scopes-- > 0) LeaveScope(false);
    p.systemLocal = savedLocal;
}

// case-body -> case-element { ; case-element } [ ; ] [ ( OTHERWISE | ELSE ) statement-sequence ]
// case-element -> case-constant-list : single-statement
void ParseCaseBody(Type* selector, CaseCode& code) {
    Trace(msg::TraceCaseBody);
    const bool otherwiseAllowed = IsFlagOption(opt::eow);
    CaseValueSet* seen = CreateCaseValueSet();
    auto atOtherwise = [&] {
        return otherwiseAllowed && (Tok() == OTHERWISEtok || Tok() == ELSEtok);
    };
    while (Tok() != ENDtok && Tok() != EOFtok && !atOtherwise()) {
        Trace(msg::TraceCaseListElement);
        const int32_t before = ErrorCount();
        List* ranges = ParseCaseConstantList();
        Trace(msg::TraceCheckCaseConstantList);
        for (CaseRange* r : Items<CaseRange>(ranges)) CheckCaseConstant(r, selector, true, seen);
        CodeGenCaseElement(code, ranges);
        Match(COLONtok);
        ParseSingleStatement();
        CodeGenCaseElementEnd(code);
        if (ErrorCount() > before && Tok() != SEMI_COLONtok && !SetIn(Parser().caseEndSet, Tok()))
            Recover(Parser().statementSet);
        if (Tok() != SEMI_COLONtok) break;
        GetToken();
    }
    if (atOtherwise()) {
        const Position pos = Here();
        GetToken();
        CodeGenCaseOtherwise(code);
        ParseStatementSequence();
        CheckOtherwiseReachable(seen, selector, &pos);
    }
}

// case-statement -> CASE expression OF case-body [ ; ] END
void ParseCaseStatement() {
    Trace(msg::TraceCase);
    ParserState& p = Parser();
    const int32_t savedLocal = p.systemLocal;
    p.caseNesting++;
    GetToken();
    Expression* e = ParseExpression();
    Type* selector = e->ActualType;
    if (!IsBadType(selector) && !IsOrdinalType(selector)) {
        ReportMessage(msg::Expected, &e->pos, "Ordinal expression");
        selector = BadT;
    }
    int64_t low = 0, high = -1;
    const bool table =
        OrdinalRange(selector, low, high) && high >= low && high - low < MAX_CASE_TABLE;
    const int32_t local = table ? 0 : TakeSystemLocal();
    CaseCode code = CodeGenCaseStart(e, table, local);
    Match(OFtok);
    ParseCaseBody(selector, code);
    if (Tok() == SEMI_COLONtok) GetToken();
    Match(ENDtok);
    CodeGenCaseEnd(code);
    p.caseNesting--;
    p.systemLocal = savedLocal;
}

// ---- Assignments and procedure statements -------------------------------------------------------

// assignment-value -> := expression
void ParseAssignmentValue(Type* target, AssignmentCode& code) {
    Match(ASSIGNtok);
    Expression* e = ParseExpression();
    if (!IsBadType(target) && !IsAssignmentCompatible(target, e->ActualType))
        ReportMessage(msg::TypeMismatch, &e->pos);
    CodeGenAssignment(code, target, e);
}

// The word for "'%s' can not be used in this context." when a name is assigned to.
const char* NotAssignableWord(int32_t kind) {
    switch (kind) {
    case BindProgParm: return "program argument";
    case BindConst: return "constant identifier";
    case BindType: return "type identifier";
    case BindLabel: return "label identifier";
    default: return nullptr;
    }
}

// assignment -> ( variable-access | function-identifier ) assignment-value
void ParseAssignment() {
    Identifier* id = CurrToken->value.id;
    ReportMessage(msg::TraceAssignment, nullptr, id->text);
    Binding* b = id->bind;
    const int32_t kind = b ? b->kind : BindNone;
    if (kind == BindFunc) {
        Function* f = b->u.function;
        Type* target = BadT;
        AssignmentCode code;
        if (RoutineInProgress* r = RoutineBeingDefined(f)) {
            r->assigned = 1;
            b->referenced = 1;
            code = CodeGenFunctionResultBegin(f);
            if (f->heading && f->heading->result) target = f->heading->result->t;
        } else {
            ReportMessage(msg::FunctionAssignmentOutside, nullptr);
        }
        GetToken();
        ParseAssignmentValue(target, code);
        return;
    }
    if (const char* word = NotAssignableWord(kind)) {
        ReportMessage(msg::NotInThisContext, nullptr, word);
        GetToken();
        AssignmentCode none;
        ParseAssignmentValue(BadT, none);
        return;
    }
    const Position pos = Here();
    VarAccess* target = ParseVariableAccess();
    if (target->kind == EntireVariable && target->u.entire.variable == NullVar)
        ReportMessage(msg::AssignmentToNull, &pos);
    NoteAssignment(target);
    AssignmentCode code = CodeGenBeginAssignment(target);
    ParseAssignmentValue(target->t, code);
}

// procedure-statement -> procedure-identifier [ actual-parameter-list | builtin-arguments ]
void ParseProcedureStatement() {
    Identifier* id = CurrToken->value.id;
    ReportMessage(msg::TraceProcedureStatement, nullptr, id->text);
    Binding* b = id->bind;
    const int32_t kind = b ? b->kind : BindNone;
    if (kind == BindVar || kind == BindFieldDesignator) {
        VarAccess* object = ParseVariableAccess();
        ParseObjectStatement(object);
        return;
    }
    Function* f = kind == BindFunc ? b->u.function : nullptr;
    if (f && f->kind == UserProc) {
        b->referenced = 1;
        GetToken();
        List* actuals = HasParameters(f->heading) || IsFlagOption(opt::p)
                            ? ParseActualParameters(f->heading)
                            : ListCreateScratch();
        CodeGenProcedureCall(b, actuals);
        return;
    }
    if (f && !IsFunctionKind(f->kind)) {
        b->referenced = 1;
        GetToken();
        const Position at = Here();
        List* actuals = ParseBuiltinArguments();
        NoteDefaultFile(f->kind, actuals);
        CheckWriteItems(f->kind, actuals);
        CheckBuiltinArguments(f, actuals, at);
        CodeGenBuiltinProcedure(f, actuals, Parser().systemLocal + 1);
        return;
    }
    Expected("Procedure identifier");
    GetToken();
    ParseBuiltinArguments();
}

bool IsRoutineBeingDefined(const Binding* b) {
    return b && b->kind == BindFunc && IsFunctionKind(b->u.function->kind) &&
           RoutineBeingDefined(b->u.function);
}

// identifier-statement -> assignment | procedure-statement | variable-access object-statement
// A statement that starts with an identifier: by the identifier's binding.
void ParseIdentifierStatement() {
    Binding* b = CurrToken->value.id->bind;
    const int32_t kind = b ? b->kind : BindNone;
    switch (kind) {
    case BindNone: {
        const TokenKind next = PeekToken();
        if (next == EQUALtok || next == OPEN_BRACKETtok || next == ASSIGNtok || next == PERIODtok ||
            next == POINTERtok) {
            ParseAssignment();
        } else if (next == OPEN_PARENtok) {
            ParseProcedureStatement();
        } else {
            Expected("Statement");
            GetToken();
        }
        return;
    }
    case BindVar:
    case BindFieldDesignator: {
        VarAccess* probe = nullptr;
        (void)probe;
        Type* t = kind == BindVar && b->u.variable ? b->u.variable->t : nullptr;
        if (kind == BindFieldDesignator) {
            Variable* field = FindField(b->u.designator->record->t, b->u.designator->field);
            t = field ? field->t : nullptr;
        }
        if (t && IsObjectType(t) && PeekToken() == PERIODtok)
            ParseProcedureStatement();
        else
            ParseAssignment();
        return;
    }
    case BindFunc:
        // A function name followed by `:=` is an assignment even outside the function, so
        // that the misuse is reported as such.
        if (IsRoutineBeingDefined(b) ||
            (IsFunctionKind(b->u.function->kind) && PeekToken() == ASSIGNtok))
            ParseAssignment();
        else
            ParseProcedureStatement();
        return;
    default:
        if (NotAssignableWord(kind) && PeekToken() == ASSIGNtok) {
            ParseAssignment();
            return;
        }
        Expected("Statement");
        GetToken();
        return;
    }
}

// statement -> [ label : ] [ identifier-statement | BEGIN statement-sequence END
//              | goto-statement | if-statement | case-statement | while-statement
//              | repeat-statement | for-statement | with-statement ]
void ParseStatement() {
    ParserState& p = Parser();
    // Statements nest by recursion (if c then if c then ...): bounded like expressions,
    // so that no source can exhaust the stack.
    if (++p.statementNesting > MAX_NESTING) ReportMessage(msg::LimitProgramComplexity, nullptr);
    // The records of the statement's expressions die with it: its code is generated by the
    // time it ends, and nothing outside keeps them (see ScratchNew).
    ScratchScope records;
    CodeGenLine(CurrToken->line);
    CodeGenStatementStart();
    Label* label = nullptr;
    // A cardinal before `:` is a label too large for any label: PlaceLabel reports it and
    // skips it with its colon.
    if ((Tok() == INTtok || Tok() == CARDINALtok || Tok() == IDtok) && PeekToken() == COLONtok)
        label = PlaceLabel();
    switch (Tok()) {
    case BEGINtok:
        GetToken();
        ParseStatementSequence();
        Match(ENDtok);
        break;
    case IFtok: ParseIfStatement(); break;
    case WHILEtok: ParseWhileStatement(); break;
    case REPEATtok: ParseRepeatStatement(); break;
    case FORtok: ParseForStatement(); break;
    case CASEtok: ParseCaseStatement(); break;
    case WITHtok: ParseWithStatement(); break;
    case GOTOtok: ParseGotoStatement(); break;
    case IDtok: ParseIdentifierStatement(); break;
    default: break;   // the empty statement
    }
    if (label) label->inStatement = 0;
    p.statementNesting--;
}

// Where the current token stands, to tell whether a parse consumed anything.
struct TokenMark {
    const void* file;
    uint32_t line;
    const char* start;
    bool operator==(const TokenMark&) const = default;
};

TokenMark MarkToken() { return {CurrToken->filename, CurrToken->line, CurrToken->start}; }

// Tokens that may end a statement of a sequence; a statement with errors that stops at
// one of them needs no recovery. `until` ends only the sequence of a repeat statement:
// elsewhere it is a stray token, skipped like any other.
bool EndsStatement(TokenKind k, bool untilEnds) {
    return k == SEMI_COLONtok || k == ENDtok || k == EOFtok || (untilEnds && k == UNTILtok);
}

// Whether the token after a statement that lacks its `;` starts another statement.
bool StartsStatement() {
    const TokenKind k = Tok();
    if (!SetIn(Parser().statementStartSet, k)) return false;
    if (k == INTtok || k == CARDINALtok) return PeekToken() == COLONtok;
    if (k != IDtok) return true;
    const Binding* b = CurrToken->value.id->bind;
    if (!b || b->kind == BindVar || b->kind == BindFunc || b->kind == BindFieldDesignator)
        return true;
    return PeekToken() == COLONtok;
}

// statement-sequence -> statement { ; statement }
void ParseStatementSequence(bool untilEnds) {
    ParserState& p = Parser();
    if (p.sequenceCount == INT32_MAX) ReportMessage(msg::LimitStatementSequences, nullptr);
    if (p.sequenceDepth + 1 >= MAX_SEQUENCE_DEPTH)
        ReportMessage(msg::LimitStatementNesting, nullptr);
    const int32_t savedCurrent = p.currentSequence;
    p.currentSequence = ++p.sequenceCount;
    p.sequences[++p.sequenceDepth] = p.currentSequence;
    TokenMark previous{};
    for (;;) {
        CheckUserBreak();
        // Every turn of the loop must consume something. When a whole turn read nothing
        // (its error fell on a line that already has one, so nothing else changed), the
        // token is skipped, so that no source can hold the parser in place.
        if (MarkToken() == previous) {
            if (Tok() == EOFtok) break;
            GetToken();
        }
        previous = MarkToken();
        const int32_t before = ErrorCount();
        ParseStatement();
        bool recovered = false;
        if (ErrorCount() > before && !EndsStatement(Tok(), untilEnds)) {
            Recover(p.statementSet);
            recovered = true;
        }
        if (Tok() == SEMI_COLONtok) {
            GetToken();
            continue;
        }
        if (StartsStatement()) {
            if (!recovered) Match(SEMI_COLONtok);
            continue;
        }
        if (EndsStatement(Tok(), untilEnds) || Tok() == PERIODtok || recovered) break;
        // A stray token where the sequence should go on or end: reported as a missing
        // `;` (dropped when the `;` follows it), else skipped to the next statement.
        Match(SEMI_COLONtok);
        if (!StartsStatement() && !EndsStatement(Tok(), untilEnds)) Recover(p.statementSet);
        if (Tok() == SEMI_COLONtok) GetToken();
        if (EndsStatement(Tok(), untilEnds) && Tok() != SEMI_COLONtok) break;
    }
    p.sequenceDepth--;
    p.currentSequence = savedCurrent;
}

}  // namespace

// statement-part -> BEGIN statement-sequence END
void ParseStatementPart() {
    Trace(msg::TraceStatementPart);
    ParserState& p = Parser();
    CodeGenLine(CurrToken->line);
    Match(BEGINtok);
    ScopeAt(CurrentScope()).codeOffset = CodeGenOffset();
    ParseStatementSequence();
    p.lastEnd = Here();
    CodeGenLine(CurrToken->line);
    Match(ENDtok);
}

}  // namespace tarn::tpc
