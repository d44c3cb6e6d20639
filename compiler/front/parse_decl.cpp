// parse: program, blocks, declarations, routine headings and directives, type denoters.
#include "compiler/front/parser.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "compiler/codegen/codegen.h"
#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/base/process.h"
#include "compiler/front/records.h"
#include "compiler/front/case_values.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/layout.h"
#include "compiler/front/types.h"
#include "compiler/front/idtable.h"
#include "compiler/front/predefined.h"
#include "compiler/front/lexer.h"
#include "compiler/front/parser.h"

namespace tarn::tpc {

namespace {

ParserState gParser;

// The words used in "A %s can not follow a %s.", by block position.
const char* const POSITION_NAMES[] = {
    "start",           "label declaration",    "constant definition",
    "type definition", "variable declaration", "procedure or function declaration",
    "statement",
};

BitSet* TokenSet(std::initializer_list<TokenKind> kinds) {
    BitSet* s = SetCreate(0, TOKEN_KIND_COUNT - 1);
    for (TokenKind k : kinds) SetInclude(s, k);
    return s;
}

// The binding of id when it was made in the current scope with `kind`; none otherwise
// (a rejected binding leaves an older meaning in place, which must not be overwritten).
Binding* OwnBinding(Identifier* id, BindingKind kind) {
    Binding* b = id ? id->bind : nullptr;
    return b && b->kind == kind && b->scope == CurrentScope() ? b : nullptr;
}

// One identifier of an identifier list and where it stood.
struct ListedId {
    Identifier* id;
    Position pos;
};

// Runs a declaration; when it raised errors, skips to the recovery set and takes a `;`
// found there. Without errors the `;` is matched normally.
template <class Body>
void Declaration(const BitSet* recovery, Body body) {
    const int32_t before = ErrorCount();
    body();
    if (ErrorCount() > before) {
        Recover(recovery);
        if (Tok() == SEMI_COLONtok) GetToken();
    } else {
        Match(SEMI_COLONtok);
    }
}

// ---- Identifier lists -------------------------------------------------------------------

bool Listed(const List* ids, const Identifier* id) {
    for (ListedId* l : Items<ListedId>(ids))
        if (l->id == id) return true;
    return false;
}

// identifier-list -> IDENT { , IDENT }
// identifier { , identifier }, each bound as `kind` (BindNone: not bound). Returns the
// identifiers in order (ListedId*).
List* ParseIdList(int32_t kind) {
    List* ids = ListCreateScratch();
    const int32_t before = ErrorCount();
    if (Tok() != IDtok) {
        Expected("Identifier");
    } else {
        ReportMessage(msg::TraceIdList, nullptr, CurrToken->value.id->text);
    }
    while (Tok() == IDtok) {
        Identifier* id = CurrToken->value.id;
        const Position pos = Here();
        if (Listed(ids, id)) {
            ReportMessage(msg::InvalidRedefinition, &pos, id->text);
        } else {
            if (kind != BindNone) Bind(id, static_cast<BindingKind>(kind), StatusDeclared);
            ListAppend(ids, ScratchNew<ListedId>(ListedId{id, pos}));
        }
        GetToken();
        if (Tok() == COMMAtok) {
            GetToken();
            if (Tok() != IDtok) Expected("Identifier");
        } else if (Tok() == IDtok) {
            Expected("Comma");
        }
    }
    if (ErrorCount() > before) Recover(Parser().declarationSet);
    return ids;
}

// ---- Constants ------------------------------------------------------------------------------

Constant* ConstantIdentifier() {
    Identifier* id = CurrToken->value.id;
    if (InDeclarationPart() && !IsBoundInCurrentScope(id) && BindingKindOf(id) != BindConst) {
        BindPlaceholder(id, BindConst);   // reports "Constant expected." when there is none
        GetToken();
        return id->bind && id->bind->kind == BindConst ? CreateIdConstant(id) : CreateBadConstant();
    }
    if (InDeclarationPart() && !IsBoundInCurrentScope(id)) BindPlaceholder(id, BindConst);
    if (BindingKindOf(id) != BindConst) {
        Expected("Constant");
        GetToken();
        return CreateBadConstant();
    }
    id->bind->referenced = 1;
    Constant* c = CreateIdConstant(id);
    GetToken();
    return c;
}

}  // namespace

ParserState& Parser() { return gParser; }

void Expected(const char* what) { ReportMessage(msg::Expected, nullptr, what); }

void CheckUserBreak() {
    if (UserBreak()) ReportMessage(msg::TerminatedByUser, nullptr);
}

void Recover(const BitSet* set) {
    ReportMessage(msg::TraceErrorRecovery, nullptr);
    while (!SetIn(set, Tok())) {
        char text[MAX_LINE + 1];
        TokenText(*CurrToken, text, sizeof text);
        ReportMessage(msg::TraceSkipping, nullptr, text);
        GetToken();
    }
}

bool InDeclarationPart() { return gParser.blockPosition != PositionStatement; }

RoutineInProgress* RoutineBeingDefined(const Function* f) {
    for (int32_t i = gParser.routineCount - 1; i >= 0; i--)
        if (gParser.routines[i].routine == f) return &gParser.routines[i];
    return nullptr;
}

void InitParser() {
    ReportMessage(msg::TraceInitParser, nullptr);
    gParser = ParserState{};
    gParser.sequenceDepth = -1;
    SetVariableCounter(0);
    ResetTypeNesting();
    gParser.programParameters = ListCreate();
    gParser.declarationSet = TokenSet({CLOSE_PARENtok, COLONtok, SEMI_COLONtok, EOFtok});
    gParser.blockSet = TokenSet({LABELtok, CONSTtok, TYPEtok, VARtok, FUNCTIONtok, PROCEDUREtok,
                                 BEGINtok, SEMI_COLONtok, EOFtok});
    gParser.statementSet = TokenSet({IFtok, BEGINtok, CASEtok, ENDtok, WHILEtok, REPEATtok, FORtok,
                                     WITHtok, GOTOtok, SEMI_COLONtok, EOFtok});
    gParser.statementStartSet = TokenSet({INTtok, CARDINALtok, IFtok, IDtok, BEGINtok, CASEtok,
                                          WHILEtok, REPEATtok, FORtok, WITHtok, GOTOtok});
    gParser.caseEndSet = TokenSet({ELSEtok, ENDtok, OTHERWISEtok, CLOSE_PARENtok, EOFtok});
    // Generic-object calls check their arguments against one value parameter of StringT.
    List* parm = ListCreate();
    ListAppend(parm, CreateVariable(nullptr, StringT));
    gParser.stringParameter = CreateFormalParmList();
    ListAppend(gParser.stringParameter->sections, CreateValueParmSection(parm, StringT));
    ReportMessage(msg::TraceInitAuxParser, nullptr);
    gParser.relaxed = IsFlagOption(opt::erd);
}

// unsigned-constant -> number | string | character | NIL | constant-identifier
Constant* ParseUnsignedConstant() {
    ReportMessage(msg::TraceUnsignedConstant, nullptr);
    Constant* c = nullptr;
    switch (Tok()) {
    case INTtok: c = CreateIntegerConstant(CurrToken->value.integer); break;
    case CARDINALtok: c = CreateCardinalConstant(CurrToken->value.cardinal); break;
    case REALtok: c = CreateRealConstant(CurrToken->value.real); break;
    case CHARtok: c = CreateCharConstant(CurrToken->value.character[0]); break;
    case STRINGtok: c = CreateStringConstant(CurrToken->value.string, CurrToken->spare); break;
    case NILtok: c = CreateNilConstant(); break;
    case IDtok: return ConstantIdentifier();
    default: return nullptr;
    }
    GetToken();
    return c;
}

// constant -> [ + | - ] unsigned-constant
Constant* ParseConstant() {
    ReportMessage(msg::TraceConstant, nullptr);
    int32_t sign = SignNone;
    const Position signPos = Here();
    if (Tok() == PLUStok || Tok() == MINUStok) {
        sign = Tok() == PLUStok ? SignPlus : SignMinus;
        GetToken();
    }
    if (Tok() == NILtok) {
        Expected("Constant");
        GetToken();
        return CreateBadConstant();
    }
    Constant* c = ParseUnsignedConstant();
    if (!c) {
        Expected("Constant");
        return CreateBadConstant();
    }
    if (sign == SignNone) return c;
    const bool unsignable = c->kind == ConstantChar || c->kind == ConstantString ||
                            c->kind == ConstantEnumId || c->kind == ConstantNil;
    if (unsignable) {
        ReportMessage(msg::InvalidSign, &signPos);
    } else {
        c->sign = sign;   // a constant identifier's sign is checked when it is finished
    }
    return c;
}

// ---- Types ------------------------------------------------------------------------------------

namespace {

// subrange-type -> constant .. constant
Type* ParseSubrange() {
    const Position pos = Here();
    Constant* low = ParseConstant();
    Match(DOT_DOTtok);
    Constant* high = ParseConstant();
    return CreateSubrangeType(low, high, &pos);
}

// string-type -> ( STRING | CSTRING ) ( [ constant ] | ( constant ) )
// string[n] or string(n), cstring likewise: the length must be an integer constant.
Type* ParseStringType(bool cstring) {
    const Position pos = Here();
    GetToken();
    const TokenKind close = Tok() == OPEN_BRACKETtok ? CLOSE_BRACKETtok : CLOSE_PARENtok;
    GetToken();
    const Position lengthPos = Here();
    Constant* c = FinishConstant(ParseConstant());
    uint32_t length = 255;
    if (c->kind == ConstantBad) {
        // reported already
    } else if (c->kind != ConstantInteger && c->kind != ConstantCardinal) {
        ReportMessage(msg::Expected, &lengthPos, "Integer constant");
    } else if (c->kind == ConstantCardinal || c->value.integer < 1 ||
               static_cast<uint32_t>(c->value.integer) > MAX_STRING_LENGTH) {
        ReportMessage(msg::StringLengthRange, &lengthPos, static_cast<int>(MAX_STRING_LENGTH));
        length = MAX_STRING_LENGTH;
    } else {
        length = static_cast<uint32_t>(c->value.integer);
    }
    Match(close);
    return cstring ? CreateCStringType(length, &pos) : CreateStringType(length, &pos);
}

// named-type -> type-identifier | string-type | subrange-type
// A type named by an identifier: a type identifier, a string type, or a subrange whose low
// bound is a constant identifier.
Type* ParseNamedType() {
    Identifier* id = CurrToken->value.id;
    const Position pos = Here();
    if (BindingKindOf(id) == BindConst) return ParseSubrange();
    if (!IsBoundInCurrentScope(id)) {
        if (BindingKindOf(id) == BindType) {
            Type* bound = id->bind->u.type;
            const TokenKind next = PeekToken();
            if ((bound == StringT || bound == CStringT) &&
                (next == OPEN_BRACKETtok || next == OPEN_PARENtok)) {
                id->bind->referenced = 1;
                return ParseStringType(bound == CStringT);
            }
        }
        BindPlaceholder(id, BindType);
    }
    Binding* b = id->bind;
    if (!b || b->kind != BindType) {
        Expected("Type");
        GetToken();
        return BadT;
    }
    b->referenced = 1;
    Type* bound = b->u.type;
    if ((bound == StringT || bound == CStringT) &&
        (PeekToken() == OPEN_BRACKETtok || PeekToken() == OPEN_PARENtok))
        return ParseStringType(bound == CStringT);
    GetToken();
    return CreateIdType(id, &pos);
}

// domain-type -> type-identifier
// A domain that may be declared later in the same type part (pointers and lists).
Type* ParseDomain() {
    if (Tok() != IDtok) {
        Expected("Type identifier");
        return BadT;
    }
    Identifier* id = CurrToken->value.id;
    if (Parser().blockPosition == PositionType && !IsBoundInCurrentScope(id)) {
        const Position pos = Here();
        BindPendingDomain(id);
        GetToken();
        return CreateIdType(id, &pos);
    }
    return ParseTypeIdentifier();
}

// array-type -> ARRAY [ index-type { , index-type } ] OF type
Type* ParseArrayType() {
    const Position pos = Here();
    GetToken();
    Match(OPEN_BRACKETtok);
    List* indexes = ListCreateScratch();
    for (;;) {
        ListAppend(indexes, ParseType());
        if (Tok() != COMMAtok) break;
        GetToken();
    }
    Match(CLOSE_BRACKETtok);
    Match(OFtok);
    Type* t = ParseType();
    for (uint32_t i = ListCount(indexes); i >= 1; i--)
        t = CreateArrayType(static_cast<Type*>(ListGet(indexes, i)), t, &pos);
    return t;
}

// enumerated-type -> ( identifier-list )
Type* ParseEnumType() {
    const Position pos = Here();
    GetToken();
    List* listed = ParseIdList(BindConst);
    List* ids = ListCreateScratch();
    for (ListedId* l : Items<ListedId>(listed)) ListAppend(ids, l->id);
    Type* t = CreateEnumType(ids, &pos);
    int32_t ordinal = 0;
    for (ListedId* l : Items<ListedId>(listed)) {
        if (Binding* b = OwnBinding(l->id, BindConst)) {
            b->u.constant = CreateEnumConstant(ordinal, t, &l->pos);
            b->quiet = 1;   // reported through its type
        }
        ordinal++;
    }
    Match(CLOSE_PARENtok);
    return t;
}

FieldList* ParseFieldList();

// variant-part -> CASE [ IDENT : ] type-identifier OF variant { ; variant } [ ; ]
// variant -> case-constant-list : ( field-list )
// case [tag :] type-identifier of variants
VariantPart* ParseVariantPart() {
    // A variant's field list may hold another variant part without passing through
    // ParseType: each level counts as a type nesting.
    EnterTypeNesting();
    GetToken();
    Variable* tag = nullptr;
    Position tagPos = Here();
    Identifier* tagId = nullptr;
    if (Tok() == IDtok && PeekToken() == COLONtok) {
        tagId = CurrToken->value.id;
        Bind(tagId, BindField, StatusDeclared);
        GetToken();
        GetToken();
    }
    Type* tagType = ParseTypeIdentifier();
    if (tagId) {
        tag = CreateVariable(tagId, tagType, &tagPos);
        if (Binding* b = OwnBinding(tagId, BindField)) b->u.variable = tag;
    }
    Match(OFtok);
    List* variants = ListCreateScratch();
    bool overLimit = false;
    while (!SetIn(Parser().caseEndSet, Tok())) {
        const Position variantPos = Here();
        List* labels = ParseCaseConstantList();
        Match(COLONtok);
        Match(OPEN_PARENtok);
        FieldList* fl = ParseFieldList();
        Match(CLOSE_PARENtok);
        if (ListCount(variants) < 1024) {
            ListAppend(variants, CreateVariant(labels, fl));
        } else if (!overLimit) {
            ReportMessage(msg::LimitVariants, &variantPos);   // at the first variant dropped
            overLimit = true;
        }
        if (Tok() != SEMI_COLONtok) break;
        GetToken();
    }
    LeaveTypeNesting();
    return CreateVariantPart(CreateVariantSelector(tag, tagType), variants, nullptr);
}

// field-list -> [ identifier-list : type { ; identifier-list : type } ] [ ; ] [ variant-part ]
// record sections `ids : type` separated by `;`, then an optional variant part.
FieldList* ParseFieldList() {
    List* rsl = ListCreateScratch();
    while (Tok() == IDtok) {
        List* ids = ParseIdList(BindField);
        Match(COLONtok);
        Type* t = ParseType();
        for (ListedId* l : Items<ListedId>(ids)) {
            Variable* v = CreateVariable(l->id, t, &l->pos);
            if (Binding* b = OwnBinding(l->id, BindField)) b->u.variable = v;
            ListAppend(rsl, v);
        }
        if (Tok() != SEMI_COLONtok) break;
        GetToken();
    }
    VariantPart* vp = Tok() == CASEtok ? ParseVariantPart() : nullptr;
    return CreateFieldList(rsl, vp);
}

// record-type -> RECORD field-list END
Type* ParseRecordType() {
    const Position pos = Here();
    GetToken();
    EnterScope(ScopeRecord);
    FieldList* fl = ParseFieldList();
    LeaveScope(true);
    Match(ENDtok);
    return CreateRecordType(fl, &pos);
}

// component -> OF type                        (after FILE, LIST and SET)
// `of` and a component, for file, list and set types.
Type* ParseComponentOf(bool domain) {
    GetToken();
    Match(OFtok);
    return domain ? ParseDomain() : ParseType();
}

bool Packable(TokenKind k) {
    return k == ARRAYtok || k == FILEtok || k == LISTtok || k == RECORDtok || k == SETtok;
}

// type-proper -> array-type | FILE component | LIST component | SET component
//                | record-type | ^ domain-type | enumerated-type | OBJECT | CLASS
//                | named-type | subrange-type
Type* ParseTypeProper() {
    const Position pos = Here();
    switch (Tok()) {
    case ARRAYtok: return ParseArrayType();
    case FILEtok: return CreateFileType(ParseComponentOf(false), &pos);
    case LISTtok: return CreateListType(ParseComponentOf(true), &pos);
    case SETtok: return CreateSetType(ParseComponentOf(false), &pos);
    case RECORDtok: return ParseRecordType();
    case POINTERtok: GetToken(); return CreatePointerType(ParseDomain(), &pos);
    case OPEN_PARENtok: return ParseEnumType();
    case OBJECTtok:
    case CLASStok: GetToken(); return GenericObjectT;
    case IDtok: return ParseNamedType();
    case PLUStok: case MINUStok: case INTtok: case CARDINALtok: case CHARtok: case REALtok:
    case STRINGtok:
        return ParseSubrange();
    default:
        Expected("Type");
        return BadT;
    }
}

}  // namespace

// type -> [ PACKED ] type-proper
Type* ParseType() {
    ReportMessage(msg::TraceType, nullptr);
    EnterTypeNesting();
    bool packed = false;
    if (Tok() == PACKEDtok) {
        packed = true;
        GetToken();
        if (!Packable(Tok())) ReportMessage(msg::CanNotBePacked, nullptr);
    }
    Type* t = ParseTypeProper();
    if (packed && t != BadT && t->kind != IdType && !t->finished) t->packed = 1;
    LeaveTypeNesting();
    return t;
}

// type-identifier -> IDENT
Type* ParseTypeIdentifier() {
    if (Tok() != IDtok) {
        Expected("Type identifier");
        return BadT;
    }
    Identifier* id = CurrToken->value.id;
    const Position pos = Here();
    if (InDeclarationPart() && !IsBoundInCurrentScope(id)) BindPlaceholder(id, BindType);
    Binding* b = id->bind;
    GetToken();
    if (!b || b->kind != BindType) {
        if (b && b->status != StatusPlaceholder)
            ReportMessage(msg::Expected, &pos, "Type identifier");
        return BadT;
    }
    b->referenced = 1;
    return CreateIdType(id, &pos);
}

// ---- Declaration parts -------------------------------------------------------------------------

namespace {

// label-declaration-part -> LABEL label { , label } ;
void ParseLabelPart() {
    GetToken();
    Declaration(Parser().blockSet, [] {
        for (;;) {
            Identifier* id = nullptr;
            if (Tok() == INTtok) {
                if (CurrToken->value.integer > 9999) ReportMessage(msg::LabelAbove9999, nullptr);
                id = Intern(std::to_string(CurrToken->value.integer));
            } else if (Tok() == IDtok && IsFlagOption(opt::enn)) {
                id = CurrToken->value.id;
            } else {
                Expected("Statement label");
                return;
            }
            // Labels before `program` have been reported; bound there, they would be
            // reported again as never placed.
            if (!InOuterScope()) BindLabelName(id, CreateLabel(id, CurrentScopeLevel()));
            GetToken();
            if (Tok() != COMMAtok) return;
            GetToken();
        }
    });
}

// constant-definition-part -> CONST IDENT = constant ; { IDENT = constant ; }
void ParseConstantPart() {
    GetToken();
    while (Tok() == IDtok) {
        Declaration(Parser().blockSet, [] {
            Identifier* id = CurrToken->value.id;
            ReportMessage(msg::TraceConstantDefinition, nullptr, id->text);
            BindConstant(id, CreateBadConstant());
            GetToken();
            Match(EQUALtok);
            Constant* c = ParseConstant();
            if (Binding* b = OwnBinding(id, BindConst)) {
                b->u.constant = c;
                FinishConstantIdentifier(id);
            }
        });
    }
}

// type-definition-part -> TYPE IDENT = type ; { IDENT = type ; }
void ParseTypePart() {
    GetToken();
    while (Tok() == IDtok || Tok() == LISTtok) {
        Declaration(Parser().blockSet, [] {
            if (Tok() == LISTtok) {
                ReportMessage(msg::ListRedefinedAsType, nullptr);
                GetToken();
                Match(EQUALtok);
                ParseType();
                return;
            }
            Identifier* id = CurrToken->value.id;
            ReportMessage(msg::TraceTypeDefinition, nullptr, id->text);
            BindTypeName(id, BadT);
            GetToken();
            Match(EQUALtok);
            Type* t = ParseType();
            if (Binding* b = OwnBinding(id, BindType)) {
                b->u.type = t;
                FinishTypeIdentifier(id);
            }
        });
    }
    ResolvePendingDomains();
}

// variable-declaration-part -> VAR identifier-list : type ; { identifier-list : type ; }
void ParseVariablePart() {
    const Position pos = Here();
    GetToken();
    if (InOuterScope()) ReportMessage(msg::BeforeProgram, &pos, "Variable declarations");
    while (Tok() == IDtok) {
        Declaration(Parser().blockSet, [] {
            List* ids = ParseIdList(BindVar);
            Match(COLONtok);
            Type* t = ParseType();
            for (ListedId* l : Items<ListedId>(ids)) {
                Variable* v = CreateVariable(l->id, t, &l->pos);
                if (Binding* b = OwnBinding(l->id, BindVar)) b->u.variable = v;
                FinishVariable(v);
            }
        });
    }
}

// ---- Routine headings ----------------------------------------------------------------------

FuncHeading* ParseHeading(Identifier* id, bool isFunction);

// procedural-parameter -> ( PROCEDURE | FUNCTION ) IDENT heading
// function/procedure heading as a formal parameter: its own record, bound in the
// routine's scope; its parameters are only described, so they live in a scope of their own.
FormalParmSection* ParseProceduralParameter() {
    const bool isFunction = Tok() == FUNCTIONtok;
    GetToken();
    const Position pos = Here();
    Identifier* id = nullptr;
    if (Tok() == IDtok) {
        id = CurrToken->value.id;
        Bind(id, BindFunc, StatusDeclared);
        GetToken();
    } else {
        Expected(isFunction ? "Function name" : "Procedure name");
    }
    EnterScope(ScopeRoutine);
    FuncHeading* fh = ParseHeading(id, isFunction);
    LeaveScope(false);
    Function* f = CreateFunction(isFunction ? UserFunc : UserProc, fh);
    f->procParm = 1;
    if (id)
        if (Binding* b = OwnBinding(id, BindFunc)) b->u.function = f;
    Variable* v = CreateVariable(id, AddressT, &pos);
    v->arg = 1;
    CodeGenProceduralParameter(f, v);
    return CreateFuncParmSection(v, fh, &pos);
}

// parameter-section -> [ VAR ] identifier-list : type-identifier | procedural-parameter
// [var] identifiers `:` type-identifier: one section per identifier.
void ParseParameterSection(List* sections) {
    const bool byRef = Tok() == VARtok;
    if (byRef) GetToken();
    List* ids = ParseIdList(BindVar);
    Match(COLONtok);
    Type* t = ParseTypeIdentifier();
    for (ListedId* l : Items<ListedId>(ids)) {
        Variable* v = CreateVariable(l->id, t, &l->pos);
        v->arg = 1;
        v->byRef = byRef ? 1 : 0;
        if (Binding* b = OwnBinding(l->id, BindVar)) b->u.variable = v;
        List* one = ListCreateScratch();
        ListAppend(one, v);
        ListAppend(sections, byRef ? CreateVarParmSection(one, t, &l->pos)
                                   : CreateValueParmSection(one, t, &l->pos));
    }
}

// formal-parameter-list -> ( parameter-section { ; parameter-section } )
FormalParmList* ParseFormalParameters() {
    FormalParmList* fpl = CreateFormalParmList();
    Match(OPEN_PARENtok);
    if (Tok() == CLOSE_PARENtok && IsFlagOption(opt::p)) {
        GetToken();
        return fpl;
    }
    for (;;) {
        const int32_t before = ErrorCount();
        switch (Tok()) {
        case FUNCTIONtok:
        case PROCEDUREtok: ListAppend(fpl->sections, ParseProceduralParameter()); break;
        case VARtok:
        case IDtok: ParseParameterSection(fpl->sections); break;
        default: Expected("Formal parameter"); break;
        }
        if (ErrorCount() > before) Recover(Parser().declarationSet);
        if (Tok() != SEMI_COLONtok) break;
        GetToken();
    }
    Match(CLOSE_PARENtok);
    return fpl;
}

bool SimpleOrPointer(Type* t) {
    switch (ResolveType(t)->kind) {
    case ArrayType: case FileType: case ListType: case RecordType: case SetType: case StringType:
    case CStringType: case ObjectType: case VariantType: case StreamType: case DirType:
        return false;
    default:
        return true;
    }
}

// heading -> [ formal-parameter-list ] [ : type-identifier ]
FuncHeading* ParseHeading(Identifier* id, bool isFunction) {
    FormalParmList* parms = nullptr;
    if (Tok() == OPEN_PARENtok || IsFlagOption(opt::p)) parms = ParseFormalParameters();
    Variable* result = nullptr;
    if (isFunction) {
        Match(COLONtok);
        const Position pos = Here();
        Type* t = ParseTypeIdentifier();
        FinishType(t);
        if (!IsFlagOption(opt::E) && !SimpleOrPointer(t))
            ReportMessage(msg::InvalidReturnType, &pos);
        result = CreateVariable(nullptr, t, &pos);
        result->arg = 1;
    }
    return CreateFuncHeading(id, parms, result);
}

// Binds a forward heading's parameters again in the scope of the routine's definition.
void RebindHeading(const FuncHeading* fh) {
    for (FormalParmSection* s :
         Items<FormalParmSection>(fh->parms ? fh->parms->sections : nullptr)) {
        if (s->kind == FormalParmFunc) {
            Variable* v = s->u.funcParmSpec.parm;
            if (!v->id) continue;
            Function* f = CreateFunction(s->u.funcParmSpec.fh->result ? UserFunc : UserProc,
                                         s->u.funcParmSpec.fh);
            f->procParm = 1;
            BindFunction(v->id, f);
            continue;
        }
        const ParmSpec& section =
            s->kind == FormalParmValue ? s->u.ValueParmSpec : s->u.VarParmSpec;
        for (Variable* v : Items<Variable>(section.parm)) BindVariable(v->id, v);
    }
}

// ---- Directives ------------------------------------------------------------------------------

bool IsDirectiveWord(const Identifier* id) {
    const Words& w = PredefinedWords();
    return id == w.forward || id == w.external || id == w.stdcall || id == w.cdecl;
}

Constant* StringLiteral() {
    if (Tok() != STRINGtok && Tok() != CHARtok) {
        Expected("String literal");
        return nullptr;
    }
    Constant* c =
        Tok() == STRINGtok
            ? CreateStringConstant(CurrToken->value.string, CurrToken->spare)
            : CreateStringConstant(reinterpret_cast<const char*>(CurrToken->value.character), 1);
    GetToken();
    return c;
}

// external-tail -> [ string ] { DLL [ = ] string | NAME [ = ] string | STDCALL | CDECL }
void ParseExternalTail(Directives* d) {
    const Words& w = PredefinedWords();
    const Position pos = Here();
    if (Tok() == STRINGtok || Tok() == CHARtok) d->library = StringLiteral();
    for (;;) {
        Identifier* id = Tok() == IDtok ? CurrToken->value.id : nullptr;
        if (id == w.dll || id == w.name) {
            GetToken();
            if (Tok() == EQUALtok) GetToken();
            Constant* s = StringLiteral();
            (id == w.dll ? d->library : d->externalName) = s;
        } else if (id == w.stdcall || id == w.cdecl) {
            SetInclude(d->flags, id == w.stdcall ? DirectiveStdcall : DirectiveCdecl);
            SetExclude(d->flags, id == w.stdcall ? DirectiveCdecl : DirectiveStdcall);
            GetToken();
        } else {
            break;
        }
    }
    if (!d->library) ReportMessage(msg::LibraryNameMissing, &pos);
}

// directives -> directive { [ ; ] directive }
// directive -> FORWARD | EXTERNAL external-tail | STDCALL | CDECL
// Directives after a heading, with optional `;` between them. Returns with the current
// token at the `;` that ends them (not taken).
void ParseDirectives(Directives* d) {
    ReportMessage(msg::TraceDirective, nullptr);
    const Words& w = PredefinedWords();
    for (;;) {
        Identifier* id = CurrToken->value.id;
        if (id == w.forward) {
            SetInclude(d->flags, DirectiveForward);
            GetToken();
            return;
        }
        if (id == w.stdcall || id == w.cdecl) {
            SetInclude(d->flags, id == w.stdcall ? DirectiveStdcall : DirectiveCdecl);
            SetExclude(d->flags, id == w.stdcall ? DirectiveCdecl : DirectiveStdcall);
            GetToken();
        } else if (id == w.external) {
            SetInclude(d->flags, DirectiveExternal);
            GetToken();
            ParseExternalTail(d);
        } else {
            Expected("Directive");
            GetToken();
            return;
        }
        if (Tok() == SEMI_COLONtok && PeekToken() == IDtok) {
            // Another directive may follow the `;`: look at the word behind it.
            GetToken();
            if (!IsDirectiveWord(CurrToken->value.id)) {
                Expected("Directive");
                return;
            }
        }
        if (Tok() != IDtok) return;
    }
}

void ParseBlock(Binding* routine);

void EnterRoutineBlock(Binding* b) {
    ParserState& p = Parser();
    TPC_CHECK(p.routineCount < MAX_SCOPES);
    if (p.routineCount >= MAX_SCOPES) return;
    p.routines[p.routineCount++] = RoutineInProgress{b->u.function, b, 0};
}

// The scope around the routine scope just entered is the outer scope (a routine
// declared before `program`).
bool EnclosingIsOuter() {
    return CurrentScope() >= 1 && ScopeAt(CurrentScope() - 1).kind == ScopeOuter;
}

// A binding that stands for a routine whose name could not be bound, while its block is
// parsed.
Binding* StrayBinding(Function* f) {
    Binding* b = TrackedNew<Binding>();
    b->kind = BindFunc;
    b->u.function = f;
    b->id = f->heading ? f->heading->id : nullptr;
    b->scope = MIN_SCOPE_ID;   // bound nowhere
    return b;
}

// routine-body -> block ;
// The block of a routine whose heading (and directives) have been read.
void ParseRoutineBody(Binding* b, Function* f) {
    if (!b) b = StrayBinding(f);
    {
        // The block's local declarations (and its nested routines) are scratch records of
        // the block: nothing outside refers to them once its scope is closed and its code
        // generated. The heading, made before, stays for the callers.
        ScratchScope locals;
        ClaimScopeRecords();
        EnterRoutineBlock(b);
        ParseBlock(b);
        Parser().routineCount--;
        LeaveScope(true);
    }
    Match(SEMI_COLONtok);
}

// unbound-routine -> heading ; [ directives ; ] [ routine-body ]
// A routine declared with a name that cannot be bound: heading, directives and block are
// parsed in a scope of their own so that parsing resynchronises.
void ParseUnboundRoutine(Identifier* id, bool isFunction) {
    EnterScope(ScopeRoutine);
    FuncHeading* fh = ParseHeading(id, isFunction);
    Function* f = CreateFunction(isFunction ? UserFunc : UserProc, fh);
    Match(SEMI_COLONtok);
    if (Tok() == IDtok) {
        ParseDirectives(f->directives);
        Match(SEMI_COLONtok);
        if (SetIn(f->directives->flags, DirectiveForward) ||
            SetIn(f->directives->flags, DirectiveExternal)) {
            LeaveScope(false);
            return;
        }
    }
    ParseRoutineBody(nullptr, f);
}

// forward-definition -> IDENT ; routine-body
// The definition of a routine declared `forward` earlier in this scope.
void ParseForwardDefinition(Binding* b, bool isFunction) {
    Function* f = b->u.function;
    if (IsFunctionKind(f->kind) != isFunction)
        ReportMessage(msg::AlreadyUsedAs, nullptr, b->id ? b->id->text : "",
                      IsFunctionKind(f->kind) ? "function name" : "procedure name");
    GetToken();
    EnterScope(ScopeRoutine);
    RebindHeading(f->heading);
    if (Tok() == OPEN_PARENtok || Tok() == COLONtok) {
        // The heading was given with the forward declaration; a repeated one is reported
        // and read in a scope of its own, so that it neither clashes nor derails the block.
        Expected(";");
        EnterScope(ScopeRoutine);
        ParseHeading(nullptr, IsFunctionKind(f->kind));
        LeaveScope(false);
    }
    Match(SEMI_COLONtok);
    ParseRoutineBody(b, f);
}

// new-routine -> IDENT heading ; ( directives ; | routine-body )
void ParseNewRoutine(Identifier* id, bool isFunction) {
    Function* f = CreateFunction(isFunction ? UserFunc : UserProc, nullptr);
    BindFunction(id, f);
    Binding* b = OwnBinding(id, BindFunc);
    GetToken();
    EnterScope(ScopeRoutine);
    f->level = CurrentScopeLevel();
    f->heading = ParseHeading(id, isFunction);
    FinishHeading(f->heading);
    Match(SEMI_COLONtok);
    if (Tok() == IDtok) {
        ParseDirectives(f->directives);
        if (!SetIn(f->directives->flags, DirectiveForward) &&
            !SetIn(f->directives->flags, DirectiveExternal))
            Match(SEMI_COLONtok);
        if (SetIn(f->directives->flags, DirectiveForward)) {
            if (b) b->status = StatusForwardDomain;
            LeaveScope(false);
            Match(SEMI_COLONtok);
            return;
        }
        if (SetIn(f->directives->flags, DirectiveExternal)) {
            CheckExternalHeading(f->heading, b ? &b->pos : nullptr);
            LeaveScope(false);
            Match(SEMI_COLONtok);
            return;
        }
    }
    if (EnclosingIsOuter()) Expected("external");
    ParseRoutineBody(b, f);
}

// routine-declaration -> ( PROCEDURE | FUNCTION ) ( new-routine | forward-definition )
void ParseRoutineDeclaration() {
    const bool isFunction = Tok() == FUNCTIONtok;
    GetToken();
    if (Tok() != IDtok) {
        Expected(isFunction ? "Function name" : "Procedure name");
        ParseUnboundRoutine(nullptr, isFunction);
        return;
    }
    Identifier* id = CurrToken->value.id;
    Binding* b = id->bind;
    if (b && b->scope == CurrentScope() && b->kind == BindFunc &&
        b->status == StatusForwardDomain && b->u.function &&
        SetIn(b->u.function->directives->flags, DirectiveForward)) {
        ParseForwardDefinition(b, isFunction);
        return;
    }
    if (b && b->scope == CurrentScope() && b->kind != BindProgParm) {
        ReportMessage(msg::InvalidRedefinition, nullptr, id->text);
        GetToken();
        ParseUnboundRoutine(id, isFunction);
        return;
    }
    ParseNewRoutine(id, isFunction);
}

// ---- Blocks -------------------------------------------------------------------------------

BlockPosition PositionOf(TokenKind k) {
    switch (k) {
    case LABELtok: return PositionLabel;
    case CONSTtok: return PositionConst;
    case TYPEtok: return PositionType;
    case VARtok: return PositionVar;
    default: return PositionRoutine;
    }
}

// The order of a block's parts: without erd strictly label, const, type, var, routines;
// with erd any order, except that a routine's declarations may not follow its routines.
void CheckBlockPosition(BlockPosition next) {
    ParserState& p = Parser();
    if (next == PositionRoutine) return;
    const bool wrong = p.relaxed ? (p.blockPosition == PositionRoutine && InRoutineScope())
                                 : next <= p.blockPosition;
    if (wrong)
        ReportMessage(msg::CanNotFollow, nullptr, POSITION_NAMES[next],
                      POSITION_NAMES[p.blockPosition]);
}

uint32_t AlignedTo4(uint32_t n) { return n > 0xFFFFFFFCu ? 0xFFFFFFFFu : (n + 3u) & ~3u; }

// declaration-part -> { label-declaration-part | constant-definition-part
//                      | type-definition-part | variable-declaration-part
//                      | routine-declaration }
void ParseDeclarativePart() {
    ReportMessage(msg::TraceDeclarativePart, nullptr);
    ParserState& p = Parser();
    bool routineSeen = false;
    for (;;) {
        const TokenKind k = Tok();
        if (k != LABELtok && k != CONSTtok && k != TYPEtok && k != VARtok && k != FUNCTIONtok &&
            k != PROCEDUREtok)
            return;
        CheckUserBreak();
        const BlockPosition next = PositionOf(k);
        CheckBlockPosition(next);
        if (next == PositionRoutine && !routineSeen && !InOuterScope()) {
            ScopeAt(CurrentScope()).varSize = AlignedTo4(VariableCounter());
            routineSeen = true;
        }
        p.blockPosition = next;
        switch (k) {
        case LABELtok:
            if (InOuterScope()) ReportMessage(msg::BeforeProgram, nullptr, "Label declarations");
            ParseLabelPart();
            break;
        case CONSTtok: ParseConstantPart(); break;
        case TYPEtok: ParseTypePart(); break;
        case VARtok: ParseVariablePart(); break;
        default: ParseRoutineDeclaration(); break;
        }
    }
}

void ReportUndeclaredParameters() {
    for (Identifier* id : Items<Identifier>(Parser().programParameters)) {
        for (Binding* b = id->bind; b; b = b->prev) {
            if (b->scope != CurrentScope()) continue;
            if (b->kind != BindVar) ReportMessage(msg::NoVariableDeclaration, &b->pos, id->text);
            break;
        }
    }
}

void FinishStandardFiles() {
    if (Parser().usesInput) FinishVariable(InputVar);
    if (Parser().usesOutput) FinishVariable(OutputVar);
}

// block -> declaration-part statement-part
void ParseBlock(Binding* routine) {
    ParserState& p = Parser();
    Function* f = routine ? routine->u.function : nullptr;
    const char* name = routine && routine->id ? routine->id->text : "";
    if (!f)
        ReportMessage(msg::TraceProgramBlock, nullptr);
    else
        ReportMessage(IsFunctionKind(f->kind) ? msg::TraceFunctionBlock : msg::TraceProcedureBlock,
                      nullptr, name);
    if (CurrentScopeLevel() == 1 && !InProgramScope())
        ReportMessage(msg::BeforeProgram, nullptr, "Block");
    const int32_t savedPosition = p.blockPosition;
    const uint32_t savedCounter = VariableCounter();
    p.blockPosition = PositionStart;
    if (f) SetVariableCounter(80);
    if (!f) FinishStandardFiles();
    ParseDeclarativePart();
    if (!f) ReportUndeclaredParameters();
    const uint32_t localSize = AlignedTo4(VariableCounter());
    if (f) {
        if (routine->status == StatusForwardDomain) routine->status = StatusDeclared;
        SetExclude(f->directives->flags, DirectiveForward);
    }
    // The statement part: its own sequence numbering, then the code around it.
    const int32_t savedSequences = p.sequenceCount;
    const int32_t savedSystemLocal = p.systemLocal;
    p.sequenceCount = 0;
    p.systemLocal = 0;
    p.blockPosition = PositionStatement;
    if (f) {
        CodeGenRoutineStart(f);
    } else {
        CodeGenProgramStart();
    }
    CodeGenBlockProlog(f ? localSize : 80);
    if (!f) CodeGenInitialization(p.usesInput, p.usesOutput, p.programParameters);
    ParseStatementPart();
    CodeGenBlockEpilog(f);
    // A routine whose name could not be bound has been reported already.
    if (f && routine->id && routine->scope >= 0 && IsFunctionKind(f->kind) &&
        !p.routines[p.routineCount - 1].assigned)
        ReportMessage(msg::NoFunctionAssignment, &p.lastEnd, name, name);
    if (!f) {
        CodeGenProgramEnd();
        CodeGenGlobalsSize(VariableCounter());
    } else {
        SetVariableCounter(savedCounter);
    }
    p.sequenceCount = savedSequences;
    p.systemLocal = savedSystemLocal;
    p.blockPosition = savedPosition;
}

// ---- Program -------------------------------------------------------------------------------

void BindPredefinedVariables() {
    struct {
        const char* name;
        Variable* v;
    } const vars[] = {{"null", NullVar},
                      {"errorcode", ErrorCodeVar},
                      {"exitcode", ExitCodeVar},
                      {"errors", ErrorsVar}};
    for (const auto& pv : vars) {
        if (IsFlagOption(opt::eva)) {
            BindVariable(Intern(pv.name), pv.v);
            if (Binding* b = OwnBinding(Intern(pv.name), BindVar)) b->referenced = 1;
        }
        FinishVariable(pv.v);
    }
}

// input and output become the predefined file variables when named as program parameters
// or when option ead declares them.
void BindStandardFile(const char* name, Variable* v, bool& uses) {
    Identifier* id = Intern(name);
    Binding* b = id->bind;
    const bool parameter = b && b->kind == BindProgParm && b->scope == CurrentScope();
    if (!parameter && !IsFlagOption(opt::ead)) return;
    const Position pos = parameter ? b->pos : CurrentPosition();
    BindVariable(id, v);
    if (Binding* own = OwnBinding(id, BindVar)) {
        own->pos = pos;
        own->referenced = parameter ? 0 : 1;
    }
    uses = true;
}

// program-parameters -> ( identifier-list )
void ParseProgramParameters() {
    Match(OPEN_PARENtok);
    if (!(IsFlagOption(opt::p) && Tok() != IDtok)) {
        for (ListedId* l : Items<ListedId>(ParseIdList(BindProgParm)))
            ListAppend(Parser().programParameters, l->id);
    }
    Match(CLOSE_PARENtok);
}

// program -> PROGRAM IDENT [ program-parameters ] ; block .
void ParseProgramProper() {
    ParserState& p = Parser();
    BindPredefinedVariables();
    if (p.relaxed) ParseDeclarativePart();
    p.blockPosition = PositionStart;
    Match(PROGRAMtok);
    if (Tok() == IDtok) {
        GetToken();
    } else {
        Expected("Program name");
    }
    EnterScope(ScopeProgram);
    if (IsFlagOption(opt::p) || Tok() == OPEN_PARENtok) ParseProgramParameters();
    Match(SEMI_COLONtok);
    BindStandardFile("input", InputVar, p.usesInput);
    BindStandardFile("output", OutputVar, p.usesOutput);
    ParseBlock(nullptr);
    LeaveScope(true);
    if (Tok() != PERIODtok) Expected(".");
}

}  // namespace

void ParseProgram() { ParseProgramProper(); }

void CompileProgram() {
    InitParser();
    CodeGenInit();
    GetToken();
    ParseProgram();
    CodeGenEnd();
}

}  // namespace tarn::tpc
