// The identifier table: the bucket function, interning, case folding and internal names.
#include <string>
#include <vector>

#include "lexer_fixture.h"

namespace tarn::tpc::test {
namespace {

TEST(Hash, BucketNumbersFollowTheMultiplicativeSum) {
    // Worked by hand: h = h * 65423 + c over folded, signed characters, mod 701.
    const struct { const char* text; uint32_t sum; uint32_t bucket; } cases[] = {
        {"a", 97, 97},
        {"ab", 6346129, 677},
        {"AB", 6346129, 677},
        {"begin", 3264014217u, 492},
        {"\xe9", 4294967273u, 559},   // 0xE9 counts as -23
        {"Hello_World", 2915967413u, 188},
        {"", 0, 0},
    };
    for (auto c : cases) {
        EXPECT_EQ(HashText(c.text), c.sum) << c.text;
        EXPECT_EQ(Hash(c.text, HashSize), c.bucket) << c.text;
    }
    EXPECT_EQ(Hash("ab", 2), 6346129u % 2);
}

TEST_F(LexerTest, HashTableOfOneBucketIsAnInternalError) {
    for (uint32_t size : {1u, 0u}) {
        Captured().clear();
        EXPECT_THROW(Hash("ab", size), FatalStop) << size;
        ASSERT_EQ(Captured().size(), 1u) << size;
        EXPECT_EQ(Captured()[0].number, msg::InternalCompilerError) << size;
    }
}

TEST_F(LexerTest, InterningGivesOneRecordPerSpelling) {
    const uint32_t before = IdentifierCount();
    Identifier* a = Intern("Counter");
    EXPECT_STREQ(a->text, "Counter");
    EXPECT_EQ(a->length, 7u);
    EXPECT_EQ(a->bind, nullptr);
    EXPECT_EQ(a->reserved, 0);
    EXPECT_EQ(Intern("Counter"), a);
    EXPECT_EQ(Intern("counter"), a);       // option C off: case ignored
    EXPECT_EQ(Intern("COUNTER"), a);
    EXPECT_NE(Intern("Counters"), a);
    EXPECT_EQ(FindOrAdd("counter", false), FindOrAdd("counter", false));
    EXPECT_NE(FindOrAdd("counter", false), a);   // exact lookups compare exactly
    EXPECT_EQ(IdentifierCount(), before + 3);
}

TEST_F(LexerTest, OptionCMakesIdentifiersCaseSensitive) {
    SetFlag(opt::C, true);
    Identifier* a = Intern("Counter");
    EXPECT_NE(Intern("counter"), a);
    EXPECT_EQ(Intern("Counter"), a);
}

TEST_F(LexerTest, InternalNamesStayApartFromIdentifiers) {
    Identifier* id = Intern("x");
    Identifier* file = InternFileName("x");
    Identifier* literal = InternLiteral("x");
    Identifier* member = InternMember("x");
    EXPECT_NE(id, file);
    EXPECT_NE(id, literal);
    EXPECT_NE(id, member);
    EXPECT_NE(file, literal);
    EXPECT_STREQ(file->text, "\"x");
    EXPECT_STREQ(FileNameOf(file), "x");
    EXPECT_STREQ(literal->text, "'x");
    EXPECT_STREQ(member->text, ".x");
    EXPECT_NE(InternFileName("X"), file);       // file names keep their case
    EXPECT_NE(InternLiteral("X"), literal);     // so do literals
    EXPECT_EQ(InternMember("X"), member);       // member names fold
    std::string longName(600, 'n');
    EXPECT_STREQ(FileNameOf(InternFileName(longName)), longName.c_str());
}

TEST_F(LexerTest, ThousandsOfIdentifiersStayDistinctAndFindable) {
    std::vector<Identifier*> ids;
    for (int i = 0; i < 20000; ++i) ids.push_back(Intern("name" + std::to_string(i)));
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(Intern("NAME" + std::to_string(i)), ids[i]) << i;
        ASSERT_EQ(ids[i]->text, "name" + std::to_string(i));
    }
}

TEST_F(LexerTest, ClearingTheTableForgetsEveryIdentifier) {
    Identifier* a = Intern("before");
    ClearIdentifierTable();
    EXPECT_EQ(IdentifierCount(), 0u);
    Identifier* b = Intern("before");
    EXPECT_NE(a, b);
    EXPECT_EQ(b->reserved, 0);
}

TEST_F(LexerTest, ReservedMarkDecidesTheTokenKind) {
    Identifier* w = Intern("otherwise");
    MarkReserved(w, 0);   // as when option eow is off: an ordinary identifier
    Open("otherwise");
    EXPECT_EQ(GetToken(), IDtok);
    EXPECT_EQ(CurrToken->value.id, w);
}

}  // namespace
}  // namespace tarn::tpc::test
