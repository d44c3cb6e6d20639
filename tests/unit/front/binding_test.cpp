// Scopes, bindings and their messages; reserved words and predefined names under options.
#include "front_fixture.h"

namespace tarn::tpc::test {
namespace {

class Bindings : public FrontTest {
protected:
    void SetUp() override {
        FrontTest::SetUp();
        Start();
        EnterScope(ScopeProgram);
    }
    static Variable* Var(const char* name) {
        Variable* v = CreateVariable(Id(name), IntegerT);
        BindVariable(Id(name), v);
        return v;
    }
};

TEST_F(Bindings, VariableDeclaredTwice) {
    Var("x");
    Var("x");
    EXPECT_EQ(Messages(), std::vector<std::string>{"77: Invalid redefinition of 'x'"});
}

TEST_F(Bindings, TypeNamedLikeAVariable) {
    Var("x");
    EXPECT_FALSE(BindTypeName(Id("x"), CharT));
    EXPECT_EQ(Messages(), std::vector<std::string>{"101: 'x' has already been used as a variable."});
    EXPECT_EQ(Id("x")->bind->kind, BindVar);   // the earlier meaning stays
}

TEST_F(Bindings, EveryKindWordInAlreadyUsed) {
    EnterScope(ScopeRoutine);   // in the program scope a program parameter turns into the declaration
    const std::pair<BindingKind, const char*> kinds[] = {
        {BindReserved, "reserved word"}, {BindProgParm, "program parameter"}, {BindConst, "constant"},
        {BindType, "type"}, {BindVar, "variable"}, {BindField, "field"},
        {BindFunc, "function or procedure"}, {BindLabel, "statement label"},
        {BindFieldDesignator, "field designator"},
    };
    for (auto [kind, word] : kinds) {
        Heard().clear();
        std::string name = std::string("n") + std::to_string(kind);
        ASSERT_TRUE(Bind(Id(name.c_str()), kind, StatusDeclared));
        BindingKind other = kind == BindConst ? BindType : BindConst;
        EXPECT_FALSE(Bind(Id(name.c_str()), other, StatusDeclared));
        EXPECT_EQ(Messages(), std::vector<std::string>{"101: '" + name + "' has already been used as a " + word + "."});
    }
}

TEST_F(Bindings, OuterConstantReferencedBeforeItsDeclaration) {
    // const c = 1; procedure p; const d = c; c = 2;
    BindConstant(Id("c"), CreateIntegerConstant(1));
    EnterScope(ScopeRoutine);
    BindConstant(Id("d"), CreateBadConstant());
    Binding* placeholder = BindPlaceholder(Id("c"), BindConst);
    EXPECT_EQ(placeholder->status, StatusPlaceholder);
    EXPECT_EQ(placeholder->u.constant->value.integer, 1);   // the outer meaning
    BindConstant(Id("c"), CreateIntegerConstant(2));
    EXPECT_EQ(Messages(), std::vector<std::string>{"86: 'c' referenced before it's declaration."});
}

TEST_F(Bindings, PlaceholderWithoutOuterMeaning) {
    EnterScope(ScopeRoutine);
    Binding* b = BindPlaceholder(Id("nothing"), BindType);
    EXPECT_EQ(b->u.type, BadT);
    EXPECT_EQ(Messages(), std::vector<std::string>{"76: Type expected."});
}

TEST_F(Bindings, PlaceholderIsCarriedOutAndMarksTheOuterUsed) {
    Var("g");   // unused unless the placeholder's use reaches it
    BindTypeName(Id("t"), CharT);
    EnterScope(ScopeRoutine);
    BindPlaceholder(Id("t"), BindType);
    LeaveScope(true);
    EXPECT_TRUE(Id("t")->bind->referenced);
    EXPECT_EQ(Id("t")->bind->status, StatusDeclared);   // merged with the outer type
    LeaveScope(true);
    EXPECT_EQ(Messages(), std::vector<std::string>{"44: Variable 'g' is never used."});
}

TEST_F(Bindings, ForwardPointerDomain) {
    // type p = ^node; node = record next: p end;
    Binding* pending = BindPendingDomain(Id("node"));
    Type* p = CreatePointerType(CreateIdType(Id("node")));
    BindTypeName(Id("p"), p);
    FinishTypeIdentifier(Id("p"));
    Type* node = Record({FieldVar("next", CreateIdType(Id("p")))});
    BindTypeName(Id("node"), node);
    FinishTypeIdentifier(Id("node"));
    ResolvePendingDomains();
    EXPECT_EQ(pending->u.type, node);
    EXPECT_EQ(ResolveType(p->u.pointer.domain), node);
    Id("p")->bind->referenced = 1;
    LeaveScope(true);   // node counts as used through p
    EXPECT_TRUE(Heard().empty()) << All();
}

TEST_F(Bindings, PendingDomainTakesTheOuterType) {
    BindTypeName(Id("node"), IntegerT);
    EnterScope(ScopeRoutine);
    Binding* pending = BindPendingDomain(Id("node"));
    ResolvePendingDomains();
    EXPECT_EQ(pending->u.type, IntegerT);
    EXPECT_TRUE(pending->prev->referenced);
}

TEST_F(Bindings, PendingDomainNeverDeclared) {
    Binding* pending = BindPendingDomain(Id("nowhere"));
    ResolvePendingDomains();
    EXPECT_EQ(pending->u.type, BadT);
    EXPECT_EQ(Messages(), std::vector<std::string>{"76: Type expected."});
}

TEST_F(Bindings, HidingWarnsOnlyWhenEnabledAndNotForFields) {
    SetOption(opt::WarningMessages, msg::HidesDeclaration, 1);
    Var("x");
    EnterScope(ScopeRecord);
    Bind(Id("x"), BindField, StatusDeclared);
    EXPECT_TRUE(Heard().empty()) << All();
    LeaveScope(false);
    EnterScope(ScopeRoutine);
    Var("x");
    EXPECT_EQ(Messages(), std::vector<std::string>{"54: Declaration of 'x' hides previous declaration."});
}

TEST_F(Bindings, HidingIsSilentByDefault) {
    Var("x");
    EnterScope(ScopeRoutine);
    Var("x");
    EXPECT_TRUE(Heard().empty()) << All();
}

TEST_F(Bindings, UnusedDeclarations) {
    BindConstant(Id("k"), CreateIntegerConstant(1));
    BindTypeName(Id("t"), CharT);
    Var("v");
    BindFunction(Id("f"), CreateFunction(UserFunc, CreateFuncHeading(Id("f"), nullptr, nullptr)));
    BindFunction(Id("p"), CreateFunction(UserProc, CreateFuncHeading(Id("p"), nullptr, nullptr)));
    Label* l = CreateLabel(Id("9"), CurrentScopeLevel());
    l->placed = 1;
    BindLabelName(Id("9"), l);
    Var("used");
    MarkVariableReferenced(Id("used"), Id("used")->bind->u.variable);
    LeaveScope(true);
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "44: Constant 'k' is never used.", "44: Type 't' is never used.",
                              "44: Variable 'v' is never used.", "44: Function 'f' is never used.",
                              "44: Procedure 'p' is never used.",
                              "56: Label '9' is never referenced by a goto statement."}));
}

TEST_F(Bindings, UnusedChecksAreOptional) {
    Var("v");
    LeaveScope(false);
    EXPECT_TRUE(Heard().empty()) << All();
}

TEST_F(Bindings, NeverUsedDisabledAtBindingTimeStaysQuiet) {
    SetOption(opt::WarningMessages, msg::NeverUsed, 0);
    Var("quiet");
    SetOption(opt::WarningMessages, msg::NeverUsed, 1);
    Var("loud");
    LeaveScope(true);
    EXPECT_EQ(Messages(), std::vector<std::string>{"44: Variable 'loud' is never used."});
}

// type color = (red, green);  -- used only through one of its constants, or not at all
static Type* Enumeration(const char* type, std::initializer_list<const char*> names) {
    List* ids = ListCreate();
    for (const char* n : names) ListAppend(ids, Intern(n));
    Type* t = CreateEnumType(ids);
    BindTypeName(Intern(type), t);
    int32_t ordinal = 0;
    for (const char* n : names) BindConstant(Intern(n), CreateEnumConstant(ordinal++, t));
    FinishTypeIdentifier(Intern(type));
    return t;
}

TEST_F(Bindings, EnumeratedTypeUnusedUnlessAConstantIs) {
    Enumeration("color", {"red", "green"});
    Enumeration("shade", {"dark", "light"});
    Id("light")->bind->referenced = 1;
    LeaveScope(true);
    EXPECT_EQ(Messages(), std::vector<std::string>{"44: Type 'color' is never used."});
}

TEST_F(Bindings, LabelWithoutStatement) {
    Label* l = CreateLabel(Id("10"), CurrentScopeLevel());
    BindLabelName(Id("10"), l);
    Id("10")->bind->referenced = 1;
    LeaveScope(true);
    EXPECT_EQ(Messages(), std::vector<std::string>{"140: Label '10' is not assigned to a statement."});
}

TEST_F(Bindings, ForwardRoutineWithoutDefinition) {
    Function* f = CreateFunction(UserProc, CreateFuncHeading(Id("later"), nullptr, nullptr));
    SetInclude(f->directives->flags, DirectiveForward);
    BindFunction(Id("later"), f, StatusForwardDomain);
    Id("later")->bind->referenced = 1;
    LeaveScope(true);
    EXPECT_EQ(Messages(), std::vector<std::string>{"125: Forward function/procedure has no definition."});
}

TEST_F(Bindings, ProgramParameterBecomesTheVariable) {
    Bind(Id("data"), BindProgParm, StatusDeclared);
    Variable* v = Var("data");
    EXPECT_TRUE(Heard().empty()) << All();
    EXPECT_EQ(Id("data")->bind->kind, BindVar);
    EXPECT_EQ(Id("data")->bind->u.variable, v);
    EXPECT_EQ(Id("data")->bind->prev, nullptr);
}

TEST_F(Bindings, EnumerationConstantsOfAFieldTypeLeaveTheRecordScope) {
    EnterScope(ScopeRecord);
    Bind(Id("f"), BindField, StatusDeclared);
    Enumeration("e", {"one", "two"});
    LeaveScope(false);
    EXPECT_EQ(Id("f")->bind, nullptr);
    ASSERT_NE(Id("one")->bind, nullptr);
    EXPECT_EQ(Id("one")->bind->scope, CurrentScope());
    EXPECT_EQ(BindingKindOf(Id("e")), BindType);
}

TEST_F(Bindings, CarriedConstantClashesWithTheEnclosingScope) {
    BindConstant(Id("one"), CreateIntegerConstant(1));
    EnterScope(ScopeRecord);
    Enumeration("e", {"one"});
    Heard().clear();
    LeaveScope(false);
    EXPECT_EQ(Messages(), std::vector<std::string>{"77: Invalid redefinition of 'one'"});
}

TEST_F(Bindings, ScopesAndLevels) {
    int32_t level = CurrentScopeLevel();
    EnterScope(ScopeWith);
    EXPECT_EQ(CurrentScopeLevel(), level);
    EnterScope(ScopeRecord);
    EXPECT_EQ(CurrentScopeLevel(), level + 1);
    LeaveScope(false);
    LeaveScope(false);
    EnterScope(ScopeRoutine);
    EXPECT_TRUE(InRoutineScope());
    EXPECT_EQ(CurrentScopeLevel(), level + 1);
    LeaveScope(false);
    EXPECT_TRUE(InProgramScope());
}

TEST_F(Bindings, ScopeNestingLimit) {
    // Outer and program scopes are open: scope numbers 0 and 1.
    for (int i = 2; i < MAX_SCOPES; i++) EnterScope(ScopeRoutine);
    EXPECT_EQ(CurrentScope(), MAX_SCOPES - 1);
    EXPECT_THROW(EnterScope(ScopeRoutine), FatalStop);
    EXPECT_EQ(Messages(), std::vector<std::string>{"18: Implementation limit exceeded (scope level)."});
}

TEST_F(Bindings, WithStatementBindsEveryFieldAsADesignator) {
    Variable* tag = FieldVar("kind", BoolT);
    List* variants = ListCreate();
    ListAppend(variants, VariantOf({BoolConst(true)}, {FieldVar("a", IntegerT)}));
    ListAppend(variants, VariantOf({BoolConst(false)}, {FieldVar("b", CharT)}));
    Type* r = Record({FieldVar("x", IntegerT)}, CreateVariantPart(CreateVariantSelector(tag, BoolT), variants, nullptr));
    FinishType(r);
    Variable* rv = CreateVariable(Id("rec"), r);
    BindVariable(Id("rec"), rv);
    VarAccess* access = CreateEntireVariable(rv, Id("rec"));
    EnterScope(ScopeWith);
    BindWithFields(access, r, 3);
    for (const char* name : {"x", "kind", "a", "b"}) {
        ASSERT_EQ(BindingKindOf(Id(name)), BindFieldDesignator) << name;
        FieldDesignatorRef* ref = Id(name)->bind->u.designator;
        EXPECT_EQ(ref->record, access);
        EXPECT_EQ(ref->field, Id(name));
        EXPECT_EQ(ref->withLocal, 3);
    }
    LeaveScope(false);
    EXPECT_EQ(BindingKindOf(Id("x")), BindNone);
}

// ---- Reserved words, predefined names and case -------------------------------------------

class Predefined : public FrontTest {};

struct WordCase {
    int option;
    const char* word;
    int32_t token;
};

TEST_F(Predefined, OptionalReservedWordsAreIdentifiersWithTheirOptionOff) {
    const WordCase cases[] = {
        {opt::eop, "and_then", AND_THENtok}, {opt::eop, "or_else", OR_ELSEtok},
        {opt::eop, "shl", SHLtok}, {opt::eop, "shr", SHRtok}, {opt::eop, "xor", XORtok},
        {opt::ety, "class", CLASStok}, {opt::ety, "list", LISTtok}, {opt::ety, "object", OBJECTtok},
        {opt::eow, "otherwise", OTHERWISEtok},
    };
    for (const WordCase& c : cases) {
        Option(c.option, true);
        Start();
        EXPECT_EQ(Id(c.word)->reserved, c.token) << c.word;
        EXPECT_EQ(BindingKindOf(Id(c.word)), BindReserved) << c.word;
        Option(c.option, false);
        Start();
        EXPECT_EQ(Id(c.word)->reserved, 0) << c.word;
        EXPECT_EQ(BindingKindOf(Id(c.word)), BindNone) << c.word;
        EXPECT_EQ(Id("begin")->reserved, BEGINtok);   // always reserved
        Option(c.option, true);
    }
}

TEST_F(Predefined, EveryOtherReservedWordIsAlwaysReserved) {
    Option(opt::E, false);
    Start();
    int reserved = 0;
    for (int32_t k = ANDtok; k <= XORtok; k++) reserved += Id(KEYWORDS[k - ANDtok])->reserved == k;
    EXPECT_EQ(reserved, (XORtok - ANDtok + 1) - 9);
}

struct NameCase {
    int option;       // 0: always bound
    const char* name;
    int32_t kind;     // the binding kind with the option on
};

TEST_F(Predefined, NamesAreBoundOnlyUnderTheirOption) {
    const NameCase cases[] = {
        {0, "boolean", BindType}, {0, "char", BindType}, {0, "real", BindType}, {0, "text", BindType},
        {0, "integer", BindType}, {0, "maxint", BindConst}, {0, "false", BindConst}, {0, "true", BindConst},
        {0, "abs", BindFunc}, {0, "trunc", BindFunc}, {0, "writeln", BindFunc}, {0, "new", BindFunc},
        {opt::ety, "string", BindType}, {opt::ety, "single", BindType}, {opt::ety, "word", BindType},
        {opt::ety, "registers", BindType}, {opt::ety, "byteregs", BindConst}, {opt::ety, "recordset", BindType},
        {opt::eco, "maxword", BindConst}, {opt::eco, "platform_linux", BindConst},
        {opt::eco, "sql_tc_ddl_ignore", BindConst},
        {opt::efn, "length", BindFunc}, {opt::efn, "ioresult", BindFunc}, {opt::efn, "wait", BindFunc},
        {opt::epr, "inc", BindFunc}, {opt::epr, "val", BindFunc}, {opt::epr, "halt", BindFunc},
    };
    for (const NameCase& c : cases) {
        Start();
        EXPECT_EQ(BindingKindOf(Id(c.name)), c.kind) << c.name;
        if (!c.option) continue;
        Option(c.option, false);
        Start();
        EXPECT_EQ(BindingKindOf(Id(c.name)), BindNone) << c.name << " with its option off";
        Option(c.option, true);
    }
}

TEST_F(Predefined, ValuesAndKinds) {
    Start();
    EXPECT_EQ(Id("maxint")->bind->u.constant->value.integer, 2147483647);
    EXPECT_EQ(Id("maxword")->bind->u.constant->value.cardinal, 4294967295u);
    EXPECT_EQ(Id("maxchar")->bind->u.constant->kind, ConstantChar);
    EXPECT_EQ(Id("platform_macos")->bind->u.constant->value.integer, 520);
    EXPECT_EQ(Id("rskeyset")->bind->u.constant->value.integer, 5);
    EXPECT_EQ(Id("true")->bind->u.constant->value.ordinal, 1);
    EXPECT_EQ(Id("true")->bind->u.constant->t, BoolT);
    EXPECT_EQ(Id("double")->bind->u.type, RealT);
    EXPECT_EQ(Id("single")->bind->u.type, FloatT);
    EXPECT_EQ(Id("filename")->bind->u.type, StringT);
    EXPECT_EQ(Id("getlasterror")->bind->u.function->kind, 23);
    EXPECT_EQ(Id("ioresult")->bind->u.function->kind, 23);
    EXPECT_EQ(Id("writeln")->bind->u.function->kind, 139);
    EXPECT_EQ(Id("append")->bind->u.function->kind, 77);
    EXPECT_EQ(Id("eof")->bind->u.function->kind, 12);
    EXPECT_EQ(PredefinedWords().forward, Id("forward"));
    EXPECT_EQ(BindingKindOf(PredefinedWords().forward), BindNone);
    EXPECT_EQ(BindingKindOf(PredefinedWords().moreresults), BindNone);
}

TEST_F(Predefined, CaseInsensitiveLookup) {
    Start();
    EXPECT_EQ(Id("Begin")->reserved, BEGINtok);
    EXPECT_EQ(Id("BEGIN")->reserved, BEGINtok);
    EXPECT_EQ(Id("Count"), Id("count"));
    EXPECT_EQ(BindingKindOf(Id("INTEGER")), BindType);
}

TEST_F(Predefined, CaseSensitiveLookup) {
    Option(opt::C, true);
    Start();
    EXPECT_EQ(Id("begin")->reserved, BEGINtok);
    EXPECT_EQ(Id("Begin")->reserved, 0);
    EXPECT_NE(Id("Count"), Id("count"));
    EXPECT_EQ(BindingKindOf(Id("integer")), BindType);
    EXPECT_EQ(BindingKindOf(Id("Integer")), BindNone);
}

}  // namespace
}  // namespace tarn::tpc::test
