// Limits and repairs after errors: tag fields and variants past 32 bits, expressions and
// factors nested too deeply, enumeration constants whose names were taken, and the
// leading sign of a simple expression.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/front/parser.h"
#include "source_fixture.h"

namespace tarn::tpc::test {
namespace {

using Texts = std::vector<std::string>;

// ---- Record size --------------------------------------------------------------------------

class RecordSizeTest : public FrontTest {
protected:
    void SetUp() override {
        FrontTest::SetUp();
        Start();
    }
    // 2147483647 bytes: the largest array the index allows.
    static Type* Huge() { return CreateArrayType(Range(1, 2147483647), CharT); }
    // Two huge fields: the fixed part ends at 4294967294.
    static Type* RecordAfterHugeFields(VariantPart* vp) {
        return Record({FieldVar("a", Huge()), FieldVar("b", Huge())}, vp);
    }
    static VariantPart* Part(Variable* tag, Type* tagType, std::initializer_list<Variant*> variants) {
        List* vl = ListCreate();
        for (Variant* v : variants) ListAppend(vl, v);
        return CreateVariantPart(CreateVariantSelector(tag, tagType), vl, nullptr);
    }
};

TEST_F(RecordSizeTest, VariantPastThirtyTwoBitsIsReportedOnce) {
    Type* t = RecordAfterHugeFields(Part(nullptr, BoolT,
        {VariantOf({BoolConst(true)}, {FieldVar("c", IntegerT)}),
         VariantOf({BoolConst(false)}, {FieldVar("d", IntegerT), FieldVar("e", IntegerT)})}));
    FinishType(t);
    EXPECT_EQ(Messages(), Texts{"94: Implementation limit exceeded (Record size)."});
}

TEST_F(RecordSizeTest, TagFieldPastThirtyTwoBitsIsReported) {
    Type* t = RecordAfterHugeFields(Part(FieldVar("tag", BoolT), BoolT,
        {VariantOf({BoolConst(true)}, {}), VariantOf({BoolConst(false)}, {})}));
    FinishType(t);
    EXPECT_EQ(Messages(), Texts{"94: Implementation limit exceeded (Record size)."});
}

TEST_F(RecordSizeTest, VariantEndingAtTheLastByteIsQuiet) {
    // a: 0..2147483646; the tag after it; d up to 4294967294 at most, the last byte.
    Type* rest = CreateArrayType(Range(1, 2147483643), CharT);
    Variable* tag = FieldVar("tag", BoolT);
    Type* t = Record({FieldVar("a", Huge())}, Part(tag, BoolT,
        {VariantOf({BoolConst(true)}, {FieldVar("c", IntegerT)}),
         VariantOf({BoolConst(false)}, {FieldVar("d", rest)})}));
    FinishType(t);
    EXPECT_EQ(Messages(), Texts{});
    EXPECT_GE(tag->offset, 2147483647u);
    EXPECT_EQ(t->size, tag->offset + 4u + 2147483643u);
}

// ---- Nesting -------------------------------------------------------------------------------

class NestingTest : public SourceTest {
protected:
    // `i := ((...(1)...))` with `depth` parentheses.
    Texts Nested(int depth) {
        return Parse("program p;\nvar i: integer;\nbegin\ni := " + Lines(depth, "(") + "1" +
                     Lines(depth, ")") + "\nend.\n");
    }
    // `text` n times, 10 to a line (lines have a length limit).
    static std::string Lines(int n, const std::string& text) {
        std::string s;
        for (int i = 0; i < n; ++i) s += text + (i % 10 == 9 ? "\n" : "");
        return s;
    }
};

TEST_F(NestingTest, FourHundredLevelsAreAccepted) {
    // The statement's expression and 399 parenthesised ones: 400 of each level.
    EXPECT_EQ(Nested(399), Texts{});
}

TEST_F(NestingTest, OneLevelMoreIsTooComplex) {
    EXPECT_EQ(Nested(400), Texts{"32: Implementation limit exceeded (program too complex)."});
    ASSERT_FALSE(Heard().empty());
    EXPECT_EQ(Heard().back().kind, MsgKind::FATAL);
}

TEST_F(NestingTest, NestedTypesPastTheLimitAreTooComplex) {
    std::string type = Lines(401, "array[1..2] of ");
    Texts said = Parse("program p;\ntype t = " + type + "char;\nbegin\nend.\n");
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.back(), "32: Implementation limit exceeded (program too complex).");
}

// ---- Enumerations after errors ----------------------------------------------------------------

class EnumRebindTest : public SourceTest {};

TEST_F(EnumRebindTest, NameTakenByAVariableIsReportedOnceAndBecomesTheConstant) {
    Texts said = Parse("program p;\nvar a: integer;\ntype e = (a, b);\nvar x: e;\nbegin\nx := b\nend.\n");
    EXPECT_EQ(said, Texts{"101: 'a' has already been used as a variable."});
}

TEST_F(EnumRebindTest, NameListedTwiceIsReportedOnce) {
    Texts said = Parse("program p;\ntype e = (a, b, a);\nvar x: e;\nbegin\nx := b\nend.\n");
    EXPECT_EQ(said, Texts{"77: Invalid redefinition of 'a'"});
}

TEST_F(EnumRebindTest, RebindingGivesEachNameItsOrdinalOfTheType) {
    Parse("program p;\nvar a: integer;\ntype e = (a, b);\nbegin\nend.\n");
    // The program scope is closed by now; bind again by finishing a fresh enumeration in
    // a scope where `a` names a variable.
    Heard().clear();
    EnterScope(ScopeProgram);
    Variable* v = CreateVariable(Id("a"), IntegerT);
    BindVariable(Id("a"), v);
    List* ids = ListCreate();
    ListAppend(ids, Id("a"));
    ListAppend(ids, Id("b"));
    Type* t = CreateEnumType(ids);
    BindConstant(Id("b"), CreateEnumConstant(1, t));
    FinishType(t);
    ASSERT_EQ(BindingKindOf(Id("a")), BindConst);
    EXPECT_EQ(Id("a")->bind->u.constant->kind, ConstantEnumId);
    EXPECT_EQ(Id("a")->bind->u.constant->value.ordinal, 0);
    EXPECT_EQ(Id("a")->bind->u.constant->t, t);
    EXPECT_EQ(Id("a")->bind->finishing, Finished);
    EXPECT_EQ(Messages(), Texts{});   // the error was reported when the name was taken
    LeaveScope(false);
}

// ---- Leading sign of a simple expression -------------------------------------------------------

class LeadingSignTest : public SourceTest {
protected:
    Texts Body(const std::string& decls, const std::string& body) {
        return Parse("program p;\n" + decls + "begin\n" + body + "\nend.\n");
    }
};

TEST_F(LeadingSignTest, MinusOnASubrangeWidensToTheNegatedRange) {
    Option(opt::nu, false);
    Texts said = Body("var s: 1..10; t: -10..10; u: 0..10;\n", "t := -s;\nu := -s");
    // -s is -10..10: fits t, and u (0..10) is still compatible (same host), so no message.
    EXPECT_EQ(said, Texts{});
}

TEST_F(LeadingSignTest, SignOnANonNumericOperandIsReportedAndDropped) {
    Option(opt::nu, false);
    EXPECT_EQ(Body("var b: boolean;\n", "b := -true"), Texts{"78: Invalid use of sign."});
    EXPECT_EQ(Body("var c: char;\n", "c := +'a'"), Texts{"78: Invalid use of sign."});
    EXPECT_EQ(Body("var s: string;\n", "s := -'ab'"), Texts{"78: Invalid use of sign."});
}

TEST_F(LeadingSignTest, SignCoversTheWholeFirstTerm) {
    Option(opt::nu, false);
    // -2 * 3 + 1: the sign belongs to the adding level, over the term 2 * 3.
    EXPECT_EQ(Body("var i: integer;\n", "i := -2 * 3 + 1"), Texts{});
    // A sign on a relation's operand is the shift level's; booleans take none.
    EXPECT_EQ(Body("var b: boolean;\n", "b := -(1 < 2)"), Texts{"78: Invalid use of sign."});
}

TEST_F(LeadingSignTest, NegatedTypeOfTheSimpleExpression) {
    Option(opt::nu, false);
    std::string path = Path("expr.pas");
    Write("expr.pas", "-x");
    InitLexer();
    ClearIdentifierTable();
    PushFile(path.c_str());
    OpenOuterScope();
    InitParser();
    EnterScope(ScopeProgram);
    Type* range = CreateSubrangeType(CreateIntegerConstant(3), CreateIntegerConstant(7));
    FinishType(range);
    BindVariable(Id("x"), CreateVariable(Id("x"), range));
    Parser().blockPosition = PositionStatement;
    GetToken();
    Expression* e = ParseExpression();
    const Expression* simple = e;
    while (simple && simple->sign == SignNone && !simple->factor) simple = simple->left;
    ASSERT_NE(simple, nullptr);
    EXPECT_EQ(simple->sign, SignMinus);
    Type* t = simple->ActualType;
    ASSERT_EQ(t->kind, SubrangeType);
    EXPECT_EQ(t->u.subrange.low, -7);
    EXPECT_EQ(t->u.subrange.high, 7);
    EXPECT_EQ(e->ActualType, t);
    LeaveScope(false);
}

}  // namespace
}  // namespace tarn::tpc::test
