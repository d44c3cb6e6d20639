// parse_expr: expressions with their precedence, factors, set constructors, variable
// accesses, and the calls of routines, built-in routines and object members.
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


// ---- Operators by precedence level ---------------------------------------------------------

bool IsRelationalOperator(TokenKind k) {
    return k == EQUALtok || k == NOT_EQUALtok || k == LESStok || k == LESS_EQUALtok ||
           k == GREATERtok || k == GREATER_EQUALtok || k == INtok;
}
bool IsShiftOperator(TokenKind k) { return k == SHLtok || k == SHRtok; }
bool IsAddingOperator(TokenKind k) {
    return k == PLUStok || k == MINUStok || k == ORtok || k == OR_ELSEtok || k == XORtok;
}
bool IsMultiplyingOperator(TokenKind k) {
    return k == STARtok || k == SLASHtok || k == DIVtok || k == MODtok || k == ANDtok ||
           k == AND_THENtok;
}

// ---- Built-in function results ---------------------------------------------------------------

// The result of each built-in function (kinds 0..75), one letter per kind:
// A the argument's type, D address, R real, C char, S string, I integer, O object,
// B Boolean, P pointer, W word, Y byte, X random (real without argument, integer with one).
constexpr char BUILTIN_RESULTS[] =
    "ADRCSSSRRIOSBBRSBIIRSSRIBBBBBBBBBBIRRCSBIISRIIAPXCSIRRWARIIABAIRRSICSSYYBIWW";
static_assert(sizeof BUILTIN_RESULTS - 1 == UserFunc, "one result per built-in function");

Type* BuiltinResult(int32_t kind, const List* actuals) {
    const ActualParm* first =
        ListCount(actuals) ? static_cast<const ActualParm*>(ListGet(actuals, 1)) : nullptr;
    Type* argument = first && first->kind == ActualParmExpr ? first->u.expr->ActualType : BadT;
    switch (BUILTIN_RESULTS[kind]) {
    case 'A':   // pred and succ keep their argument's range
        return kind == builtin::Pred || kind == builtin::Succ ? argument : PromotedType(argument);
    case 'D': return AddressT;
    case 'R': return RealT;
    case 'C': return CharT;
    case 'S': return StringT;
    case 'I': return IntegerT;
    case 'O': return GenericObjectT;
    case 'B': return BoolT;
    case 'P': return PointerT;
    case 'W': return WordT;
    case 'Y': return ByteT;
    default: return first ? IntegerT : RealT;
    }
}

// ---- Forward declarations ----------------------------------------------------------------------

Factor* ParseFactor();

// ---- Fields ------------------------------------------------------------------------------------

Variable* FindFieldIn(const FieldList* fl, const Identifier* id) {
    if (!fl) return nullptr;
    for (Variable* v : Items<Variable>(fl->rsl))
        if (v->id == id) return v;
    if (const VariantPart* vp = fl->variantPart) {
        if (vp->selector && vp->selector->tagField && vp->selector->tagField->id == id)
            return vp->selector->tagField;
        for (Variant* v : Items<Variant>(vp->VariantList))
            if (Variable* f = FindFieldIn(v->fieldList, id)) return f;
    }
    return nullptr;
}

}  // namespace

Variable* FindField(Type* record, const Identifier* id) {
    Type* t = ResolveType(record);
    return t->kind == RecordType ? FindFieldIn(t->u.record.fieldList, id) : nullptr;
}

namespace {

bool IsTagFieldIn(const FieldList* fl, const Identifier* id) {
    if (!fl || !fl->variantPart) return false;
    const VariantPart* vp = fl->variantPart;
    if (vp->selector && vp->selector->tagField && vp->selector->tagField->id == id) return true;
    for (Variant* v : Items<Variant>(vp->VariantList))
        if (IsTagFieldIn(v->fieldList, id)) return true;
    return false;
}

// ---- Variable accesses ---------------------------------------------------------------------

VarAccess* BadAccess(Identifier* id, const Position& pos) {
    return CreateEntireVariable(CreateVariable(id, BadT, &pos), id, &pos);
}

}  // namespace

// The variable an access starts from (none for a with-field).
Variable* BaseVariable(const VarAccess* a) {
    while (a) {
        switch (a->kind) {
        case EntireVariable: return a->u.entire.variable;
        case IndexedVariable: a = a->u.indexed.access; break;
        case FieldDesignator: a = a->u.field.record; break;
        case IdentifiedVariable: return nullptr;   // the pointer's target, not the pointer
        case BufferVariable: a = a->u.buffer.file; break;
        }
    }
    return nullptr;
}

namespace {

// index-selector -> [ expression { , expression } ]
VarAccess* ParseIndexes(VarAccess* access) {
    const Position pos = Here();
    GetToken();
    bool reported = false;
    for (;;) {
        Expression* index = ParseExpression();
        Type* t = ResolveType(access->t);
        Type* component = BadT;
        switch (t->kind) {
        case ArrayType:
            if (!IsBadType(index->ActualType) &&
                !IsCompatibleType(t->u.array.IndexType, index->ActualType))
                ReportMessage(msg::TypeMismatch, &index->pos);
            component = t->u.array.ComponentType;
            break;
        case ListType:
            if (!IsIntegralType(index->ActualType)) ReportMessage(msg::TypeMismatch, &index->pos);
            component = t->u.list.ct;
            break;
        case StringType:
        case CStringType:
            if (!IsIntegralType(index->ActualType)) ReportMessage(msg::TypeMismatch, &index->pos);
            component = CharT;
            break;
        case BadType: break;
        default:
            if (!reported) ReportMessage(msg::InvalidSyntax, &pos);
            reported = true;
            break;
        }
        access = CreateIndexedVariable(access, index, component, &pos);
        if (Tok() != COMMAtok) break;
        GetToken();
    }
    Match(CLOSE_BRACKETtok);
    return access;
}

// field-selector -> . IDENT
VarAccess* ParseFieldSelector(VarAccess* access) {
    const Position pos = Here();
    GetToken();
    Type* t = ResolveType(access->t);
    if (Tok() != IDtok) {
        Expected("Identifier");
        return BadAccess(nullptr, pos);
    }
    Identifier* id = CurrToken->value.id;
    GetToken();
    if (t->kind == BadType) return BadAccess(id, pos);
    if (t->kind != RecordType) {
        ReportMessage(msg::InvalidSyntax, &pos);
        return BadAccess(id, pos);
    }
    Variable* field = FindField(t, id);
    if (!field) {
        ReportMessage(msg::FieldNotFound, &pos, id->text);
        return BadAccess(id, pos);
    }
    return CreateFieldDesignator(access, id, -1, field->t, &pos);
}

// dereference -> ^
VarAccess* ParseDereference(VarAccess* access) {
    const Position pos = Here();
    GetToken();
    Type* t = ResolveType(access->t);
    switch (t->kind) {
    case PointerType: {
        Type* domain = ResolveType(t->u.pointer.domain);
        if (t == PointerT || domain == NullT) {
            ReportMessage(msg::GenericPointerMisuse, &pos);
            return BadAccess(nullptr, pos);
        }
        return CreateIdentifiedVariable(access, t->u.pointer.domain, &pos);
    }
    case FileType:
        if (t->u.file.noBuffer) {
            ReportMessage(msg::BinaryHasNoBuffer, &pos);
            return BadAccess(nullptr, pos);
        }
        return CreateBufferVariable(access, t->u.file.component, &pos);
    case BadType: return access;
    default: ReportMessage(msg::InvalidSyntax, &pos); return BadAccess(nullptr, pos);
    }
}

}  // namespace

bool IsObjectType(Type* t) { return ResolveType(t)->kind == ObjectType; }

namespace {

// ---- Calls -----------------------------------------------------------------------------------

bool IsEntireList(const Expression* e) {
    while (e && !e->factor && e->oper == UNDEFtok) e = e->left;
    if (!e || !e->factor || e->factor->kind != VarAccessFactor) return false;
    const VarAccess* a = e->factor->u.access;
    return a->kind == EntireVariable && ResolveType(a->t)->kind == ListType;
}

bool IsPackedComponent(const VarAccess* a) {
    const VarAccess* inner = a->kind == IndexedVariable ? a->u.indexed.access
                           : a->kind == FieldDesignator ? a->u.field.record : nullptr;
    return inner && ResolveType(inner->t)->packed;
}

bool IsVariantSelectorAccess(const VarAccess* a) {
    if (a->kind != FieldDesignator || !a->u.field.record) return false;
    Type* t = ResolveType(a->u.field.record->t);
    return t->kind == RecordType && IsTagFieldIn(t->u.record.fieldList, a->u.field.field);
}

// variable-actual -> variable-access
ActualParm* ParseVarActual(const FormalParmSection* formal) {
    const Position pos = Here();
    VarAccess* a = ParseVariableAccess();
    if (IsVariantSelectorAccess(a)) {
        ReportMessage(msg::SelectorByReference, &pos);
    } else if (IsPackedComponent(a)) {
        ReportMessage(msg::PackedComponentByReference, &pos);
    } else if (!IsBadType(a->t)) {
        CheckVarParm(formal->u.VarParmSpec.t, a->t, &pos);
    }
    return CreateVarActualParm(a, &pos);
}

// value-actual -> expression
ActualParm* ParseValueActual(const FormalParmSection* formal) {
    const Position pos = Here();
    Expression* e = ParseExpression();
    if (IsEntireList(e)) {
        ReportMessage(msg::ListByValue, &pos);
    } else {
        CheckValueParm(formal->u.ValueParmSpec.t, e, &pos);
    }
    return CreateExprActualParm(e, &pos);
}

// routine-actual -> routine-identifier
ActualParm* ParseRoutineActual(const FormalParmSection* formal) {
    const Position pos = Here();
    const bool wantFunction = formal->u.funcParmSpec.fh->result != nullptr;
    const char* word = wantFunction ? "Function identifier" : "Procedure identifier";
    Binding* b = Tok() == IDtok ? CurrToken->value.id->bind : nullptr;
    if (!b || b->kind != BindFunc || IsFunctionKind(b->u.function->kind) != wantFunction) {
        Expected(word);
        if (Tok() == IDtok) GetToken();
        return CreateExprActualParm(CreateBadExpression(&pos), &pos);
    }
    b->referenced = 1;
    GetToken();
    CheckProcParm(formal, b->u.function, &pos);
    return CreateFuncActualParm(b, &pos);
}

}  // namespace

// actual-parameter-list -> ( actual { , actual } )
// actual -> variable-actual | value-actual | routine-actual   (by the formal parameter)
// `(` one actual per formal `)`.
List* ParseActualParameters(const FuncHeading* fh) {
    List* actuals = ListCreateScratch();
    const List* sections = fh && fh->parms ? fh->parms->sections : nullptr;
    Match(OPEN_PARENtok);
    const uint32_t count = ListCount(sections);
    for (uint32_t i = 1; i <= count; i++) {
        const FormalParmSection* s = static_cast<const FormalParmSection*>(ListGet(sections, i));
        switch (s->kind) {
        case FormalParmValue: ListAppend(actuals, ParseValueActual(s)); break;
        case FormalParmVar: ListAppend(actuals, ParseVarActual(s)); break;
        case FormalParmFunc: ListAppend(actuals, ParseRoutineActual(s)); break;
        }
        if (i < count) Match(COMMAtok);
    }
    Match(CLOSE_PARENtok);
    return actuals;
}

bool HasParameters(const FuncHeading* fh) {
    return fh && fh->parms && ListCount(fh->parms->sections) > 0;
}

// builtin-arguments -> ( argument { , argument } )
// argument -> expression [ : expression [ : expression ] ] | type-identifier
// The arguments of a built-in routine: expressions, each with optional `:` field widths
// (write, writeln, str), or a type identifier (sizeof). The built-in call modules check
// them against the routine's pattern.
List* ParseBuiltinArguments() {
    List* actuals = ListCreateScratch();
    if (Tok() != OPEN_PARENtok) return actuals;
    GetToken();
    if (Tok() == CLOSE_PARENtok) {
        GetToken();
        return actuals;
    }
    for (;;) {
        const Position pos = Here();
        Binding* b = Tok() == IDtok ? CurrToken->value.id->bind : nullptr;
        if (b && b->kind == BindType &&
            (PeekToken() == CLOSE_PARENtok || PeekToken() == COMMAtok)) {
            b->referenced = 1;
            ListAppend(actuals, CreateTypeActualParm(b->u.type, &pos));
            GetToken();
        } else {
            ListAppend(actuals, CreateExprActualParm(ParseExpression(), &pos));
            for (int widths = 0; widths < 2 && Tok() == COLONtok; widths++) {
                GetToken();
                ListAppend(actuals, CreateExprActualParm(ParseExpression(), &pos));
            }
        }
        if (Tok() != COMMAtok) break;
        GetToken();
    }
    Match(CLOSE_PARENtok);
    return actuals;
}

// The standard text file a built-in routine uses when its first argument is no file:
// output for write, writeln and page, input for read, readln, eof and eoln. It must have
// been declared (as a program parameter, or by option ead).
void NoteDefaultFile(int32_t kind, const List* actuals) {
    const bool output = kind == builtin::Write || kind == builtin::WriteLn || kind == builtin::Page;
    const bool input = kind == builtin::Read || kind == builtin::ReadLn || kind == builtin::Eof ||
                       kind == builtin::Eoln;
    if (!output && !input) return;
    if (ListCount(actuals) > 0) {
        const ActualParm* first = static_cast<const ActualParm*>(ListGet(actuals, 1));
        if (first->kind == ActualParmExpr &&
            ResolveType(first->u.expr->ActualType)->kind == FileType)
            return;
    }
    Identifier* id = Intern(output ? "output" : "input");
    for (Binding* b = id->bind; b; b = b->prev) {
        if (b->kind == BindVar && b->u.variable == (output ? OutputVar : InputVar)) {
            b->referenced = 1;
            return;
        }
    }
    ReportMessage(output ? msg::OutputNotProgramArgument : msg::InputNotProgramArgument, nullptr);
}

// The items of write and writeln on a text file: numbers, chars, booleans, strings and
// variants have a written form; anything else (an enumeration value, a record, a pointer)
// does not. An item's width and decimals share its position and are passed over.
void CheckWriteItems(int32_t kind, const List* actuals) {
    if (kind != builtin::Write && kind != builtin::WriteLn) return;
    const uint32_t count = ListCount(actuals);
    uint32_t i = 1;
    if (count > 0) {
        const ActualParm* first = static_cast<const ActualParm*>(ListGet(actuals, 1));
        if (first->kind == ActualParmExpr) {
            Type* ft = ResolveType(first->u.expr->ActualType);
            if (ft->kind == FileType) {
                if (HostOf(ft->u.file.component)->kind != CharType || ft->u.file.noBuffer) return;
                i = 2;
            }
        }
    }
    const Position* previous = nullptr;
    for (; i <= count; i++) {
        const ActualParm* a = static_cast<const ActualParm*>(ListGet(actuals, i));
        if (previous && SamePosition(a->pos, *previous)) continue;
        previous = &a->pos;
        if (a->kind != ActualParmExpr) continue;
        Type* t = HostOf(a->u.expr->PromotedType);
        if (IsIntegralType(t) || IsRealType(t) || IsCharType(t) || IsBooleanType(t) ||
            IsStringType(a->u.expr->ActualType) || t->kind == StringType ||
            t->kind == CStringType || t->kind == VariantType)
            continue;
        ReportMessage(msg::NotWritableToText, &a->u.expr->pos);
    }
}

namespace {

// ---- Object members -----------------------------------------------------------------------------

bool IsMethodArgumentType(Type* t) {
    Type* r = ResolveType(t);
    if (r->kind == SubrangeType) r = ResolveType(r->u.subrange.HostType);
    switch (r->kind) {
    case EnumType: case ObjectType: case IntegerType: case FloatType: case RealType: case ByteType:
    case WordType: case BadType: case VariantType:
        return true;
    default:
        return IsStringType(r) || r == CharT;
    }
}

// method-arguments -> ( expression { , expression } )
List* ParseMethodArguments() {
    List* args = ListCreateScratch();
    if (Tok() != OPEN_PARENtok) return args;
    GetToken();
    if (Tok() != CLOSE_PARENtok) {
        for (;;) {
            Expression* e = ParseExpression();
            if (!IsMethodArgumentType(e->ActualType))
                ReportMessage(msg::InvalidMethodArgument, &e->pos);
            ListAppend(args, e);
            if (Tok() != COMMAtok) break;
            GetToken();
        }
    }
    Match(CLOSE_PARENtok);
    return args;
}

// member-name -> IDENT | ( expression )
// A member name: an identifier, pooled in the fixed data (its internal name is returned),
// or `(` a string or char expression `)`, appended to args (none is returned).
Identifier* ParseMemberName(List* args) {
    if (Tok() == IDtok) {
        Identifier* id = PoolMember(CurrToken->value.id);
        GetToken();
        return id;
    }
    if (Tok() == OPEN_PARENtok) {
        GetToken();
        Expression* e = ParseExpression();
        if (!IsBadType(e->ActualType) && !IsStringType(e->ActualType) &&
            PromotedType(e->ActualType) != CharT)
            ReportMessage(msg::Expected, &e->pos, "String or Char expression");
        ListAppend(args, e);
        Match(CLOSE_PARENtok);
        return nullptr;
    }
    Expected("String or Char expression");
    return nullptr;
}

Identifier* MemberWord(const Words& w, std::initializer_list<Identifier* Words::*> members) {
    if (Tok() != IDtok) return nullptr;
    for (auto m : members)
        if (CurrToken->value.id == w.*m) return w.*m;
    return nullptr;
}

}  // namespace

// object-statement -> . member-name [ method-arguments ] [ := expression ]
// A connection or recordset procedure, or a generic-object property write or method call.
void ParseObjectStatement(VarAccess* object) {
    Type* t = ResolveType(object->t);
    const Words& w = PredefinedWords();
    GetToken();   // .
    if (t == ConnectionT || t == RecordsetT) {
        const bool connection = t == ConnectionT;
        Identifier* member = connection ? MemberWord(w, {&Words::open, &Words::close,
                                                         &Words::selectdatabase, &Words::execute})
                                        : MemberWord(w, {&Words::open, &Words::close,
                                                         &Words::movenext, &Words::moreresults});
        if (!member) {
            Expected("Procedure identifier");
            Recover(Parser().statementSet);
            return;
        }
        ReportMessage(connection ? msg::TraceConnectionProcedure : msg::TraceRecordsetProcedure,
                      nullptr, member->text);
        GetToken();
        List* args = ParseBuiltinArguments();
        CodeGenObjectProcedure(object, member, args, false);
        return;
    }
    Trace(msg::TraceObjectPut);
    List* args = ListCreateScratch();
    Identifier* member = ParseMemberName(args);
    if (Tok() == ASSIGNtok || Tok() == EQUALtok) {
        GetToken();
        Expression* e = ParseExpression();
        if (!IsMethodArgumentType(e->ActualType))
            ReportMessage(msg::InvalidMethodArgument, &e->pos);
        ListAppend(args, e);
        CodeGenObjectProcedure(object, member, args, true);
        return;
    }
    List* more = ParseMethodArguments();
    for (Expression* e : Items<Expression>(more)) ListAppend(args, e);
    CodeGenObjectProcedure(object, member, args, false);
}

namespace {

// object-function -> . member-name [ method-arguments ]
// A connection or recordset function, or a generic-object property read or function method.
Factor* ParseObjectFunction(VarAccess* object, const Position& pos) {
    Type* t = ResolveType(object->t);
    const Words& w = PredefinedWords();
    GetToken();   // .
    ObjectCall* call = ScratchNew<ObjectCall>();
    call->object = object;
    call->args = ListCreateScratch();
    if (t == ConnectionT) {
        Trace(msg::TraceConnectionFunction);
        static constexpr struct {
            Identifier* Words::*word;
            Type** result;
        } MEMBERS[] = {
            {&Words::databasename, &StringT},  {&Words::dbmsname, &StringT},
            {&Words::dbmsver, &StringT},       {&Words::dmver, &StringT},
            {&Words::odbcver, &StringT},       {&Words::procedures, &BoolT},
            {&Words::transactions, &BoolT},    {&Words::readonly, &BoolT},
            {&Words::transsupport, &IntegerT},
        };
        Identifier* id = Tok() == IDtok ? CurrToken->value.id : nullptr;
        call->t = nullptr;
        for (const auto& m : MEMBERS)
            if (id && id == w.*m.word) call->t = *m.result;
        if (!call->t) {
            ReportMessage(msg::FieldNotFound, nullptr, id ? id->text : "");
            call->t = BadT;
        }
        call->member = id;
        if (Tok() == IDtok) GetToken();
        if (IsFlagOption(opt::p)) {
            Match(OPEN_PARENtok);
            Match(CLOSE_PARENtok);
        }
    } else if (t == RecordsetT) {
        Trace(msg::TraceRecordsetFunction);
        Identifier* id = Tok() == IDtok ? CurrToken->value.id : nullptr;
        call->member = id;
        if (id == w.eof) {
            GetToken();
            call->t = BoolT;
            if (IsFlagOption(opt::p)) {
                Match(OPEN_PARENtok);
                Match(CLOSE_PARENtok);
            }
        } else if (id == w.field || Tok() == OPEN_PARENtok) {
            if (id) GetToken();
            call->member = w.field;
            Match(OPEN_PARENtok);
            Expression* e = ParseExpression();
            if (!IsBadType(e->ActualType) && !IsStringType(e->ActualType) &&
                PromotedType(e->ActualType) != CharT)
                ReportMessage(msg::Expected, &e->pos, "String or Char expression");
            ListAppend(call->args, e);
            Match(CLOSE_PARENtok);
            call->t = VariantT;
        } else {
            ReportMessage(msg::FieldNotFound, nullptr, id ? id->text : "");
            if (id) GetToken();
            call->t = BadT;
        }
    } else {
        Trace(msg::TraceObjectGet);
        call->member = ParseMemberName(call->args);
        if (call->member && call->member->bind) call->name = call->member->bind->u.literal;
        List* more = ParseMethodArguments();
        for (Expression* e : Items<Expression>(more)) ListAppend(call->args, e);
        call->t = VariantT;
    }
    return CreateObjectCallFactor(call, &pos);
}

// ---- Factors ------------------------------------------------------------------------------------

// function-designator -> function-identifier [ actual-parameter-list | builtin-arguments ]
Factor* ParseFunctionDesignator(Binding* b, const Position& pos) {
    Trace(msg::TraceFunctionDesignator);
    Function* f = b->u.function;
    b->referenced = 1;
    GetToken();
    List* actuals;
    Type* result;
    if (f->kind == UserFunc) {
        actuals = HasParameters(f->heading) || IsFlagOption(opt::p)
                      ? ParseActualParameters(f->heading)
                      : ListCreateScratch();
        result = f->heading && f->heading->result ? f->heading->result->t : BadT;
    } else {
        actuals = ParseBuiltinArguments();
        NoteDefaultFile(f->kind, actuals);
        CheckBuiltinArguments(f, actuals, pos);
        result = BuiltinResult(f->kind, actuals);
    }
    return CreateFunctionFactor(CreateFunctionDesignator(b, result, actuals), &pos);
}

// set-constructor -> [ [ member { , member } ] ]
// member -> expression [ .. expression ]
Factor* ParseSetConstructor() {
    Trace(msg::TraceSetConstructor);
    const Position pos = Here();
    GetToken();
    List* members = ListCreateScratch();
    if (Tok() != CLOSE_BRACKETtok) {
        for (;;) {
            Expression* low = ParseExpression();
            Expression* high = nullptr;
            if (Tok() == DOT_DOTtok) {
                GetToken();
                high = ParseExpression();
            }
            ListAppend(members, CreateMemberDesignator(low, high));
            if (Tok() != COMMAtok) break;
            GetToken();
        }
    }
    Match(CLOSE_BRACKETtok);
    SetConstructor* s = CreateSetConstructor(members);
    FinishSetConstructor(s, &pos);
    return CreateSetFactor(s, &pos);
}

// The word for "'%s' can not be used in this context." by binding kind.
const char* MisusedWord(int32_t kind) {
    switch (kind) {
    case BindType: return "type identifier";
    case BindProgParm: return "program argument";
    case BindLabel: return "label";
    default: return nullptr;
    }
}

// identifier-factor -> variable-access | constant-identifier | function-designator
//                      | variable-access object-function
Factor* ParseIdentifierFactor(const Position& pos) {
    Identifier* id = CurrToken->value.id;
    Binding* b = id->bind;
    const int32_t kind = b ? b->kind : BindNone;
    if (kind == BindConst) {
        b->referenced = 1;
        Trace(msg::TraceUnsignedConstant);
        Constant* c = CreateIdConstant(id, &pos);
        GetToken();
        return CreateConstantFactor(c, &pos);
    }
    if (kind == BindFunc) {
        if (!IsFunctionKind(b->u.function->kind)) {
            ReportMessage(msg::NotInThisContext, &pos, "procedure-identifier");
            GetToken();
            return CreateBadFactor(&pos);
        }
        return ParseFunctionDesignator(b, pos);
    }
    if (const char* word = MisusedWord(kind)) {
        ReportMessage(msg::NotInThisContext, &pos, word);
        GetToken();
        return CreateBadFactor(&pos);
    }
    VarAccess* a = ParseVariableAccess();
    if (IsObjectType(a->t) && Tok() == PERIODtok) return ParseObjectFunction(a, pos);
    return CreateVarAccessFactor(a, &pos);
}

// factor-proper -> unsigned-constant | NOT factor | ( expression ) | set-constructor
//                  | identifier-factor
Factor* ParseFactorProper(int32_t sign, const Position& pos) {
    switch (Tok()) {
    case NILtok: case INTtok: case CARDINALtok: case REALtok: case CHARtok: case STRINGtok: {
        Constant* c = ParseUnsignedConstant();
        // A string literal in an expression goes to the fixed data, once per scope.
        if (c->kind == ConstantString && c->value.string->length >= 2)
            c->value.string->pooled = PoolLiteral(c->value.string->text, c->value.string->length);
        return CreateConstantFactor(c, &pos);
    }
    case NOTtok:
        if (sign != SignNone) ReportMessage(msg::InvalidSign, &pos);
        GetToken();
        return CreateNotFactor(ParseFactor(), &pos);
    case OPEN_PARENtok: {
        GetToken();
        Expression* e = ParseExpression();
        Match(CLOSE_PARENtok);
        return CreateParenFactor(e, &pos);
    }
    case OPEN_BRACKETtok:
        if (sign != SignNone) ReportMessage(msg::InvalidSign, &pos);
        return ParseSetConstructor();
    case IDtok: return ParseIdentifierFactor(pos);
    default:
        ReportMessage(msg::InvalidSyntax, nullptr);
        return CreateBadFactor(&pos);
    }
}

// factor -> [ + | - ] factor-proper                (the sign only with option nu)
Factor* ParseFactor() {
    ParserState& p = Parser();
    if (++p.factorNesting > MAX_NESTING) ReportMessage(msg::LimitProgramComplexity, nullptr);
    Trace(msg::TraceFactor);
    const Position pos = Here();
    int32_t sign = SignNone;
    if (IsFlagOption(opt::nu) && (Tok() == PLUStok || Tok() == MINUStok)) {
        sign = Tok() == PLUStok ? SignPlus : SignMinus;
        GetToken();
    }
    Factor* f = ParseFactorProper(sign, pos);
    if (sign != SignNone && f->kind != NotFactor && f->kind != SetConstructorFactor) f->sign = sign;
    p.factorNesting--;
    return f;
}

// ---- Expressions: one function per precedence level ---------------------------------------------

// A level that found none of its operators hands up the node below as it is when that
// node starts at the same place (a wrapper there would repeat its position and types), so
// a plain factor is one record, not one per level. A wrapper stays where it carries a
// leading sign or a place of its own (an operator chain is stamped at its operator).
Expression* Level(Expression* inner, const Position& pos) {
    if (SamePosition(inner->pos, pos) && inner->pos.length == pos.length) return inner;
    return CreateWrapperExpression(inner, &pos);
}

// term -> factor { ( * | / | DIV | MOD | AND | AND_THEN ) factor }
Expression* ParseTerm() {
    const Position pos = Here();
    Expression* node = CreateLeafExpression(ParseFactor(), &pos);
    if (!IsMultiplyingOperator(Tok())) return node;
    while (IsMultiplyingOperator(Tok())) {
        const Position opPos = Here();
        const TokenKind op = Tok();
        GetToken();
        const Position rightPos = Here();
        node = CreateBinaryExpression(node, op, CreateLeafExpression(ParseFactor(), &rightPos),
                                      &opPos);
    }
    return node;
}

// simple-expression -> [ + | - ] term { ( + | - | OR | OR_ELSE | XOR ) term }
Expression* ParseSimpleExpression() {
    const Position pos = Here();
    int32_t sign = SignNone;
    if (!IsFlagOption(opt::nu) && (Tok() == PLUStok || Tok() == MINUStok)) {
        sign = Tok() == PLUStok ? SignPlus : SignMinus;
        GetToken();
    }
    Expression* node = ParseTerm();
    if (!IsAddingOperator(Tok())) {
        // A sign keeps its wrapper: the checks and the code read the sign of a simple
        // expression from a node above its first term.
        if (sign == SignNone) return Level(node, pos);
        node = CreateWrapperExpression(node, &pos);
    } else {
        while (IsAddingOperator(Tok())) {
            const Position opPos = Here();
            const TokenKind op = Tok();
            GetToken();
            node = CreateBinaryExpression(node, op, ParseTerm(), &opPos);
        }
    }
    node->sign = sign;
    return node;
}

// shift-expression -> simple-expression { ( SHL | SHR ) simple-expression }
Expression* ParseShiftExpression() {
    const Position pos = Here();
    Expression* left = ParseSimpleExpression();
    if (!IsShiftOperator(Tok())) return Level(left, pos);
    const Position opPos = Here();
    const TokenKind op = Tok();
    GetToken();
    return CreateBinaryExpression(left, op, ParseSimpleExpression(), &opPos);
}

// relation -> shift-expression [ ( = | <> | < | <= | > | >= | IN ) shift-expression ]
Expression* ParseRelation() {
    const Position pos = Here();
    Expression* left = ParseShiftExpression();
    if (!IsRelationalOperator(Tok())) return Level(left, pos);
    const Position opPos = Here();
    const TokenKind op = Tok();
    GetToken();
    return CreateBinaryExpression(left, op, ParseShiftExpression(), &opPos);
}

}  // namespace

// expression -> relation
Expression* ParseExpression() {
    ParserState& p = Parser();
    if (++p.exprNesting > MAX_NESTING) ReportMessage(msg::LimitProgramComplexity, nullptr);
    Trace(msg::TraceExpression);
    Expression* e = ParseRelation();
    FinishExpression(e);
    p.exprNesting--;
    return e;
}

// variable-access -> IDENT { index-selector | field-selector | dereference }
VarAccess* ParseVariableAccess() {
    Trace(msg::TraceVariableAccess);
    const Position pos = Here();
    if (Tok() != IDtok) {
        Expected("Variable");
        return BadAccess(nullptr, pos);
    }
    Identifier* id = CurrToken->value.id;
    Binding* b = id->bind;
    VarAccess* access;
    if (b && b->kind == BindVar && b->u.variable) {
        b->referenced = 1;
        access = CreateEntireVariable(b->u.variable, id, &pos);
    } else if (b && b->kind == BindFieldDesignator) {
        b->referenced = 1;
        FieldDesignatorRef* r = b->u.designator;
        Variable* field = FindField(r->record->t, r->field);
        access =
            CreateFieldDesignator(r->record, r->field, r->withLocal, field ? field->t : BadT, &pos);
    } else {
        Expected("Variable");
        GetToken();
        return BadAccess(id, pos);
    }
    GetToken();
    for (;;) {
        switch (Tok()) {
        case OPEN_BRACKETtok: access = ParseIndexes(access); continue;
        case PERIODtok:
            if (IsObjectType(access->t)) return access;
            access = ParseFieldSelector(access);
            continue;
        case POINTERtok: access = ParseDereference(access); continue;
        default: return access;
        }
    }
}

// case-constant-list -> case-constant { , case-constant }
// case-constant -> constant [ .. constant ]
List* ParseCaseConstantList() {
    Trace(msg::TraceCaseConstantList);
    List* ranges = ListCreateScratch();
    for (;;) {
        Trace(msg::TraceCaseConstant);
        Constant* low = ParseConstant();
        Constant* high = nullptr;
        if (Tok() == DOT_DOTtok && IsFlagOption(opt::ecr)) {
            GetToken();
            high = ParseConstant();
        }
        ListAppend(ranges, CreateCaseRange(low, high));
        if (Tok() != COMMAtok) return ranges;
        GetToken();
    }
}

}  // namespace tarn::tpc
