// Sizes, offsets, variant tables and constants of the declaration model.
#include "front_fixture.h"

namespace tarn::tpc::test {
namespace {

struct SizeCase {
    const char* what;
    Type* (*make)();
    uint32_t size;
};

class Sizes : public FrontTest {};

TEST_F(Sizes, EveryKindOccupiesItsSize) {
    Start();
    const SizeCase cases[] = {
        {"string[255]", [] { return CreateStringType(255); }, 256},
        {"string[256]", [] { return CreateStringType(256); }, 260},
        {"string[1]", [] { return CreateStringType(1); }, 2},
        {"cstring[10]", [] { return CreateCStringType(10); }, 11},
        {"cstring[1000]", [] { return CreateCStringType(1000); }, 1001},
        {"set of char", [] { return CreateSetType(CharT); }, 32},
        {"set of 0..255", [] { return CreateSetType(Range(0, 255)); }, 32},
        {"set of 0..7", [] { return CreateSetType(Range(0, 7)); }, 1},
        {"set of 0..8", [] { return CreateSetType(Range(0, 8)); }, 2},
        {"set of boolean", [] { return CreateSetType(BoolT); }, 1},
        {"set of 0..256 (beyond zbsm)", [] { return CreateSetType(Range(0, 256)); }, 1028},
        {"set of integer", [] { return CreateSetType(IntegerT); }, 1028},
        {"array[1..10] of real", [] { return CreateArrayType(Range(1, 10), RealT); }, 80},
        {"array[char] of byte", [] { return CreateArrayType(CharT, ByteT); }, 256},
        {"array[boolean] of shortint", [] { return CreateArrayType(BoolT, ShortIntT); }, 4},
        {"file of integer", [] { return CreateFileType(IntegerT); }, 4},
        {"^integer", [] { return CreatePointerType(IntegerT); }, 4},
        {"list of integer", [] { return CreateListType(IntegerT); }, 4},
        {"1..10", [] { return Range(1, 10); }, 4},
    };
    for (const SizeCase& c : cases) {
        Type* t = c.make();
        FinishType(t);
        EXPECT_EQ(t->size, c.size) << c.what;
    }
    EXPECT_TRUE(Heard().empty()) << All();
}

TEST_F(Sizes, PredefinedTypes) {
    Start();
    const std::pair<Type*, uint32_t> cases[] = {
        {NullT, 1}, {CharT, 1}, {ByteT, 1}, {ShortIntT, 2}, {ShortWordT, 2}, {IntegerT, 4},
        {WordT, 4}, {AddressT, 4}, {FloatT, 4}, {RealT, 8}, {VariantT, 4}, {BadT, 4}, {DirT, 4},
        {StreamT, 4}, {PointerT, 4}, {NullPointerT, 4}, {EmptySetT, 1}, {StringT, 256},
        {OneCharStringT, 2}, {CStringT, 256}, {ErrorNameT, 17}, {ErrorDescriptionT, 256},
        {TextT, 4}, {BinaryT, 4}, {ConnectionT, 4}, {RecordsetT, 4}, {GenericObjectT, 4},
        {BoolT, 4}, {ErrorListT, 4},
        {ErrorT, 4 + 17 + 256},          // packed record number, name, description
        {RegistersT, 7 * 4},             // the word variant is the larger one
    };
    for (auto [t, size] : cases) EXPECT_EQ(t->size, size) << "kind " << t->kind;
    EXPECT_NE(TextT, BinaryT);
    EXPECT_EQ(BinaryT->u.file.noBuffer, 1);
    EXPECT_NE(NullPointerT, PointerT);
}

TEST_F(Sizes, PredefinedVariables) {
    Start();
    EXPECT_EQ(NullVar->t, AddressT);
    EXPECT_EQ(InputVar->t, TextT);
    EXPECT_EQ(OutputVar->t, TextT);
    EXPECT_EQ(ExitCodeVar->t, IntegerT);
    EXPECT_EQ(ErrorCodeVar->t, IntegerT);
    EXPECT_STREQ(ErrorCodeVar->id->text, "errorcode");
    EXPECT_EQ(ErrorsVar->t, ErrorListT);
}

TEST_F(Sizes, ArrayIndexRangeTooLarge) {
    Start();
    Type* t = CreateArrayType(IntegerT, CharT);
    FinishType(t);
    EXPECT_EQ(Count(msg::LimitArrayIndexRange), 1) << All();
}

TEST_F(Sizes, ArraySizeOverflow) {
    Start();
    Type* t = CreateArrayType(Range(1, 1000000000), RealT);
    FinishType(t);
    ASSERT_EQ(Messages(), std::vector<std::string>{"94: Implementation limit exceeded (Array size)."});
    EXPECT_EQ(t->u.array.ComponentType, BadT);
}

TEST_F(Sizes, FileOfFileIsRefused) {
    Start();
    FinishType(CreateFileType(CreateFileType(CharT)));
    EXPECT_EQ(Messages(), std::vector<std::string>{"102: Type not permissible as the component type of a file."});
}

TEST_F(Sizes, SetOfWordIsRefused) {
    Start();
    FinishType(CreateSetType(WordT));
    EXPECT_EQ(Messages(), std::vector<std::string>{"108: Set base type includes values of type 'word'."});
}

// ---- Record offsets ---------------------------------------------------------------

struct AlignCase {
    int32_t a;
    uint32_t realOffset;
    uint32_t size;
};

class Records : public FrontTest {};

TEST_F(Records, RealAfterCharUnderEachAlignment) {
    const AlignCase cases[] = {{0, 1, 9}, {1, 1, 9}, {2, 2, 10}, {4, 4, 12}, {8, 8, 16}};
    for (const AlignCase& c : cases) {
        SetOption(opt::a, c.a, 0);
        Start();
        Variable* ch = FieldVar("c", CharT);
        Variable* r = FieldVar("r", RealT);
        Type* t = Record({ch, r});
        FinishType(t);
        EXPECT_EQ(ch->offset, 0u) << "a=" << c.a;
        EXPECT_EQ(r->offset, c.realOffset) << "a=" << c.a;
        EXPECT_EQ(t->size, c.size) << "a=" << c.a;
    }
}

TEST_F(Records, StringFieldsAlignByTheirLength) {
    SetOption(opt::a, 4, 0);
    Start();
    Variable* c = FieldVar("c", CharT);
    Variable* shortString = FieldVar("s", CreateStringType(10));
    Variable* c2 = FieldVar("d", CharT);
    Variable* longString = FieldVar("l", CreateStringType(300));
    Type* t = Record({c, shortString, c2, longString});
    FinishType(t);
    EXPECT_EQ(shortString->offset, 1u);   // strings up to 255 align to 1
    EXPECT_EQ(c2->offset, 12u);
    EXPECT_EQ(longString->offset, 16u);   // longer strings carry a count word
    EXPECT_EQ(t->size, 16u + 304u);
}

TEST_F(Records, EmptyRecordWarns) {
    Start();
    FinishType(Record({}));
    EXPECT_EQ(Messages(), std::vector<std::string>{"45: Record has no fields."});
}

TEST_F(Records, VariantsOverlayAfterTheTag) {
    SetOption(opt::a, 4, 0);
    Start();
    Variable* fixed = FieldVar("n", CharT);
    Variable* tag = FieldVar("b", BoolT);
    Variable* x = FieldVar("x", IntegerT);
    Variable* y = FieldVar("y", RealT);
    Variable* z = FieldVar("z", CharT);
    List* variants = ListCreate();
    ListAppend(variants, VariantOf({BoolConst(true)}, {x}));
    ListAppend(variants, VariantOf({BoolConst(false)}, {y, z}));
    VariantPart* vp = CreateVariantPart(CreateVariantSelector(tag, BoolT), variants, nullptr);
    Type* t = Record({fixed}, vp);
    FinishType(t);
    EXPECT_TRUE(Heard().empty()) << All();
    EXPECT_EQ(tag->offset, 4u);
    EXPECT_EQ(x->offset, 8u);
    EXPECT_EQ(y->offset, 8u);
    EXPECT_EQ(z->offset, 16u);
    EXPECT_EQ(t->size, 17u);
    EXPECT_EQ(fixed->VNumber, 0);
    EXPECT_EQ(tag->VNumber, 0);
    EXPECT_EQ(x->VNumber, 1);
    EXPECT_EQ(y->VNumber, 2);
    EXPECT_EQ(z->VNumber, 2);
    // One variant number per selector value: false -> variant 2, true -> variant 1.
    ASSERT_EQ(vp->tableCount, 2u);
    EXPECT_EQ(vp->tableLow, 0);
    EXPECT_EQ(vp->table[0], 2u);
    EXPECT_EQ(vp->table[1], 1u);
}

TEST_F(Records, UnlistedSelectorValueIsErrorOrWarningUnderE) {
    for (bool e : {false, true}) {
        Option(opt::E, e);
        Start();
        List* variants = ListCreate();
        ListAppend(variants, VariantOf({BoolConst(true)}, {FieldVar("x", IntegerT)}));
        Type* t = Record({}, CreateVariantPart(CreateVariantSelector(FieldVar("b", BoolT), BoolT), variants, nullptr));
        FinishType(t);
        std::string expected = e ? "48: 'false' is not associated with a variant."
                                 : "106: 'false' is not associated with a variant.";
        EXPECT_EQ(Messages(), std::vector<std::string>{expected});
    }
}

TEST_F(Records, UnlistedCharSelectorValueIsNamed) {
    Start();
    List* variants = ListCreate();
    ListAppend(variants, VariantOf({CreateCharConstant(0)}, {FieldVar("x", IntegerT)}));
    Type* sel = CreateSubrangeType(CreateCharConstant(0), CreateCharConstant('c'));
    FinishType(sel);
    FinishType(Record({}, CreateVariantPart(CreateVariantSelector(nullptr, sel), variants, nullptr)));
    EXPECT_EQ(Messages(), std::vector<std::string>{"48: 'chr(1)' is not associated with a variant."});
}

TEST_F(Records, LargeSelectorRangeHasNoTable) {
    Start();
    List* variants = ListCreate();
    ListAppend(variants, VariantOf({CreateIntegerConstant(1)}, {FieldVar("x", IntegerT)}));
    VariantPart* vp = CreateVariantPart(CreateVariantSelector(nullptr, Range(1, 2000)), variants, nullptr);
    FinishType(Record({}, vp));
    EXPECT_EQ(vp->table, nullptr);
    EXPECT_EQ(Count(msg::LimitVariantSelectorRange), 1) << All();
    EXPECT_EQ(Count(msg::NotAssociatedWithVariantWarning), 1) << All();
}

TEST_F(Records, DuplicateVariantLabel) {
    Start();
    List* variants = ListCreate();
    ListAppend(variants, VariantOf({BoolConst(true)}, {FieldVar("x", IntegerT)}));
    ListAppend(variants, VariantOf({BoolConst(true), BoolConst(false)}, {FieldVar("y", IntegerT)}));
    FinishType(Record({}, CreateVariantPart(CreateVariantSelector(nullptr, BoolT), variants, nullptr)));
    EXPECT_EQ(Messages(), std::vector<std::string>{"109: Case constant specified more than once."});
}

// ---- Variables -------------------------------------------------------------------------

TEST_F(Records, GlobalVariablesAreAllocatedInOrder) {
    SetOption(opt::a, 4, 0);
    Start();
    EnterScope(ScopeProgram);
    SetVariableCounter(0);
    Variable* c = CreateVariable(Id("c"), CharT);
    Variable* i = CreateVariable(Id("i"), IntegerT);
    FinishVariable(c);
    FinishVariable(i);
    EXPECT_EQ(c->offset, 0u);
    EXPECT_EQ(i->offset, 4u);
    EXPECT_EQ(i->global, 1);
    EXPECT_EQ(VariableCounter(), 8u);
}

TEST_F(Records, RoutineLocalsTakeTheirEndOffset) {
    Start();
    EnterScope(ScopeProgram);
    EnterScope(ScopeRoutine);
    SetVariableCounter(80);
    Variable* i = CreateVariable(Id("i"), IntegerT);
    FinishVariable(i);
    EXPECT_EQ(i->offset, 84u);
    EXPECT_EQ(i->global, 0);
}

TEST_F(Records, HeadingAllocatesParametersLastFirst) {
    Start();
    EnterScope(ScopeProgram);
    EnterScope(ScopeRoutine);
    SetVariableCounter(80);
    Variable* a = CreateVariable(Id("a"), IntegerT);
    a->arg = 1;
    Variable* b = CreateVariable(Id("b"), StringT);
    b->arg = 1;
    b->byRef = 1;
    List* pa = ListCreate();
    ListAppend(pa, a);
    List* pb = ListCreate();
    ListAppend(pb, b);
    FormalParmList* fpl = CreateFormalParmList();
    ListAppend(fpl->sections, CreateValueParmSection(pa, IntegerT));
    ListAppend(fpl->sections, CreateVarParmSection(pb, StringT));
    Variable* result = CreateVariable(nullptr, RealT);
    result->arg = 1;
    FinishHeading(CreateFuncHeading(Id("f"), fpl, result));
    EXPECT_EQ(b->offset, 12u);   // the last section first
    EXPECT_EQ(b->size, 4u);      // by reference
    EXPECT_EQ(a->offset, 16u);
    EXPECT_EQ(result->offset, 20u);
    EXPECT_EQ(VariableCounter(), 80u);   // restored
}

// ---- Constants -------------------------------------------------------------------------

class Constants : public FrontTest {};

TEST_F(Constants, MinusFiveIsAMagnitudeWithASign) {
    Start();
    Constant* c = CreateIntegerConstant(5);
    c->sign = SignMinus;
    EXPECT_EQ(c->kind, ConstantInteger);
    EXPECT_EQ(c->value.integer, 5);
    c = FinishConstant(c);
    EXPECT_EQ(c->value.integer, -5);
    EXPECT_EQ(c->t->u.subrange.low, -5);
    EXPECT_EQ(c->t->u.subrange.HostType, IntegerT);
}

TEST_F(Constants, LiteralTypes) {
    Start();
    Constant* abc = CreateStringConstant("abc", 3);
    ASSERT_EQ(abc->t->kind, ArrayType);
    EXPECT_EQ(abc->t->packed, 1);
    EXPECT_EQ(abc->t->u.array.ComponentType, CharT);
    EXPECT_EQ(abc->t->u.array.IndexType->u.subrange.low, 1);
    EXPECT_EQ(abc->t->u.array.IndexType->u.subrange.high, 3);
    EXPECT_TRUE(IsStringType(abc->t));
    EXPECT_EQ(CreateStringConstant("", 0)->t, EmptyStringT);
    EXPECT_EQ(CreateCharConstant('x')->t->u.subrange.HostType, CharT);
    EXPECT_EQ(CreateCardinalConstant(3000000000u)->t->u.subrange.HostType, WordT);
    EXPECT_EQ(CreateNilConstant()->t, NullPointerT);
    EXPECT_EQ(CreateRealConstant(1.5)->t, RealT);
}

struct SignCase {
    const char* what;
    Constant* (*make)();
    std::vector<std::string> messages;
};

TEST_F(Constants, SignsWhereNoneMayStand) {
    Start();
    const SignCase cases[] = {
        {"-'a'", [] { return CreateCharConstant('a'); }, {"78: Invalid use of sign."}},
        {"-'ab'", [] { return CreateStringConstant("ab", 2); }, {"78: Invalid use of sign."}},
        {"-nil", [] { return CreateNilConstant(); }, {"78: Invalid use of sign."}},
        {"-false", [] { return CreateIdConstant(Intern("false")); }, {"100: Enumeration constant 'false' is signed."}},
        {"-3000000000", [] { return CreateCardinalConstant(3000000000u); }, {"61: word constant is signed."}},
        {"-1.5", [] { return CreateRealConstant(1.5); }, {}},
    };
    for (const SignCase& c : cases) {
        Heard().clear();
        Constant* k = c.make();
        k->sign = SignMinus;
        FinishConstant(k);
        EXPECT_EQ(Messages(), c.messages) << c.what;
    }
}

TEST_F(Constants, IdentifierIsReplacedByACopyWithFlippedSign) {
    Start();
    EnterScope(ScopeProgram);
    Constant* five = CreateIntegerConstant(5);
    five->sign = SignMinus;
    BindConstant(Id("a"), five);
    FinishConstantIdentifier(Id("a"));
    Constant* ref = CreateIdConstant(Id("a"));
    ref->sign = SignMinus;
    Constant* c = FinishConstant(ref);
    EXPECT_NE(c, ref);
    EXPECT_EQ(c->kind, ConstantInteger);
    EXPECT_EQ(c->value.integer, 5);
    EXPECT_EQ(FinishConstant(CreateIdConstant(Id("a")))->value.integer, -5);
    EXPECT_TRUE(Heard().empty()) << All();
}

TEST_F(Constants, CircularConstant) {
    Start();
    EnterScope(ScopeProgram);
    BindConstant(Id("a"), CreateBadConstant());
    Id("a")->bind->u.constant = CreateIdConstant(Id("a"));   // const a = a;
    FinishConstantIdentifier(Id("a"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"87: 'a' has circular declaration."});
}

TEST_F(Constants, CircularType) {
    Start();
    EnterScope(ScopeProgram);
    BindTypeName(Id("t"), nullptr);
    Type* idType = CreateIdType(Id("t"));
    Id("t")->bind->u.type = idType;   // type t = t;
    FinishTypeIdentifier(Id("t"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"87: 't' has circular declaration."});
    EXPECT_EQ(idType->kind, BadType);
}

TEST_F(Constants, IdTypeResolvesToTheNamedType) {
    Start();
    Type* t = CreateIdType(Id("integer"));
    FinishType(t);
    EXPECT_EQ(t->NewType, IntegerT);
    EXPECT_EQ(ResolveType(t), IntegerT);
    EXPECT_EQ(t->size, 4u);
}

struct RangeCase {
    const char* what;
    Constant* (*low)();
    Constant* (*high)();
    std::vector<std::string> messages;
    int32_t lo, hi;
};

TEST_F(Constants, SubrangeBounds) {
    Start();
    const RangeCase cases[] = {
        {"10..1", [] { return CreateIntegerConstant(10); }, [] { return CreateIntegerConstant(1); },
         {"90: Lower bound is greater than the upper bound."}, 1, 10},
        {"1.0..2.0", [] { return CreateRealConstant(1); }, [] { return CreateRealConstant(2); },
         {"92: Real subranges are not allowed."}, 0, 0},
        {"'a'..1", [] { return CreateCharConstant('a'); }, [] { return CreateIntegerConstant(1); },
         {"91: Lower bound and upper bound are not of the same type."}, 'a', 'a'},
        {"0..3000000000", [] { return CreateIntegerConstant(0); }, [] { return CreateCardinalConstant(3000000000u); },
         {}, 0, static_cast<int32_t>(3000000000u)},
        {"'a'..'z'", [] { return CreateCharConstant('a'); }, [] { return CreateCharConstant('z'); }, {}, 'a', 'z'},
    };
    for (const RangeCase& c : cases) {
        Heard().clear();
        Type* t = CreateSubrangeType(c.low(), c.high());
        FinishType(t);
        EXPECT_EQ(Messages(), c.messages) << c.what;
        EXPECT_EQ(t->u.subrange.low, c.lo) << c.what;
        EXPECT_EQ(t->u.subrange.high, c.hi) << c.what;
        EXPECT_EQ(t->size, 4u);
    }
}

TEST_F(Constants, ConstructorPreconditionsAreInternalErrors) {
    Start();
    EXPECT_THROW(CreateStringType(0), FatalStop);
    EXPECT_THROW(CreateStringType(MAX_STRING_LENGTH + 1), FatalStop);
    EXPECT_THROW(CreateArrayType(nullptr, CharT), FatalStop);
    EXPECT_THROW(CreateSubrangeTypeFromValues(1, 2, RealT), FatalStop);
    EXPECT_THROW(CreateObjectType(ConnectionT, nullptr, true), FatalStop);
    EXPECT_EQ(Count(msg::InternalCompilerError), 5);
    EXPECT_NO_THROW(CreateStringType(MAX_STRING_LENGTH));
}

}  // namespace
}  // namespace tarn::tpc::test
