// Type predicates and expression checks: a pair that passes and one that fails per rule.
#include "front_fixture.h"

#include <cstring>

namespace tarn::tpc::test {
namespace {

class Checks : public FrontTest {
protected:
    void SetUp() override {
        FrontTest::SetUp();
        Start();
        EnterScope(ScopeProgram);
    }
    static Type* Str(uint32_t n) { Type* t = CreateStringType(n); FinishType(t); return t; }
    static Type* CStr(uint32_t n) { Type* t = CreateCStringType(n); FinishType(t); return t; }
    static Type* Chars(uint32_t n) { return CreateStringConstant(std::string(n, 'x').c_str(), n)->t; }
    static Type* SetOf(Type* base, bool packed = false) {
        Type* t = CreateSetType(base);
        t->packed = packed;
        FinishType(t);
        return t;
    }
    static Type* Ptr(Type* d) { Type* t = CreatePointerType(d); FinishType(t); return t; }
    // An expression of a variable of type t.
    static Expression* VarOf(Type* t) {
        Variable* v = CreateVariable(Intern("v"), t);
        return CreateLeafExpression(CreateVarAccessFactor(CreateEntireVariable(v, Intern("v"))));
    }
    static Expression* Lit(const char* s) {
        size_t n = std::strlen(s);
        Constant* c = n == 1 ? CreateCharConstant(s[0]) : CreateStringConstant(s, n);
        return CreateLeafExpression(CreateConstantFactor(c));
    }
    static Expression* Int(int32_t v) { return CreateLeafExpression(CreateConstantFactor(CreateIntegerConstant(v))); }
    static Type* Typed(Expression* e) { FinishExpression(e); return e->ActualType; }
};

struct PairCase {
    const char* what;
    Type* a;
    Type* b;
    bool expected;
};

TEST_F(Checks, SameType) {
    Type* p = Ptr(IntegerT);
    const PairCase cases[] = {
        {"integer/word", IntegerT, WordT, true}, {"word/address", WordT, AddressT, true},
        {"shortint/shortword", ShortIntT, ShortWordT, true}, {"integer/shortint", IntegerT, ShortIntT, false},
        {"set/[]", SetOf(CharT), EmptySetT, true}, {"set/set", SetOf(CharT), SetOf(CharT), false},
        {"pointer/nil", p, NullPointerT, true}, {"pointer/address", p, AddressT, true},
        {"pointer/generic", p, PointerT, true}, {"pointer/pointer", p, Ptr(IntegerT), false},
        {"object/nil", ConnectionT, NullPointerT, true}, {"object/object", ConnectionT, RecordsetT, false},
        {"string[5]/string[5]", Str(5), Str(5), true}, {"string[5]/string[6]", Str(5), Str(6), false},
        {"cstring[5]/string[5]", CStr(5), Str(5), false}, {"bad/char", BadT, CharT, true},
        {"char/boolean", CharT, BoolT, false},
    };
    for (const PairCase& c : cases) EXPECT_EQ(IsSameType(c.a, c.b), c.expected) << c.what;
}

TEST_F(Checks, CompatibleType) {
    const PairCase cases[] = {
        {"1..10/integer", Range(1, 10), IntegerT, true}, {"byte/word", ByteT, WordT, true},
        {"single/real", FloatT, RealT, true}, {"integer/real", IntegerT, RealT, false},
        {"set of char/set of 'a'..'z'", SetOf(CharT), SetOf(CreateCharConstant('a')->t), true},
        {"packed set/set", SetOf(CharT, true), SetOf(CharT), false},
        {"packed set/[]", SetOf(CharT, true), EmptySetT, true},
        {"set of char/set of integer", SetOf(CharT), SetOf(Range(0, 9)), false},
        {"'abc'/'xyz'", Chars(3), Chars(3), true}, {"'abc'/'ab'", Chars(3), Chars(2), false},
        {"'abc'/string[3]", Chars(3), Str(3), true}, {"'abcd'/string[3]", Chars(4), Str(3), false},
        {"string[3]/'abc'", Str(3), Chars(3), true}, {"string[2]/'abc'", Str(2), Chars(3), false},
        {"string/cstring", StringT, CStringT, true}, {"string/char", StringT, CharT, true},
        {"char/cstring", CharT, CStringT, true}, {"char/'ab'", CharT, Chars(2), false},
        {"char/integer", CharT, IntegerT, false}, {"boolean/char", BoolT, CharT, false},
    };
    for (const PairCase& c : cases) EXPECT_EQ(IsCompatibleType(c.a, c.b), c.expected) << c.what;
}

TEST_F(Checks, AssignmentCompatible) {
    Type* fileRecord = Record({FieldVar("f", TextT)});
    FinishType(fileRecord);
    const PairCase cases[] = {
        {"integer := integer", IntegerT, IntegerT, true}, {"real := integer", RealT, IntegerT, true},
        {"integer := real", IntegerT, RealT, false}, {"1..10 := integer", Range(1, 10), IntegerT, true},
        {"boolean := variant", BoolT, VariantT, true}, {"string := variant", StringT, VariantT, true},
        {"char := variant", CharT, VariantT, false}, {"set := set", SetOf(CharT), SetOf(CharT), true},
        {"string[3] := 'abc'", Str(3), Chars(3), true}, {"string[2] := 'abc'", Str(2), Chars(3), false},
        {"char := 'ab'", CharT, Chars(2), false}, {"'abc' := string", Chars(3), Str(3), false},
        {"'abc' := 'xyz'", Chars(3), Chars(3), true}, {"single := real", FloatT, RealT, true},
        {"text := text", TextT, TextT, true},
    };
    for (const PairCase& c : cases) EXPECT_EQ(IsAssignmentCompatible(c.a, c.b), c.expected) << c.what;
    EXPECT_TRUE(IsAssignmentCompatible(fileRecord, fileRecord));   // option E is on
    Option(opt::E, false);
    EXPECT_FALSE(IsAssignmentCompatible(fileRecord, fileRecord));
}

TEST_F(Checks, TypeClasses) {
    EXPECT_TRUE(IsOrdinalType(BoolT));
    EXPECT_TRUE(IsOrdinalType(AddressT));
    EXPECT_FALSE(IsOrdinalType(RealT));
    EXPECT_TRUE(IsIntegralType(Range(1, 2)));
    EXPECT_FALSE(IsIntegralType(CharT));
    EXPECT_TRUE(IsStringType(Chars(2)));
    EXPECT_FALSE(IsStringType(Chars(1)));   // a one-character literal is a char
    Type* unpacked = CreateArrayType(Range(1, 5), CharT);
    FinishType(unpacked);
    EXPECT_FALSE(IsStringType(unpacked));
    Type* fromZero = CreateArrayType(Range(0, 5), CharT);
    fromZero->packed = 1;
    FinishType(fromZero);
    EXPECT_FALSE(IsStringType(fromZero));
    Type* ofLetters = CreateArrayType(Range(1, 5), CreateSubrangeTypeFromValues('a', 'z', CharT));
    ofLetters->packed = 1;
    FinishType(ofLetters);
    EXPECT_FALSE(IsStringType(ofLetters));   // the component must be char itself
    EXPECT_FALSE(IsCompatibleType(ofLetters, Chars(5)));
    EXPECT_EQ(PromotedType(Range(1, 5)), IntegerT);
    EXPECT_EQ(PromotedType(FloatT), RealT);
    EXPECT_EQ(PromotedType(ByteT), IntegerT);
    EXPECT_EQ(PromotedType(WordT), WordT);
    EXPECT_EQ(PromotedType(CharT), CharT);
}

// ---- Expressions --------------------------------------------------------------------------

TEST_F(Checks, InWithMismatchedElement) {
    // i in ['a'..'z'] for integer i
    List* members = ListCreate();
    ListAppend(members, CreateMemberDesignator(Lit("a"), Lit("z")));
    SetConstructor* s = CreateSetConstructor(members);
    FinishSetConstructor(s);
    EXPECT_EQ(ResolveType(s->t->u.set.base)->u.subrange.low, 'a');
    EXPECT_EQ(ResolveType(s->t->u.set.base)->u.subrange.high, 'z');
    Expression* setExpr = CreateLeafExpression(CreateSetFactor(s));
    Expression* e = CreateBinaryExpression(VarOf(IntegerT), INtok, setExpr);
    EXPECT_EQ(Typed(e), BoolT);
    EXPECT_EQ(Messages(), std::vector<std::string>{"114: Type mismatch."});
    Heard().clear();
    List* m2 = ListCreate();
    ListAppend(m2, CreateMemberDesignator(Lit("a"), Lit("z")));
    Expression* ok = CreateBinaryExpression(VarOf(CharT), INtok, CreateLeafExpression(CreateSetFactor(CreateSetConstructor(m2))));
    EXPECT_EQ(Typed(ok), BoolT);
    EXPECT_TRUE(Heard().empty()) << All();
}

TEST_F(Checks, SetConstructorMergesElementRanges) {
    List* members = ListCreate();
    ListAppend(members, CreateMemberDesignator(Int(5), nullptr));
    ListAppend(members, CreateMemberDesignator(Int(1), Int(3)));
    ListAppend(members, CreateMemberDesignator(Lit("a"), nullptr));
    SetConstructor* s = CreateSetConstructor(members);
    FinishSetConstructor(s);
    Type* base = ResolveType(s->t->u.set.base);
    EXPECT_EQ(base->u.subrange.low, 1);
    EXPECT_EQ(base->u.subrange.high, 5);
    EXPECT_EQ(s->t->u.set.constructor, 1);
    EXPECT_EQ(Messages(), std::vector<std::string>{"114: Type mismatch."});
    SetConstructor* empty = CreateSetConstructor(nullptr);
    FinishSetConstructor(empty);
    EXPECT_EQ(empty->t, EmptySetT);
}

struct OperatorCase {
    const char* what;
    Type* left;
    int32_t oper;
    Type* right;
    Type* result;
    std::vector<std::string> messages;
};

TEST_F(Checks, Operators) {
    const OperatorCase cases[] = {
        {"integer + integer", IntegerT, PLUStok, IntegerT, IntegerT, {}},
        {"integer + word", IntegerT, PLUStok, WordT, WordT, {}},
        {"integer * real", IntegerT, STARtok, RealT, RealT, {}},
        {"real - byte", RealT, MINUStok, ByteT, RealT, {}},
        {"integer + char", IntegerT, PLUStok, CharT, IntegerT, {"114: Type mismatch."}},
        {"char * char", CharT, STARtok, CharT, BadT, {"82: Operand has invalid type."}},
        {"address + integer", AddressT, PLUStok, IntegerT, AddressT, {}},
        {"integer + address", IntegerT, PLUStok, AddressT, AddressT, {}},
        {"address + address", AddressT, PLUStok, AddressT, AddressT, {"82: Operand has invalid type."}},
        {"address - address", AddressT, MINUStok, AddressT, IntegerT, {}},
        {"address - integer", AddressT, MINUStok, IntegerT, AddressT, {}},
        {"address + real", AddressT, PLUStok, RealT, AddressT, {"114: Type mismatch."}},
        {"address - real", AddressT, MINUStok, RealT, AddressT, {"114: Type mismatch."}},
        {"address * real", AddressT, STARtok, RealT, AddressT, {"114: Type mismatch."}},
        {"address * integer", AddressT, STARtok, IntegerT, AddressT, {"82: Operand has invalid type."}},
        {"char + char (eop)", CharT, PLUStok, CharT, StringT, {}},
        {"string + char (eop)", StringT, PLUStok, CharT, StringT, {}},
        {"integer / integer", IntegerT, SLASHtok, IntegerT, RealT, {}},
        {"char / integer", CharT, SLASHtok, IntegerT, RealT, {"114: Type mismatch."}},
        {"address / integer", AddressT, SLASHtok, IntegerT, RealT, {"82: Operand has invalid type."}},
        {"integer div word", IntegerT, DIVtok, WordT, WordT, {}},
        {"real div integer", RealT, DIVtok, IntegerT, IntegerT, {"76: Integer expression expected."}},
        {"address mod integer", AddressT, MODtok, IntegerT, IntegerT, {"82: Operand has invalid type."}},
        {"word shl integer", WordT, SHLtok, IntegerT, WordT, {}},
        {"address shr integer", AddressT, SHRtok, IntegerT, IntegerT, {"76: Integer expression expected."}},
        {"boolean and boolean", BoolT, ANDtok, BoolT, BoolT, {}},
        {"integer and word (eop)", IntegerT, ANDtok, WordT, WordT, {}},
        {"integer or boolean (eop)", IntegerT, ORtok, BoolT, IntegerT, {"76: Integer expression expected."}},
        {"char or boolean", CharT, ORtok, BoolT, BoolT, {"76: Boolean expression expected."}},
        {"boolean and_then integer", BoolT, AND_THENtok, IntegerT, BoolT, {"76: Boolean expression expected."}},
        {"integer = real", IntegerT, EQUALtok, RealT, BoolT, {}},
        {"integer = word", IntegerT, EQUALtok, WordT, BoolT, {"59: Comparing signed and unsigned integral values."}},
        {"char = integer", CharT, EQUALtok, IntegerT, BoolT, {"114: Type mismatch."}},
        {"string < char", StringT, LESStok, CharT, BoolT, {}},
        {"text = text", TextT, EQUALtok, TextT, BoolT, {"82: Operand has invalid type."}},
        {"connection = nil", ConnectionT, EQUALtok, NullPointerT, BoolT, {}},
        {"connection = recordset", ConnectionT, EQUALtok, RecordsetT, BoolT, {"114: Type mismatch."}},
        {"connection < connection", ConnectionT, LESStok, ConnectionT, BoolT, {"82: Operand has invalid type."}},
        {"set <= set", SetOf(CharT), LESS_EQUALtok, SetOf(CharT), BoolT, {}},
        {"set = set of other base", SetOf(CharT), EQUALtok, SetOf(BoolT), BoolT, {"114: Type mismatch."}},
        {"set + integer", SetOf(CharT), PLUStok, IntegerT, BadT, {"76: Set expression expected."}},
        {"bad + char", BadT, PLUStok, CharT, BadT, {}},
    };
    for (const OperatorCase& c : cases) {
        Heard().clear();
        Expression* e = CreateBinaryExpression(VarOf(c.left), c.oper, VarOf(c.right));
        Type* t = Typed(e);
        if (c.result == BadT)
            EXPECT_EQ(t->kind, BadType) << c.what;
        else
            EXPECT_TRUE(t == c.result) << c.what << ": kind " << t->kind;
        EXPECT_EQ(Messages(), c.messages) << c.what;
    }
}

TEST_F(Checks, OperatorsWithoutNonStandardOperators) {
    Option(opt::eop, false);
    Expression* concat = CreateBinaryExpression(VarOf(CharT), PLUStok, VarOf(CharT));
    Typed(concat);
    EXPECT_EQ(Messages(), std::vector<std::string>{"82: Operand has invalid type."});
    Heard().clear();
    Expression* bits = CreateBinaryExpression(VarOf(IntegerT), ANDtok, VarOf(IntegerT));
    EXPECT_EQ(Typed(bits), BoolT);
    EXPECT_EQ(Messages(), std::vector<std::string>{"76: Boolean expression expected."});
}

TEST_F(Checks, SignsOnFactorsAndExpressions) {
    Factor* f = CreateVarAccessFactor(CreateEntireVariable(CreateVariable(Id("b"), ByteT), Id("b")));
    f->sign = SignMinus;
    Expression* e = CreateLeafExpression(f);
    Type* t = Typed(e);
    ASSERT_EQ(t->kind, SubrangeType);
    EXPECT_EQ(t->u.subrange.low, -255);
    EXPECT_EQ(t->u.subrange.high, 255);
    Factor* c = CreateVarAccessFactor(CreateEntireVariable(CreateVariable(Id("c"), CharT), Id("c")));
    c->sign = SignMinus;
    Typed(CreateLeafExpression(c));
    EXPECT_EQ(Messages(), std::vector<std::string>{"78: Invalid use of sign."});
    EXPECT_EQ(c->sign, SignNone);
    Factor* k = CreateConstantFactor(CreateIntegerConstant(5));
    k->sign = SignMinus;
    Expression* minusFive = CreateLeafExpression(k);
    EXPECT_EQ(Typed(minusFive)->u.subrange.low, -5);
}

TEST_F(Checks, NotOfAConstantFolds) {
    // not 5 (option eop): the one-value subrange of the complement
    Expression* e = CreateLeafExpression(CreateNotFactor(CreateConstantFactor(CreateIntegerConstant(5))));
    Type* type = Typed(e);
    ASSERT_EQ(type->kind, SubrangeType);
    EXPECT_EQ(type->u.subrange.HostType, IntegerT);
    EXPECT_EQ(type->u.subrange.low, ~5);
    EXPECT_EQ(Typed(CreateLeafExpression(CreateNotFactor(CreateConstantFactor(CreateIdConstant(Id("true")))))), BoolT);
    Expression* bad = CreateLeafExpression(CreateNotFactor(CreateVarAccessFactor(
        CreateEntireVariable(CreateVariable(Id("r"), RealT), Id("r")))));
    EXPECT_EQ(Typed(bad), BoolT);
    EXPECT_EQ(Messages(), std::vector<std::string>{"114: Type mismatch."});
    Heard().clear();
    Option(opt::eop, false);
    Typed(CreateLeafExpression(CreateNotFactor(CreateConstantFactor(CreateIntegerConstant(5)))));
    EXPECT_EQ(Messages(), std::vector<std::string>{"114: Type mismatch."});
}

// ---- Case constants --------------------------------------------------------------------

TEST_F(Checks, CaseConstants) {
    CaseValueSet* seen = CreateCaseValueSet();
    EXPECT_TRUE(CheckCaseConstant(CreateCaseRange(CreateIntegerConstant(1), CreateIntegerConstant(5)), IntegerT, true, seen));
    EXPECT_FALSE(CheckCaseConstant(CreateCaseRange(CreateIntegerConstant(5), nullptr), IntegerT, true, seen));
    EXPECT_FALSE(CheckCaseConstant(CreateCaseRange(CreateCharConstant('a'), nullptr), IntegerT, true, seen));
    EXPECT_FALSE(CheckCaseConstant(CreateCaseRange(CreateIntegerConstant(9), CreateIntegerConstant(7)), IntegerT, true, seen));
    EXPECT_FALSE(CheckCaseConstant(CreateCaseRange(CreateCardinalConstant(3000000000u), nullptr), IntegerT, true, seen));
    EXPECT_FALSE(CheckCaseConstant(CreateCaseRange(CreateIntegerConstant(20), nullptr), Range(1, 10), false, seen));
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "109: Case constant specified more than once.",
                              "105: Case constant incompatible with case index.",
                              "90: Lower bound is greater than the upper bound.",
                              "128: Invalid case constant (range exceeds implementation limit).",
                              "105: Case constant incompatible with variant selector."}));
}

TEST_F(Checks, OtherwiseThatCanNeverBeUsed) {
    CaseValueSet* seen = CreateCaseValueSet();
    CheckCaseConstant(CreateCaseRange(CreateIdConstant(Id("false")), nullptr), BoolT, true, seen);
    CheckOtherwiseReachable(seen, BoolT, nullptr);
    EXPECT_TRUE(Heard().empty()) << All();
    CheckCaseConstant(CreateCaseRange(CreateIdConstant(Id("true")), nullptr), BoolT, true, seen);
    CheckOtherwiseReachable(seen, BoolT, nullptr);
    EXPECT_EQ(Messages(), std::vector<std::string>{"46: 'otherwise' or 'else' can never be used."});
}

// ---- Parameters ------------------------------------------------------------------------

TEST_F(Checks, VarParametersAndStrictStrings) {
    EXPECT_TRUE(CheckVarParm(StringT, Str(10), nullptr) == false);   // s is on by default
    Heard().clear();
    Option(opt::s, false);
    EXPECT_TRUE(CheckVarParm(StringT, Str(10), nullptr));
    EXPECT_TRUE(CheckVarParm(IntegerT, AddressT, nullptr));
    EXPECT_FALSE(CheckVarParm(IntegerT, CharT, nullptr));
    EXPECT_EQ(Messages(), std::vector<std::string>{"114: Type mismatch."});
}

TEST_F(Checks, ExternalHeadings) {
    Variable* result = CreateVariable(nullptr, StringT);
    List* parms = ListCreate();
    ListAppend(parms, CreateVariable(Id("s"), StringT));
    FormalParmList* fpl = CreateFormalParmList();
    ListAppend(fpl->sections, CreateValueParmSection(parms, StringT));
    List* vparms = ListCreate();
    ListAppend(vparms, CreateVariable(Id("t"), StringT));
    ListAppend(fpl->sections, CreateVarParmSection(vparms, StringT));
    CheckExternalHeading(CreateFuncHeading(Id("ext"), fpl, result), nullptr);
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "130: Invalid function return type.",
                              "141: Parameters of this type can not be used in an external function/procedure."}));
}

}  // namespace
}  // namespace tarn::tpc::test
