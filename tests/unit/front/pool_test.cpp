// Pooled string literals and generic-object member names: stored once per scope in the
// fixed data, which the image writer keeps.
#include <gtest/gtest.h>

#include <cstring>

#include "source_fixture.h"

namespace tarn::tpc::test {
namespace {

class PoolTest : public SourceTest {
protected:
    // Bytes of the predefined registers record's variant table, which the outer scope
    // stores first.
    static constexpr uint32_t kPredefinedTables = 8;
    void SetUp() override {
        SourceTest::SetUp();
        Start();
        InitOutputState();   // Start stored the predefined variant tables: the fixed data starts empty
    }
};

TEST_F(PoolTest, LiteralIsStoredOnceWhileItsBindingLives) {
    EnterScope(ScopeProgram);
    PooledLiteral* a = PoolLiteral("hello", 5);
    PooledLiteral* b = PoolLiteral("hello", 5);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->offset, 0u);
    EXPECT_EQ(a->size, 5u);
    EXPECT_EQ(a->convert, 1);
    EXPECT_EQ(GetFixedDataSize(), 5u);
    Identifier* id = InternLiteral("hello");
    EXPECT_EQ(BindingKindOf(id), BindLiteral);
    EXPECT_EQ(id->bind->scope, CurrentScope());
    // Literals keep their case: another spelling is another literal.
    PooledLiteral* upper = PoolLiteral("HELLO", 5);
    EXPECT_NE(upper, a);
    EXPECT_EQ(upper->offset, 5u);
    EXPECT_EQ(GetFixedDataSize(), 10u);
    // The internal name does not touch the identifier of the same spelling.
    EXPECT_EQ(BindingKindOf(Id("hello")), BindNone);
}

TEST_F(PoolTest, InnerScopeReusesAnOuterLiteralAndStoresItsOwnAgainAfterClosing) {
    EnterScope(ScopeProgram);
    PooledLiteral* outer = PoolLiteral("abc", 3);
    EnterScope(ScopeRoutine);
    EXPECT_EQ(PoolLiteral("abc", 3), outer);
    PooledLiteral* inner = PoolLiteral("xy", 2);
    EXPECT_EQ(inner->offset, 3u);
    LeaveScope(true);   // pooled names are never reported as unused
    EXPECT_EQ(All(), "");
    EXPECT_EQ(BindingKindOf(InternLiteral("xy")), BindNone);
    PooledLiteral* again = PoolLiteral("xy", 2);
    EXPECT_EQ(again->offset, 5u);
    EXPECT_EQ(GetFixedDataSize(), 7u);
    EXPECT_EQ(PoolLiteral("abc", 3), outer);
}

TEST_F(PoolTest, MemberNamesFoldCaseAndAreNotConverted) {
    EnterScope(ScopeProgram);
    // Two source spellings taken exactly, as with case-sensitive identifiers.
    Identifier* mixed = FindOrAdd("Caption", false);
    Identifier* upper = FindOrAdd("CAPTION", false);
    ASSERT_NE(mixed, upper);
    Identifier* m = PoolMember(mixed);
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->text, ".Caption");
    EXPECT_EQ(BindingKindOf(m), BindPropOrMethod);
    PooledLiteral* p = m->bind->u.literal;
    EXPECT_EQ(p->size, 7u);
    EXPECT_EQ(p->offset, 0u);
    EXPECT_EQ(p->convert, 0);
    // The member name folds: the first spelling is the one stored.
    EXPECT_EQ(PoolMember(upper), m);
    EXPECT_EQ(GetFixedDataSize(), 7u);
    EXPECT_EQ(BindingKindOf(mixed), BindNone);
}

TEST_F(PoolTest, MemberNamesCompareExactlyWithCaseSensitiveIdentifiers) {
    Option(opt::C, true);
    EnterScope(ScopeProgram);
    Identifier* a = PoolMember(Id("Caption"));
    Identifier* b = PoolMember(Id("CAPTION"));
    EXPECT_NE(a, b);
    EXPECT_EQ(b->bind->u.literal->offset, 7u);
    EXPECT_EQ(GetFixedDataSize(), 14u);
}

// The parser pools string literals of expressions and generic-object member names; a
// literal of a routine is stored again once the routine's scope has closed.
TEST_F(PoolTest, ParserPoolsLiteralsAndMemberNamesPerScope) {
    const char* source =
        "program p;\n"
        "var o: object; s: string; c: char;\n"
        "procedure q;\n"
        "begin s := 'inner'; s := 'hello'; s := 'inner' end;\n"
        "begin\n"
        "  q;\n"
        "  s := 'hello'; s := 'hello'; c := 'x';\n"
        "  o.Caption := 'hello';\n"
        "  s := o.caption;\n"
        "  o.(s) := 1\n"
        "end.\n";
    EXPECT_EQ(Parse(source), std::vector<std::string>{});
    // After the predefined variant table: q: inner, hello; main: hello again, Caption ('x' is
    // a char, o.(s) an expression).
    EXPECT_EQ(GetFixedDataSize(), kPredefinedTables + std::strlen("innerhellohelloCaption"));
}

TEST_F(PoolTest, ConstantDeclarationsAreNotPooled) {
    EXPECT_EQ(Parse("program p;\nconst k = 'abc';\nbegin\nend.\n"), std::vector<std::string>{"44: Constant 'k' is never used."});
    EXPECT_EQ(GetFixedDataSize(), kPredefinedTables);
}

}  // namespace
}  // namespace tarn::tpc::test
