// records: constructors of the declaration model and the predefined types (records.h).
#include "compiler/front/records.h"

#include <cstring>

#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/front/binding.h"
#include "compiler/front/case_values.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/layout.h"
#include "compiler/front/types.h"
#include "compiler/front/idtable.h"
#include "compiler/front/lexer.h"

namespace tarn::tpc {

Type* NullT;
Type* NullPointerT;
Type* EmptySetT;
Type* EmptyStringT;
Type* ByteT;
Type* CharT;
Type* ShortIntT;
Type* ShortWordT;
Type* IntegerT;
Type* WordT;
Type* AddressT;
Type* FloatT;
Type* RealT;
Type* VariantT;
Type* BadT;
Type* DirT;
Type* StreamT;
Type* PointerT;
Type* StringT;
Type* OneCharStringT;
Type* CStringT;
Type* ErrorNameT;
Type* ErrorDescriptionT;
Type* TextT;
Type* BinaryT;
Type* ConnectionT;
Type* RecordsetT;
Type* GenericObjectT;
Type* BoolT;
Type* RegTypeT;
Type* ErrorT;
Type* ErrorListT;
Type* RegistersT;

Variable* NullVar;
Variable* InputVar;
Variable* OutputVar;
Variable* ExitCodeVar;
Variable* ErrorCodeVar;
Variable* ErrorsVar;

Position CurrentPos() {
    Position p;
    CurrentSourcePosition(p);
    return p;
}

static Position Stamp(const Position* pos) { return pos ? *pos : CurrentPos(); }

// ---- Constants ---------------------------------------------------------------------

static Constant* NewConstant(ConstantKind kind, const Position* pos) {
    TPC_CHECK(VALID_CONSTANT_KIND(kind));
    ReportMessage(msg::TraceCreatingConstant, nullptr, static_cast<int>(kind));
    Constant* c = ScratchNew<Constant>();
    c->kind = kind;
    c->pos = Stamp(pos);
    return c;
}

// The type of a constant whose value is v: the one-value subrange v..v of its host.
static Type* OneValue(int32_t v, Type* host, const Position& pos) {
    return CreateSubrangeTypeFromValues(v, v, host, &pos);
}

Constant* CreateIdConstant(Identifier* id, const Position* pos) {
    TPC_CHECK(id != nullptr);
    ReportMessage(msg::TraceCreatingIdConstant, nullptr, id->text);
    Constant* c = NewConstant(ConstantId, pos);
    c->value.id = id;
    Binding* b = id->bind;
    if (b && b->kind == BindConst && b->u.constant) c->t = b->u.constant->t;
    return c;
}

Constant* CreateIntegerConstant(int32_t magnitude, const Position* pos) {
    Constant* c = NewConstant(ConstantInteger, pos);
    c->value.integer = magnitude;
    c->t = OneValue(magnitude, IntegerT, c->pos);
    return c;
}

Constant* CreateCardinalConstant(uint32_t value, const Position* pos) {
    Constant* c = NewConstant(ConstantCardinal, pos);
    c->value.cardinal = value;
    c->t = OneValue(static_cast<int32_t>(value), WordT, c->pos);
    return c;
}

Constant* CreateRealConstant(double magnitude, const Position* pos) {
    Constant* c = NewConstant(ConstantReal, pos);
    c->value.real = magnitude;
    c->t = RealT;
    return c;
}

Constant* CreateCharConstant(uint32_t code, const Position* pos) {
    Constant* c = NewConstant(ConstantChar, pos);
    c->value.character = code & 0xFF;
    c->isChar = 1;
    c->t = OneValue(static_cast<int32_t>(code & 0xFF), CharT, c->pos);
    return c;
}

Constant* CreateStringConstant(const char* text, uint32_t length, const Position* pos) {
    TPC_CHECK(text != nullptr || length == 0);
    Constant* c = NewConstant(ConstantString, pos);
    StringLiteral* s = TrackedNew<StringLiteral>();
    char* copy = static_cast<char*>(TrackedAlloc(length + 1));
    if (length) std::memcpy(copy, text, length);
    copy[length] = 0;
    s->length = length;
    s->text = copy;
    c->value.string = s;
    if (length == 0) {
        c->t = EmptyStringT;
    } else {
        // packed array[1..length] of char; an index beyond maxint needs a word host.
        Type* host = length >= 2147483648u ? WordT : IntegerT;
        Type* index = CreateSubrangeTypeFromValues(1, static_cast<int32_t>(length), host, &c->pos);
        Type* t = CreateArrayType(index, CharT, &c->pos);
        t->packed = 1;
        FinishType(t);
        c->t = t;
    }
    return c;
}

Constant* CreateEnumConstant(int32_t ordinal, Type* enumType, const Position* pos) {
    Constant* c = NewConstant(ConstantEnumId, pos);
    c->value.ordinal = ordinal;
    c->t = enumType;
    return c;
}

Constant* CreateNilConstant(const Position* pos) {
    Constant* c = NewConstant(ConstantNil, pos);
    c->t = NullPointerT;
    return c;
}

Constant* CreateBadConstant(const Position* pos) {
    Constant* c = NewConstant(ConstantBad, pos);
    c->t = BadT;
    return c;
}

Constant* CopyConstant(const Constant* c) {
    TPC_CHECK(c != nullptr);
    Constant* copy = ScratchNew<Constant>();
    *copy = *c;
    return copy;
}

// ---- Types -------------------------------------------------------------------------

// Types, like the other records of declarations, are scratch records of the routine block
// (or statement) that makes them: a routine's local declarations go when its block ends.
static Type* NewType(TypeKind kind, const Position* pos) {
    TPC_CHECK(VALID_TYPE_KIND(kind));
    Type* t = ScratchNew<Type>();
    t->kind = kind;
    t->pos = Stamp(pos);
    return t;
}

Type* CreateScalarType(TypeKind kind, const Position* pos) {
    TPC_CHECK(kind == AddressType || kind >= VariantType);
    return NewType(kind, pos);
}

Type* CreateArrayType(Type* index, Type* component, const Position* pos) {
    TPC_CHECK(index != nullptr);
    TPC_CHECK(component != nullptr);
    Type* t = NewType(ArrayType, pos);
    t->u.array.IndexType = index;
    t->u.array.ComponentType = component;
    return t;
}

Type* CreateEnumType(List* enumIds, const Position* pos) {
    TPC_CHECK(enumIds != nullptr);
    Type* t = NewType(EnumType, pos);
    t->u.enumeration.EnumIds = enumIds;
    return t;
}

Type* CreateFileType(Type* component, const Position* pos) {
    TPC_CHECK(component != nullptr);
    Type* t = NewType(FileType, pos);
    t->u.file.component = component;
    return t;
}

Type* CreateIdType(Identifier* id, const Position* pos) {
    TPC_CHECK(id != nullptr);
    Type* t = NewType(IdType, pos);
    t->u.id = id;
    return t;
}

Type* CreateListType(Type* component, const Position* pos) {
    TPC_CHECK(component != nullptr);
    Type* t = NewType(ListType, pos);
    t->u.list.ct = component;
    return t;
}

Type* CreatePointerType(Type* domain, const Position* pos) {
    TPC_CHECK(domain != nullptr);
    Type* t = NewType(PointerType, pos);
    t->u.pointer.domain = domain;
    return t;
}

Type* CreateAddressType(const Position* pos) { return NewType(AddressType, pos); }

Type* CreateRecordType(FieldList* fieldList, const Position* pos) {
    TPC_CHECK(fieldList != nullptr);
    Type* t = NewType(RecordType, pos);
    t->u.record.fieldList = fieldList;
    return t;
}

Type* CreateSetType(Type* base, const Position* pos) {
    TPC_CHECK(base != nullptr);
    Type* t = NewType(SetType, pos);
    t->u.set.base = base;
    return t;
}

static Type* NewStringType(TypeKind kind, uint32_t length, const Position* pos) {
    TPC_CHECK(length >= 1 && length <= MAX_STRING_LENGTH);
    Type* t = NewType(kind, pos);
    t->u.string.length = length;
    return t;
}

Type* CreateStringType(uint32_t length, const Position* pos) {
    return NewStringType(StringType, length, pos);
}

Type* CreateCStringType(uint32_t length, const Position* pos) {
    return NewStringType(CStringType, length, pos);
}

Type* CreateSubrangeType(Constant* low, Constant* high, const Position* pos) {
    TPC_CHECK(low != nullptr && high != nullptr);
    Type* t = NewType(SubrangeType, pos);
    t->u.subrange.lowConstant = low;
    t->u.subrange.highConstant = high;
    return t;
}

Type* CreateSubrangeTypeFromValues(int32_t low, int32_t high, Type* host, const Position* pos) {
    TPC_CHECK(host != nullptr);
    TPC_CHECK(IsOrdinalType(host));
    Type* t = NewType(SubrangeType, pos);
    t->u.subrange.HostType = PromotedType(host);
    t->u.subrange.low = low;
    t->u.subrange.high = high;
    t->size = 4;
    t->finished = 1;
    return t;
}

Type* CreateObjectType(Type* ancestor, List* methods, bool generic, const Position* pos) {
    TPC_CHECK(!generic || (ancestor == nullptr && methods == nullptr));
    Type* t = NewType(ObjectType, pos);
    t->u.object.ancestor = ancestor;
    t->u.object.methods = methods;
    t->u.object.generic = generic ? 1 : 0;
    return t;
}

// ---- Variables and records ----------------------------------------------------------

Variable* CreateVariable(Identifier* id, Type* t, const Position* pos) {
    TPC_CHECK(t != nullptr);
    Variable* v = ScratchNew<Variable>();
    v->id = id;
    v->t = t;
    v->level = CurrentScopeLevel();
    v->global = 1;
    v->pos = Stamp(pos);
    return v;
}

FieldList* CreateFieldList(List* rsl, VariantPart* variantPart) {
    FieldList* f = ScratchNew<FieldList>();
    f->rsl = rsl ? rsl : ListCreate();
    f->variantPart = variantPart;
    return f;
}

VariantSelector* CreateVariantSelector(Variable* tagField, Type* tagType) {
    TPC_CHECK(tagType != nullptr);
    VariantSelector* s = ScratchNew<VariantSelector>();
    s->tagField = tagField;
    s->tagType = tagType;
    return s;
}

Variant* CreateVariant(List* caseConstants, FieldList* fieldList) {
    TPC_CHECK(fieldList != nullptr);
    Variant* v = ScratchNew<Variant>();
    v->caseConstants = caseConstants ? caseConstants : ListCreate();
    v->fieldList = fieldList;
    return v;
}

VariantPart* CreateVariantPart(VariantSelector* selector, List* variants, Variant* completer) {
    TPC_CHECK(selector != nullptr);
    VariantPart* p = ScratchNew<VariantPart>();
    p->selector = selector;
    p->VariantList = variants ? variants : ListCreate();
    p->VariantPartCompleter = completer;
    p->variantNumber = -1;
    return p;
}

CaseRange* CreateCaseRange(Constant* low, Constant* high) {
    TPC_CHECK(low != nullptr);
    CaseRange* r = ScratchNew<CaseRange>();
    r->low = low;
    r->high = high ? high : low;
    return r;
}

// ---- Routines ----------------------------------------------------------------------

Function* CreateFunction(int32_t kind, FuncHeading* heading) {
    TPC_CHECK(VALID_FUNCTION_KIND(kind));
    Function* f = ScratchNew<Function>();
    f->kind = kind;
    f->level = CurrentScopeLevel();
    f->heading = heading;
    f->directives = CreateDirectives();
    return f;
}

FuncHeading* CreateFuncHeading(Identifier* id, FormalParmList* parms, Variable* result) {
    FuncHeading* h = ScratchNew<FuncHeading>();
    h->id = id;
    h->parms = parms;
    h->result = result;
    return h;
}

FormalParmList* CreateFormalParmList() {
    FormalParmList* l = ScratchNew<FormalParmList>();
    l->sections = ListCreate();
    return l;
}

static FormalParmSection* NewSection(FormParmKind kind, const Position* pos) {
    TPC_CHECK(VALID_FORM_PARM_SEC(kind));
    FormalParmSection* s = ScratchNew<FormalParmSection>();
    s->kind = kind;
    s->pos = Stamp(pos);
    return s;
}

FormalParmSection* CreateValueParmSection(List* parms, Type* t, const Position* pos) {
    TPC_CHECK(parms != nullptr && t != nullptr);
    FormalParmSection* s = NewSection(FormalParmValue, pos);
    s->u.ValueParmSpec = {parms, t};
    return s;
}

FormalParmSection* CreateVarParmSection(List* parms, Type* t, const Position* pos) {
    TPC_CHECK(parms != nullptr && t != nullptr);
    FormalParmSection* s = NewSection(FormalParmVar, pos);
    s->u.VarParmSpec = {parms, t};
    return s;
}

FormalParmSection* CreateFuncParmSection(Variable* parm, FuncHeading* fh, const Position* pos) {
    TPC_CHECK(parm != nullptr && fh != nullptr);
    FormalParmSection* s = NewSection(FormalParmFunc, pos);
    s->u.funcParmSpec = {parm, fh};
    return s;
}

Directives* CreateDirectives() {
    Directives* d = ScratchNew<Directives>();
    d->flags = SetCreate(0, 4);
    return d;
}

static ActualParm* NewActual(ActualParmKind kind, const Position* pos) {
    TPC_CHECK(VALID_ACTUAL_PARM(kind));
    ActualParm* a = ScratchNew<ActualParm>();
    a->kind = kind;
    a->pos = Stamp(pos);
    return a;
}

ActualParm* CreateExprActualParm(Expression* e, const Position* pos) {
    TPC_CHECK(e != nullptr);
    ActualParm* a = NewActual(ActualParmExpr, pos);
    a->u.expr = e;
    return a;
}

ActualParm* CreateVarActualParm(VarAccess* v, const Position* pos) {
    TPC_CHECK(v != nullptr);
    ActualParm* a = NewActual(ActualParmVar, pos);
    a->u.var = v;
    return a;
}

ActualParm* CreateTypeActualParm(Type* t, const Position* pos) {
    TPC_CHECK(t != nullptr);
    ActualParm* a = NewActual(ActualParmType, pos);
    a->u.type = t;
    return a;
}

ActualParm* CreateFuncActualParm(Binding* func, const Position* pos) {
    TPC_CHECK(func != nullptr);
    ActualParm* a = NewActual(ActualParmFunc, pos);
    a->u.func = func;
    return a;
}

// ---- Variable accesses ---------------------------------------------------------------

static VarAccess* NewAccess(VarAccessKind kind, Type* t, const Position* pos) {
    TPC_CHECK(VALID_VAR_ACCESS(kind));
    VarAccess* v = ScratchNew<VarAccess>();
    v->kind = kind;
    v->t = t;
    v->pos = Stamp(pos);
    return v;
}

VarAccess* CreateIndexedVariable(VarAccess* access, Expression* index, Type* t,
                                 const Position* pos) {
    TPC_CHECK(access != nullptr && index != nullptr);
    VarAccess* v = NewAccess(IndexedVariable, t, pos);
    v->u.indexed.access = access;
    v->u.indexed.index = index;
    return v;
}

VarAccess* CreateFieldDesignator(VarAccess* record, Identifier* field, int32_t withLocal, Type* t,
                                 const Position* pos) {
    TPC_CHECK(field != nullptr);
    VarAccess* v = NewAccess(FieldDesignator, t, pos);
    v->u.field.record = record;
    v->u.field.field = field;
    v->u.field.withLocal = withLocal;
    return v;
}

VarAccess* CreateIdentifiedVariable(VarAccess* pointer, Type* t, const Position* pos) {
    TPC_CHECK(pointer != nullptr);
    VarAccess* v = NewAccess(IdentifiedVariable, t, pos);
    v->u.identified.pointer = pointer;
    return v;
}

VarAccess* CreateBufferVariable(VarAccess* file, Type* t, const Position* pos) {
    TPC_CHECK(file != nullptr);
    VarAccess* v = NewAccess(BufferVariable, t, pos);
    v->u.buffer.file = file;
    return v;
}

VarAccess* CreateEntireVariable(Variable* var, Identifier* id, const Position* pos) {
    TPC_CHECK(var != nullptr);
    VarAccess* v = NewAccess(EntireVariable, var->t, pos);
    v->u.entire.variable = var;
    v->u.entire.id = id;
    return v;
}

// ---- Factors and expressions -----------------------------------------------------------

// Types a factor from the type of its operand: ActualType resolved, PromotedType from it.
static Factor* NewFactor(FactorKind kind, Type* t, const Position* pos) {
    TPC_CHECK(VALID_FACTOR(kind));
    ReportMessage(msg::TraceCreatingFactor, nullptr);
    Factor* f = ScratchNew<Factor>();
    f->kind = kind;
    f->pos = Stamp(pos);
    if (t) {
        f->ActualType = ResolveType(t);
        f->PromotedType = PromotedType(f->ActualType);
    }
    return f;
}

Factor* CreateVarAccessFactor(VarAccess* access, const Position* pos) {
    TPC_CHECK(access != nullptr);
    Factor* f = NewFactor(VarAccessFactor, access->t, pos);
    f->u.access = access;
    return f;
}

Factor* CreateConstantFactor(Constant* c, const Position* pos) {
    TPC_CHECK(c != nullptr);
    Factor* f = NewFactor(UnsignedConstant, c->t, pos);
    f->u.constant = c;
    return f;
}

Factor* CreateFunctionFactor(FunctionDesignator* call, const Position* pos) {
    TPC_CHECK(call != nullptr);
    Factor* f = NewFactor(FunctionDesignatorFactor, call->resultType, pos);
    f->u.call = call;
    return f;
}

Factor* CreateParenFactor(Expression* e, const Position* pos) {
    TPC_CHECK(e != nullptr);
    Factor* f = NewFactor(ParenExpression, e->ActualType, pos);
    f->u.expression = e;
    return f;
}

Factor* CreateNotFactor(Factor* operand, const Position* pos) {
    TPC_CHECK(operand != nullptr);
    Factor* f = NewFactor(NotFactor, operand->ActualType, pos);
    f->u.operand = operand;
    return f;
}

Factor* CreateSetFactor(SetConstructor* set, const Position* pos) {
    TPC_CHECK(set != nullptr);
    Factor* f = NewFactor(SetConstructorFactor, set->t, pos);
    f->u.set = set;
    return f;
}

Factor* CreateObjectCallFactor(ObjectCall* call, const Position* pos) {
    TPC_CHECK(call != nullptr);
    Factor* f = NewFactor(ObjectCallFactor, call->t, pos);
    f->u.objectCall = call;
    return f;
}

Factor* CreateBadFactor(const Position* pos) { return NewFactor(BadFactor, BadT, pos); }

FunctionDesignator* CreateFunctionDesignator(Binding* func, Type* resultType, List* actuals) {
    FunctionDesignator* d = ScratchNew<FunctionDesignator>();
    d->func = func;
    d->resultType = resultType;
    d->actuals = actuals ? actuals : ListCreateScratch();
    return d;
}

SetConstructor* CreateSetConstructor(List* members) {
    SetConstructor* s = ScratchNew<SetConstructor>();
    s->members = members ? members : ListCreateScratch();
    return s;
}

MemberDesignator* CreateMemberDesignator(Expression* low, Expression* high) {
    TPC_CHECK(low != nullptr);
    MemberDesignator* m = ScratchNew<MemberDesignator>();
    m->low = low;
    m->high = high;
    return m;
}

static Expression* NewExpression(const Position* pos) {
    Expression* e = ScratchNew<Expression>();
    e->oper = 0;  // UNDEFtok
    e->pos = Stamp(pos);
    return e;
}

Expression* CreateLeafExpression(Factor* f, const Position* pos) {
    TPC_CHECK(f != nullptr);
    Expression* e = NewExpression(pos ? pos : &f->pos);
    e->factor = f;
    return e;
}

Expression* CreateBinaryExpression(Expression* left, int32_t oper, Expression* right,
                                   const Position* pos) {
    TPC_CHECK(left != nullptr && right != nullptr && oper != 0);
    Expression* e = NewExpression(pos);
    e->left = left;
    e->oper = oper;
    e->right = right;
    return e;
}

Expression* CreateWrapperExpression(Expression* inner, const Position* pos) {
    TPC_CHECK(inner != nullptr);
    Expression* e = NewExpression(pos ? pos : &inner->pos);
    e->left = inner;
    return e;
}

Expression* CreateBadExpression(const Position* pos) {
    return CreateLeafExpression(CreateBadFactor(pos), pos);
}

// ---- Labels --------------------------------------------------------------------------

Label* CreateLabel(Identifier* id, int32_t level) {
    TPC_CHECK(id != nullptr);
    Label* l = TrackedNew<Label>();
    l->id = id;
    l->gotos = ListCreate();
    l->level = level;
    return l;
}

Goto* CreateGoto(uint32_t gotoOffset, int32_t ssNo, bool local, const Position* pos) {
    TPC_CHECK(gotoOffset != 0);
    TPC_CHECK(ssNo > 0);
    Goto* g = TrackedNew<Goto>();
    g->GotoOffset = gotoOffset;
    g->SS_No = ssNo;
    g->pos = Stamp(pos);
    g->local = local ? 1 : 0;
    return g;
}

// ---- Predefined types and variables ----------------------------------------------------

static Type* Scalar(TypeKind kind) {
    Position none;
    return CreateScalarType(kind, &none);
}

// An enumeration of the given identifiers (bound later by the identifier module).
static Type* PredefinedEnum(std::initializer_list<const char*> names) {
    List* ids = ListCreate();
    for (const char* n : names) ListAppend(ids, Intern(n));
    Position none;
    return CreateEnumType(ids, &none);
}

static Variable* Field(const char* name, Type* t) {
    Position none;
    return CreateVariable(Intern(name), t, &none);
}

static FieldList* Fields(std::initializer_list<const char*> names, Type* t) {
    List* rsl = ListCreate();
    for (const char* n : names) ListAppend(rsl, Field(n, t));
    return CreateFieldList(rsl, nullptr);
}

// record case regtype of byteregs: (al ... dfill2: byte); wordregs: (eax ... cflags: word)
static Type* CreateRegisters() {
    Position none;
    List* byteLabel = ListCreate();
    ListAppend(byteLabel, CreateCaseRange(CreateEnumConstant(0, RegTypeT, &none), nullptr));
    List* wordLabel = ListCreate();
    ListAppend(wordLabel, CreateCaseRange(CreateEnumConstant(1, RegTypeT, &none), nullptr));
    List* variants = ListCreate();
    ListAppend(variants, CreateVariant(byteLabel,
        Fields({"al", "ah", "afill1", "afill2", "bl", "bh", "bfill1", "bfill2",
                "cl", "ch", "cfill1", "cfill2", "dl", "dh", "dfill1", "dfill2"}, ByteT)));
    ListAppend(variants, CreateVariant(wordLabel,
        Fields({"eax", "ebx", "ecx", "edx", "esi", "edi", "cflags"}, WordT)));
    VariantPart* vp =
        CreateVariantPart(CreateVariantSelector(nullptr, RegTypeT), variants, nullptr);
    return CreateRecordType(CreateFieldList(ListCreate(), vp), &none);
}

static Type* CreateErrorRecord() {
    Position none;
    List* rsl = ListCreate();
    ListAppend(rsl, Field("number", IntegerT));
    ListAppend(rsl, Field("name", ErrorNameT));
    ListAppend(rsl, Field("description", ErrorDescriptionT));
    Type* t = CreateRecordType(CreateFieldList(rsl, nullptr), &none);
    t->packed = 1;
    return t;
}

static Variable* PredefinedVariable(const char* name, Type* t) {
    Position none;
    return CreateVariable(Intern(name), t, &none);
}

void CreatePredefinedTypes() {
    Position none;
    NullT = Scalar(NullType);
    NullPointerT = CreatePointerType(NullT, &none);
    EmptySetT = CreateSetType(NullT, &none);
    ByteT = Scalar(ByteType);
    CharT = Scalar(CharType);
    ShortIntT = Scalar(ShortIntType);
    ShortWordT = Scalar(ShortWordType);
    IntegerT = Scalar(IntegerType);
    WordT = Scalar(WordType);
    AddressT = CreateAddressType(&none);
    FloatT = Scalar(FloatType);
    RealT = Scalar(RealType);
    VariantT = Scalar(VariantType);
    BadT = Scalar(BadType);
    DirT = Scalar(DirType);
    StreamT = Scalar(StreamType);
    PointerT = CreatePointerType(NullT, &none);
    StringT = CreateStringType(255, &none);
    OneCharStringT = CreateStringType(1, &none);
    CStringT = CreateCStringType(255, &none);
    ErrorNameT = CreateStringType(16, &none);
    ErrorDescriptionT = CreateStringType(255, &none);
    // The empty literal's type: a string of no characters, built directly because the
    // string constructor rightly refuses length 0.
    EmptyStringT = NewType(StringType, &none);
    EmptyStringT->size = 1;
    EmptyStringT->finished = 1;
    TextT = CreateFileType(CharT, &none);
    BinaryT = CreateFileType(CharT, &none);
    BinaryT->u.file.noBuffer = 1;
    ConnectionT = CreateObjectType(nullptr, nullptr, false, &none);
    RecordsetT = CreateObjectType(nullptr, nullptr, false, &none);
    GenericObjectT = CreateObjectType(nullptr, nullptr, true, &none);
    BoolT = PredefinedEnum({"false", "true"});
    RegTypeT = PredefinedEnum({"byteregs", "wordregs"});
    ErrorT = CreateErrorRecord();
    ErrorListT = CreateListType(ErrorT, &none);
    RegistersT = CreateRegisters();

    for (Type* t : {NullT, NullPointerT, EmptySetT, ByteT, CharT, ShortIntT, ShortWordT, IntegerT,
                    WordT, AddressT, FloatT, RealT, VariantT, BadT, DirT, StreamT, PointerT,
                    StringT, OneCharStringT, CStringT, ErrorNameT, ErrorDescriptionT, TextT,
                    BinaryT, ConnectionT, RecordsetT, GenericObjectT, BoolT, RegTypeT, ErrorT,
                    ErrorListT, RegistersT})
        FinishType(t);

    NullVar = PredefinedVariable("null", AddressT);
    InputVar = PredefinedVariable("input", TextT);
    OutputVar = PredefinedVariable("output", TextT);
    ExitCodeVar = PredefinedVariable("exitcode", IntegerT);
    ErrorCodeVar = PredefinedVariable("errorcode", IntegerT);
    ErrorsVar = PredefinedVariable("errors", ErrorListT);
}

}  // namespace tarn::tpc
