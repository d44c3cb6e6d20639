// Scanning single tokens: punctuation, numbers, literals, identifiers, comments and the
// characters the scanner refuses.
#include <cmath>
#include <cstring>

#include "lexer_fixture.h"

namespace tarn::tpc::test {
namespace {

using K = std::vector<TokenKind>;

// --- Token names and the keyword table ---------------------------------------------------

TEST_F(LexerTest, TokenNamesAreTheWordsSymbolsAndDescriptions) {
    const struct { int kind; const char* name; } cases[] = {
        {EOFtok, "<EOF>"}, {ANDtok, "and"}, {AND_THENtok, "and_then"}, {XORtok, "xor"},
        {PLUStok, "+"}, {NOT_EQUALtok, "<>"}, {ASSIGNtok, ":="}, {DOT_DOTtok, ".."},
        {POINTERtok, "^"}, {DIRECTIVEtok, "Directive"}, {IDtok, "Identifier"},
        {INTtok, "Integer constant"}, {CARDINALtok, "Cardinal constant"},
        {REALtok, "Real constant"}, {CHARtok, "Char constant"}, {STRINGtok, "String constant"},
    };
    for (auto c : cases) {
        char buffer[41 + 1];
        TokenName(c.kind, buffer, sizeof buffer);
        EXPECT_STREQ(buffer, c.name) << "kind " << c.kind;
    }
}

TEST_F(LexerTest, KeywordTableIsAlphabeticalAndEveryWordScansAsItsKind) {
    std::string source;
    for (int kind = ANDtok; kind <= XORtok; ++kind) {
        if (kind > ANDtok) {
            EXPECT_LT(std::strcmp(KEYWORDS[kind - ANDtok - 1], KEYWORDS[kind - ANDtok]), 0);
        }
        source += KEYWORDS[kind - ANDtok];
        source += ' ';
    }
    Open(source);
    for (int kind = ANDtok; kind <= XORtok; ++kind) EXPECT_EQ(GetToken(), kind) << KEYWORDS[kind - ANDtok];
    EXPECT_EQ(GetToken(), EOFtok);
    EXPECT_TRUE(Captured().empty());
}

// --- Punctuation -----------------------------------------------------------------------

TEST_F(LexerTest, PunctuationTokens) {
    const struct { const char* source; K kinds; } cases[] = {
        {"+ - * / = , ;", {PLUStok, MINUStok, STARtok, SLASHtok, EQUALtok, COMMAtok, SEMI_COLONtok}},
        {"( ) [ ] ^ @", {OPEN_PARENtok, CLOSE_PARENtok, OPEN_BRACKETtok, CLOSE_BRACKETtok, POINTERtok, POINTERtok}},
        {"(. .)", {OPEN_BRACKETtok, CLOSE_BRACKETtok}},
        {"a[(.1.)]", {IDtok, OPEN_BRACKETtok, OPEN_BRACKETtok, INTtok, CLOSE_BRACKETtok, CLOSE_BRACKETtok}},
        {":= : := <= <> < >= >", {ASSIGNtok, COLONtok, ASSIGNtok, LESS_EQUALtok, NOT_EQUALtok, LESStok, GREATER_EQUALtok, GREATERtok}},
        {"a:=b", {IDtok, ASSIGNtok, IDtok}},
        {"x<>y<=z", {IDtok, NOT_EQUALtok, IDtok, LESS_EQUALtok, IDtok}},
        {". ..", {PERIODtok, DOT_DOTtok}},
        {"end.", {ENDtok, PERIODtok}},
        {"1..10", {INTtok, DOT_DOTtok, INTtok}},
        {"1.e5", {INTtok, PERIODtok, IDtok}},
        {"1e5", {REALtok}},
        {"p^.next", {IDtok, POINTERtok, PERIODtok, IDtok}},
        {"", {}},
    };
    for (const auto& c : cases) {
        Reset();
        Open(c.source);
        K expected = c.kinds;
        expected.push_back(EOFtok);
        EXPECT_EQ(Kinds(ScanAll()), expected) << c.source;
        EXPECT_TRUE(Captured().empty()) << c.source;
    }
}

// --- Numbers ---------------------------------------------------------------------------

struct NumberCase {
    const char* source;
    std::vector<int> off;       // options switched off first
    TokenKind kind;
    double value;               // integer, cardinal, char code or real
    int message;                // 0: none
    const char* argument;       // the %s of "Invalid %s.", or null
};

TEST_F(LexerTest, NumbersAndTheirLimits) {
    const NumberCase cases[] = {
        {"0", {}, INTtok, 0, 0, nullptr},
        {"2147483647", {}, INTtok, 2147483647, 0, nullptr},
        {"2147483648", {}, CARDINALtok, 2147483648.0, 0, nullptr},
        {"2147483648", {opt::ety}, INTtok, 2147483647, msg::LimitIntegerConstant, nullptr},
        {"4294967295", {}, CARDINALtok, 4294967295.0, 0, nullptr},
        {"4294967296", {}, INTtok, 2147483647, msg::LimitIntegerConstant, nullptr},
        {"99999999999999999999999", {}, INTtok, 2147483647, msg::LimitIntegerConstant, nullptr},
        {"007", {}, INTtok, 7, 0, nullptr},
        {"12abc", {}, INTtok, 12, msg::Invalid, "constant"},
        {"1.5", {}, REALtok, 1.5, 0, nullptr},
        {"1e5", {}, REALtok, 1e5, 0, nullptr},
        {"2.5E-3", {}, REALtok, 2.5e-3, 0, nullptr},
        {"3e+2", {}, REALtok, 300, 0, nullptr},
        {"1.5x", {}, REALtok, 1.5, msg::Invalid, "constant"},
        {"1e400", {}, REALtok, HUGE_VAL, msg::LimitRealConstant, nullptr},
        {"1e-400", {}, REALtok, 0, msg::RealUnderflow, nullptr},
        {"1_", {}, INTtok, 1, msg::Invalid, "constant"},
        {"$FF", {}, INTtok, 255, 0, nullptr},
        {"$7fffffff", {}, INTtok, 2147483647, 0, nullptr},
        {"$FFFFFFFF", {}, CARDINALtok, 4294967295.0, 0, nullptr},
        {"$FFFFFFFF", {opt::ety}, INTtok, 2147483647, msg::LimitIntegerConstant, nullptr},
        {"$100000000", {}, INTtok, 2147483647, msg::LimitIntegerConstant, nullptr},
        {"$G", {}, INTtok, 0, msg::Invalid, "hexadecimal constant"},
        {"$1Fg", {}, INTtok, 31, msg::Invalid, "constant"},
        {"%101", {}, INTtok, 5, 0, nullptr},
        {"%2", {}, INTtok, 0, msg::Invalid, "binary constant"},
        {"%11111111111111111111111111111111", {}, CARDINALtok, 4294967295.0, 0, nullptr},
        {"%111111111111111111111111111111111", {}, INTtok, 2147483647, msg::LimitIntegerConstant, nullptr},
        {"#65", {}, CHARtok, 65, 0, nullptr},
        {"#0", {}, CHARtok, 0, 0, nullptr},
        {"#255", {}, CHARtok, 255, 0, nullptr},
        {"#256", {}, CHARtok, 255, msg::Invalid, "char constant"},
        {"#99999999999", {}, CHARtok, 255, msg::Invalid, "char constant"},
        {"#x", {}, CHARtok, '#', msg::Invalid, "char constant"},
    };
    for (const auto& c : cases) {
        Reset();
        for (int id : c.off) SetFlag(id, false);
        Open(c.source);
        EXPECT_EQ(GetToken(), c.kind) << c.source;
        switch (c.kind) {
        case INTtok: EXPECT_EQ(CurrToken->value.integer, static_cast<int32_t>(c.value)) << c.source; break;
        case CARDINALtok: EXPECT_EQ(CurrToken->value.cardinal, static_cast<uint32_t>(c.value)) << c.source; break;
        case CHARtok:
            EXPECT_EQ(CurrToken->value.character[0], static_cast<uint32_t>(c.value)) << c.source;
            EXPECT_EQ(CurrToken->value.character[1], 0u) << c.source;
            break;
        case REALtok: EXPECT_DOUBLE_EQ(CurrToken->value.real, c.value) << c.source; break;
        default: break;
        }
        if (c.message == 0) {
            EXPECT_TRUE(Captured().empty()) << c.source << ": " << Captured()[0].text;
        } else {
            ASSERT_EQ(Captured().size(), 1u) << c.source;
            EXPECT_EQ(Captured()[0].number, c.message) << c.source;
            if (c.argument) {
                EXPECT_EQ(Captured()[0].text, std::string("Invalid ") + c.argument + ".") << c.source;
            }
        }
    }
}

TEST_F(LexerTest, BinaryHexAndCharCodesAreUndefinedCharactersWithoutOptionEbh) {
    for (const char* source : {"$FF", "%1", "#65"}) {
        Reset();
        SetFlag(opt::ebh, false);
        Open(source);
        ScanAll();
        ASSERT_FALSE(Captured().empty()) << source;
        EXPECT_EQ(Captured()[0].text, "Undefined character.") << source;
        EXPECT_EQ(Captured()[0].col, 0) << source;
    }
}

// --- Literals --------------------------------------------------------------------------

struct LiteralCase {
    const char* source;
    std::vector<int> off;
    TokenKind kind;
    std::string text;
    int message;
};

TEST_F(LexerTest, LiteralsQuotesAndEmptyLiterals) {
    const LiteralCase cases[] = {
        {"'a'", {}, CHARtok, "a", 0},
        {"''''", {}, CHARtok, "'", 0},
        {"''", {}, STRINGtok, "", 0},
        {"''", {opt::ety}, STRINGtok, "", msg::EmptyLiteral},
        {"'abc'", {}, STRINGtok, "abc", 0},
        {"'it''s'", {}, STRINGtok, "it's", 0},
        {"'say \"hi\"'", {}, STRINGtok, "say \"hi\"", 0},
        {"\"abc\"", {}, STRINGtok, "abc", 0},
        {"\"a\"\"b\"", {}, STRINGtok, "a\"b", 0},
        {"\"it's\"", {}, STRINGtok, "it's", 0},
        {"\"x\"", {}, CHARtok, "x", 0},
        {"'abc", {}, STRINGtok, "abc", msg::LiteralNotTerminated},
        {"'abc\nx", {}, STRINGtok, "abc", msg::LiteralNotTerminated},
        {"'ab\x1a" "cd'", {}, STRINGtok, "ab", msg::LiteralNotTerminated},
        {"'a\tb'", {}, STRINGtok, "a\tb", 0},
    };
    for (const auto& c : cases) {
        Reset();
        for (int id : c.off) SetFlag(id, false);
        Open(c.source);
        EXPECT_EQ(GetToken(), c.kind) << c.source;
        if (c.kind == CHARtok) {
            EXPECT_EQ(CurrToken->value.character[0], static_cast<unsigned char>(c.text[0])) << c.source;
        } else {
            EXPECT_EQ(std::string(CurrToken->value.string, CurrToken->spare), c.text) << c.source;
            EXPECT_EQ(CurrToken->value.string[CurrToken->spare], '\0') << c.source;
        }
        if (c.message == 0) {
            EXPECT_TRUE(Captured().empty()) << c.source;
        } else {
            ASSERT_EQ(Captured().size(), 1u) << c.source;
            EXPECT_EQ(Captured()[0].number, c.message) << c.source;
        }
    }
}

TEST_F(LexerTest, DoubleQuoteIsUndefinedWithoutOptionEdq) {
    SetFlag(opt::edq, false);
    Open("\"a\"");
    EXPECT_EQ(GetToken(), IDtok);   // the opening quote is refused, then a, then the close
    ASSERT_EQ(Captured().size(), 1u);
    EXPECT_EQ(Captured()[0].text, "Undefined character.");
}

TEST_F(LexerTest, LiteralWithNulByteKeepsIt) {
    Open(std::string("'a\0b'", 5));
    EXPECT_EQ(GetToken(), STRINGtok);
    EXPECT_EQ(std::string(CurrToken->value.string, CurrToken->spare), std::string("a\0b", 3));
}

// --- Identifiers -----------------------------------------------------------------------

TEST_F(LexerTest, IdentifiersFoldCaseUnlessOptionC) {
    Open("Count count COUNT Begin BEGIN");
    EXPECT_EQ(GetToken(), IDtok);
    Identifier* first = CurrToken->value.id;
    EXPECT_STREQ(first->text, "Count");   // the spelling first seen
    EXPECT_EQ(GetToken(), IDtok);
    EXPECT_EQ(CurrToken->value.id, first);
    EXPECT_EQ(GetToken(), IDtok);
    EXPECT_EQ(CurrToken->value.id, first);
    EXPECT_EQ(GetToken(), BEGINtok);
    EXPECT_EQ(GetToken(), BEGINtok);
}

TEST_F(LexerTest, CaseSensitiveIdentifiersUnderOptionC) {
    SetFlag(opt::C, true);
    ClearIdentifierTable();
    for (int kind = ANDtok; kind <= XORtok; ++kind) MarkReserved(Intern(KEYWORDS[kind - ANDtok]), kind);
    Open("Count count begin Begin BEGIN");
    EXPECT_EQ(GetToken(), IDtok);
    Identifier* upper = CurrToken->value.id;
    EXPECT_EQ(GetToken(), IDtok);
    EXPECT_NE(CurrToken->value.id, upper);
    EXPECT_EQ(GetToken(), BEGINtok);
    EXPECT_EQ(GetToken(), IDtok);
    EXPECT_EQ(GetToken(), IDtok);
}

TEST_F(LexerTest, UnderscoresInIdentifiersFollowOptionEui) {
    Open("a_b _x");
    EXPECT_EQ(GetToken(), IDtok);
    EXPECT_STREQ(CurrToken->value.id->text, "a_b");
    EXPECT_EQ(GetToken(), IDtok);
    EXPECT_STREQ(CurrToken->value.id->text, "_x");
    EXPECT_TRUE(Captured().empty());

    Reset();
    SetFlag(opt::eui, false);
    Open("a_b");
    auto tokens = ScanAll();
    EXPECT_EQ(Kinds(tokens), (K{IDtok, IDtok, EOFtok}));
    EXPECT_EQ(tokens[0].text, "a");
    EXPECT_EQ(tokens[1].text, "b");
    ASSERT_EQ(Captured().size(), 1u);
    EXPECT_EQ(Captured()[0].text, "Undefined character.");
    EXPECT_EQ(Captured()[0].col, 1);
}

TEST_F(LexerTest, BytesAbove127AreLetters) {
    Open("caf\xc3\xa9 := \xe4x;");
    auto tokens = ScanAll();
    EXPECT_EQ(Kinds(tokens), (K{IDtok, ASSIGNtok, IDtok, SEMI_COLONtok, EOFtok}));
    EXPECT_EQ(tokens[0].text, "caf\xc3\xa9");
    EXPECT_TRUE(Captured().empty());
}

// --- Characters the scanner refuses --------------------------------------------------

TEST_F(LexerTest, NulAndControlBytesAreUndefinedCharacters) {
    const struct { std::string source; int col; } cases[] = {
        {std::string("x \0 y", 5), 2},
        {"x \x01 y", 2},
        {"x \x7f y", 2},
        {"x ! y", 2},
        {"x ? y", 2},
        {"x \\ y", 2},
        {"x ~ y", 2},
        {"x ` y", 2},
        {"x & y", 2},
        {"x | y", 2},
    };
    for (const auto& c : cases) {
        Reset();
        Open(c.source);
        auto tokens = ScanAll();
        EXPECT_EQ(Kinds(tokens), (K{IDtok, IDtok, EOFtok}));
        ASSERT_EQ(Captured().size(), 1u);
        EXPECT_EQ(Captured()[0].text, "Undefined character.");
        EXPECT_EQ(Captured()[0].col, c.col);
    }
}

TEST_F(LexerTest, DroppedControlCharactersVanishFromTheLine) {
    Open("ab\x07\x08\x0b\x0c\rcd := 1;\r\n");
    auto tokens = ScanAll();
    EXPECT_EQ(Kinds(tokens), (K{IDtok, ASSIGNtok, INTtok, SEMI_COLONtok, EOFtok}));
    EXPECT_EQ(tokens[0].text, "abcd");
    EXPECT_EQ(tokens[1].col, 5);
}

// Lines are copied eight bytes at a time up to the first byte that needs a look of its
// own: a dropped character, a tab or the line feed at every place in and around a word
// of eight must leave the same tokens at the same columns.
TEST_F(LexerTest, ControlCharactersAtEveryPlaceOfAnEightByteRun) {
    const std::string word = "abcdefghijklmnopq";
    for (char control : {'\r', '\x07', '\x0c', '\t'}) {
        for (size_t at = 0; at <= word.size(); ++at) {
            Reset();
            std::string line = word;
            line.insert(at, 1, control);
            Open(line + " z\n" + std::string(at, ' ') + "y\n");
            auto tokens = ScanAll();
            const bool dropped = control != '\t';
            if (!dropped && at > 0 && at < word.size()) {
                // A tab between letters separates two words.
                ASSERT_EQ(Kinds(tokens), (K{IDtok, IDtok, IDtok, IDtok, EOFtok})) << "at " << at;
                EXPECT_EQ(tokens[0].text, word.substr(0, at));
                EXPECT_EQ(tokens[1].text, word.substr(at));
                EXPECT_EQ(tokens[1].col, static_cast<int32_t>(at) + 1);
                EXPECT_EQ(tokens[3].col, static_cast<int32_t>(at));
                continue;
            }
            ASSERT_EQ(Kinds(tokens), (K{IDtok, IDtok, IDtok, EOFtok})) << "at " << at;
            const int32_t lead = (at == 0 && !dropped) ? 1 : 0;
            EXPECT_EQ(tokens[0].text, word) << "at " << at;
            EXPECT_EQ(tokens[0].col, lead) << "at " << at;
            EXPECT_EQ(tokens[1].text, "z");
            EXPECT_EQ(tokens[1].col, static_cast<int32_t>(word.size()) + (dropped ? 1 : 2))
                << "at " << at;
            EXPECT_EQ(tokens[2].line, 2u);
            EXPECT_EQ(tokens[2].col, static_cast<int32_t>(at));
            EXPECT_TRUE(Captured().empty());
        }
    }
}

TEST_F(LexerTest, CharacterTwentySixEndsTheFile) {
    Open("x\x1a y\nz");
    auto tokens = ScanAll();
    EXPECT_EQ(Kinds(tokens), (K{IDtok, EOFtok}));
    EXPECT_EQ(GetToken(), EOFtok);   // and stays there
    EXPECT_EQ(GetToken(), EOFtok);
}

// --- Comments --------------------------------------------------------------------------

struct CommentCase {
    const char* source;
    bool nested;
    K kinds;
    std::vector<int> messages;
};

TEST_F(LexerTest, CommentsOfBothKinds) {
    const CommentCase cases[] = {
        {"{ c } x", false, {IDtok}, {}},
        {"(* c *) x", false, {IDtok}, {}},
        {"(* c } x", false, {IDtok}, {}},
        {"{ c *) x", false, {IDtok}, {}},
        {"{ a\n b\n c } x", false, {IDtok}, {}},
        {"x // rest { of line\ny", false, {IDtok, IDtok}, {}},
        {"x//", false, {IDtok}, {}},
        {"{ { } } x", false, {IDtok}, {msg::CloseCommentWithoutOpen}},
        {"{ { } } x", true, {IDtok}, {}},
        {"(* (* *) *) x", true, {IDtok}, {}},
        {"(* { *) } x", true, {IDtok}, {}},
        {"} x", false, {IDtok}, {msg::CloseCommentWithoutOpen}},
        {"x *) y", false, {IDtok, IDtok}, {msg::CloseCommentWithoutOpen}},
        {"a{}b", false, {IDtok, IDtok}, {}},
        {"(*) x *) y", false, {IDtok}, {}},
        {"{$} x", false, {IDtok}, {}},
        {"{$1} x", false, {IDtok}, {}},
    };
    for (const auto& c : cases) {
        Reset();
        SetFlag(opt::nc, c.nested);
        Open(c.source);
        K expected = c.kinds;
        expected.push_back(EOFtok);
        EXPECT_EQ(Kinds(ScanAll()), expected) << c.source;
        EXPECT_EQ(Numbers(), c.messages) << c.source;
    }
}

TEST_F(LexerTest, UnclosedCommentInTheMainFileIsFatal) {
    Open("x { never closed\n\n");
    EXPECT_EQ(GetToken(), IDtok);
    EXPECT_THROW(GetToken(), FatalStop);
    ASSERT_EQ(Captured().size(), 1u);
    EXPECT_EQ(Captured()[0].text, "Open comment found without a close comment.");
    EXPECT_EQ(Captured()[0].kind, MsgKind::FATAL);
}

// --- Positions -------------------------------------------------------------------------

TEST_F(LexerTest, PositionsGiveLineColumnLengthAndOffset) {
    Open("program p;\n  x := 'ab';\n");
    const struct { TokenKind kind; uint32_t line; int32_t col; uint32_t length; int64_t offset; } expected[] = {
        {PROGRAMtok, 1, 0, 7, 0}, {IDtok, 1, 8, 1, 0}, {SEMI_COLONtok, 1, 9, 1, 0},
        {IDtok, 2, 2, 1, 11}, {ASSIGNtok, 2, 4, 2, 11}, {STRINGtok, 2, 7, 4, 11},
        {SEMI_COLONtok, 2, 11, 1, 11}, {EOFtok, 3, 0, 0, 24},
    };
    for (auto e : expected) {
        EXPECT_EQ(GetToken(), e.kind);
        Position p = CurrentPosition();
        EXPECT_EQ(p.line, e.line);
        EXPECT_EQ(p.col, e.col);
        EXPECT_EQ(p.length, e.length);
        EXPECT_EQ(p.offset, e.offset);
        EXPECT_STREQ(p.filename, "main.pas");
    }
    char text[64];
    EXPECT_EQ(TotalLines(), 3u);
    TokenText(*CurrToken, text, sizeof text);
    EXPECT_STREQ(text, "");
}

TEST_F(LexerTest, MessagesWithoutPositionUseTheCurrentToken) {
    Open("a\n  bb");
    GetToken();
    GetToken();
    ReportMessage(msg::Expected, nullptr, "x");
    ASSERT_EQ(Captured().size(), 1u);
    EXPECT_EQ(Captured()[0].file, "main.pas");
    EXPECT_EQ(Captured()[0].line, 2u);
    EXPECT_EQ(Captured()[0].col, 2);
}

}  // namespace
}  // namespace tarn::tpc::test
