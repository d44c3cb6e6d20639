// What the parser relies on: directives applied between tokens, Peek and Match with their
// repairs, and the token stream of a whole program.
#include "lexer_fixture.h"

namespace tarn::tpc::test {
namespace {

using K = std::vector<TokenKind>;

// --- Directives ------------------------------------------------------------------------

TEST_F(LexerTest, DirectivesSwitchOptionsBeforeTheNextToken) {
    Open("a {$R-} b {$R+} c {$R.} d (*$r-*) e {$B-} f");
    const struct { const char* token; bool r; } steps[] = {
        {"a", true}, {"b", false}, {"c", true}, {"d", false}, {"e", false},
    };
    for (auto s : steps) {
        ASSERT_EQ(GetToken(), IDtok);
        EXPECT_STREQ(CurrToken->value.id->text, s.token);
        EXPECT_EQ(IsFlagOption(opt::r), s.r) << s.token;
    }
    EXPECT_TRUE(IsFlagOption(opt::sc));
    GetToken();
    EXPECT_FALSE(IsFlagOption(opt::sc));
    EXPECT_TRUE(Captured().empty());
}

TEST_F(LexerTest, DirectiveLettersSelectTheirOptions) {
    const struct { const char* source; int option; } cases[] = {
        {"{$B-}", opt::sc}, {"{$I-}", opt::i}, {"{$R-}", opt::r}, {"{$S-}", opt::s},
        {"{$U-}", opt::u}, {"{$V-}", opt::v}, {"{$b-}", opt::sc},
    };
    for (auto c : cases) {
        Reset();
        EXPECT_TRUE(IsFlagOption(c.option)) << c.source;
        Open(std::string(c.source) + " x");
        GetToken();
        EXPECT_FALSE(IsFlagOption(c.option)) << c.source;
        EXPECT_TRUE(Captured().empty()) << c.source;
    }
    Reset();
    Open("{$P+} x");
    GetToken();
    EXPECT_TRUE(IsFlagOption(opt::p));
}

TEST_F(LexerTest, InvalidDirectivesWarnAndOtherCommentsStayComments) {
    const struct { const char* source; int warnings; } cases[] = {
        {"{$RX} x", 0},          // two letters: an ordinary comment
        {"{$IFDEF X} x", 0},
        {"{$R} x", 1},           // missing sign
        {"{$Q+} x", 1},          // unknown letter
        {"{$R5+} x", 1},         // number after a letter other than W
        {"{$W.} x", 1},
        {"{$ R+} x", 0},         // no letter right after $
    };
    for (auto c : cases) {
        Reset();
        Open(c.source);
        EXPECT_EQ(Kinds(ScanAll()), (K{IDtok, EOFtok})) << c.source;
        EXPECT_EQ(Captured().size(), static_cast<size_t>(c.warnings)) << c.source;
        if (c.warnings) {
            EXPECT_EQ(Captured()[0].text, "Invalid compiler directive.") << c.source;
            EXPECT_EQ(Captured()[0].line, 1u);
            EXPECT_EQ(Captured()[0].col, 0) << c.source;
        }
    }
}

TEST_F(LexerTest, WarningDirectivesTakeMessageNumbers) {
    Open("{$W44-} x {$W44.} y");
    GetToken();
    EXPECT_NE(Message(msg::NeverUsed).flags & MSG_DISABLED, 0u);
    GetToken();
    EXPECT_EQ(Message(msg::NeverUsed).flags & MSG_DISABLED, 0u);
    EXPECT_TRUE(Captured().empty());
}

// --- Peek ------------------------------------------------------------------------------

TEST_F(LexerTest, PeekLeavesTheCurrentTokenAndItsText) {
    Open("alpha\n  beta := 1");
    EXPECT_EQ(GetToken(), IDtok);
    EXPECT_EQ(PeekToken(), IDtok);       // reads the next line
    EXPECT_EQ(PeekToken(), IDtok);       // and does not move on
    Scanned now = Current();
    EXPECT_EQ(now.text, "alpha");
    EXPECT_EQ(now.line, 1u);
    EXPECT_EQ(now.col, 0);
    EXPECT_STREQ(CurrToken->value.id->text, "alpha");
    EXPECT_EQ(GetToken(), IDtok);
    EXPECT_EQ(Current().text, "beta");
    EXPECT_EQ(Current().line, 2u);
    EXPECT_EQ(Current().col, 2);
    EXPECT_EQ(PeekToken(), ASSIGNtok);
    EXPECT_EQ(Current().text, "beta");
    EXPECT_EQ(GetToken(), ASSIGNtok);
    EXPECT_EQ(GetToken(), INTtok);
    EXPECT_EQ(GetToken(), EOFtok);
    EXPECT_EQ(PeekToken(), EOFtok);
    EXPECT_EQ(TotalLines(), 2u);
}

TEST_F(LexerTest, PeekingEveryTokenGivesTheSameStream) {
    const std::string source =
        "program p; {$I inc.inc} var x: integer; { note\n } begin x := 'ab' end.";
    Write("inc.inc", "const c = 1;\n");
    Open(source);
    auto plain = ScanAll();
    CloseSourceFiles();
    InitLexer();
    Open(source, "again.pas");
    std::vector<Scanned> peeked;
    for (;;) {
        TokenKind next = PeekToken();
        if (CurrToken->kind != UNDEFtok) {
            EXPECT_EQ(Current().text, peeked.back().text);
        }
        EXPECT_EQ(GetToken(), next);
        peeked.push_back(Current());
        if (next == EOFtok) break;
    }
    ASSERT_EQ(peeked.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(peeked[i].kind, plain[i].kind) << i;
        EXPECT_EQ(peeked[i].text, plain[i].text) << i;
        EXPECT_EQ(peeked[i].line, plain[i].line) << i;
        EXPECT_EQ(peeked[i].col, plain[i].col) << i;
        EXPECT_EQ(peeked[i].file == "inc.inc", plain[i].file == "inc.inc") << i;
    }
}

TEST_F(LexerTest, PeekAppliesADirectiveOnlyOnce) {
    // Were the directive applied at the peek and again at the scan, {$R.} would find the
    // second {$R-} and leave range checks off.
    Open("a {$R-} b {$R.} c");
    GetToken();
    EXPECT_EQ(PeekToken(), IDtok);
    GetToken();
    EXPECT_FALSE(IsFlagOption(opt::r));
    GetToken();
    EXPECT_TRUE(IsFlagOption(opt::r));
    EXPECT_TRUE(Captured().empty());
}

TEST_F(LexerTest, PeekReportsAnErrorInTheNextTokenOnce) {
    Open("a\n?b");
    GetToken();
    PeekToken();
    GetToken();
    GetToken();
    EXPECT_EQ(Numbers(), std::vector<int>{msg::UndefinedCharacter});
}

// --- Match -----------------------------------------------------------------------------

struct MatchCase {
    const char* source;
    TokenKind wanted;
    const char* name;           // "%s expected." argument; null: no message
    const char* currentAfter;   // text of the current token after Match
};

TEST_F(LexerTest, MatchTakesRepairsOrLeavesTheToken) {
    const MatchCase cases[] = {
        {"; x", SEMI_COLONtok, nullptr, "x"},
        {"= 1", ASSIGNtok, ":=", "1"},            // confused symbol accepted
        {":= 1", EQUALtok, "=", "1"},
        {"( 1", OPEN_BRACKETtok, "[", "1"},
        {"[ 1", OPEN_PARENtok, "(", "1"},
        {") 1", CLOSE_BRACKETtok, "]", "1"},
        {"] 1", CLOSE_PARENtok, ")", "1"},
        {"; 1", COLONtok, ":", "1"},
        {": 1", SEMI_COLONtok, ";", "1"},
        {") ; x", SEMI_COLONtok, ";", "x"},       // extra token dropped
        {"begin x", SEMI_COLONtok, ";", "begin"}, // nothing consumed
        {"x y", THENtok, "then", "x"},
    };
    for (const auto& c : cases) {
        Reset();
        Open(c.source);
        GetToken();
        Match(c.wanted);
        EXPECT_EQ(Current().text, c.currentAfter) << c.source;
        if (c.name) {
            ASSERT_EQ(Captured().size(), 1u) << c.source;
            EXPECT_EQ(Captured()[0].text, std::string(c.name) + " expected.") << c.source;
            EXPECT_EQ(Captured()[0].col, 0) << c.source;
        } else {
            EXPECT_TRUE(Captured().empty()) << c.source;
        }
    }
}

TEST_F(LexerTest, MatchAtEndOfFileIsFatal) {
    Open("x");
    GetToken();
    GetToken();
    EXPECT_THROW(Match(SEMI_COLONtok), FatalStop);
    EXPECT_EQ(Numbers(), (std::vector<int>{msg::Expected, msg::UnexpectedEof}));
}

// --- A whole program -------------------------------------------------------------------

TEST_F(LexerTest, WholeProgramTokenListing) {
    Open("program Hello(output);\n"
         "{ Greets the world. }\n"
         "const Limit = 10; Big = $FF;\n"
         "var i: integer; r: real;\n"
         "begin\n"
         "  for i := 1 to Limit do\n"
         "    if (i mod 2 = 0) and_then (i <> 4) then\n"
         "      writeln('Hello, ''world''', i:3, #33)\n"
         "    else r := r + 2.5e1 / i;\n"
         "  s := [1..3]; p^.n := nil; (* done *)\n"
         "end.\n");
    // kind, text as written, line, column
    const struct { TokenKind kind; const char* text; uint32_t line; int32_t col; } expected[] = {
        {PROGRAMtok, "program", 1, 0}, {IDtok, "Hello", 1, 8}, {OPEN_PARENtok, "(", 1, 13},
        {IDtok, "output", 1, 14}, {CLOSE_PARENtok, ")", 1, 20}, {SEMI_COLONtok, ";", 1, 21},
        {CONSTtok, "const", 3, 0}, {IDtok, "Limit", 3, 6}, {EQUALtok, "=", 3, 12},
        {INTtok, "10", 3, 14}, {SEMI_COLONtok, ";", 3, 16}, {IDtok, "Big", 3, 18},
        {EQUALtok, "=", 3, 22}, {INTtok, "$FF", 3, 24}, {SEMI_COLONtok, ";", 3, 27},
        {VARtok, "var", 4, 0}, {IDtok, "i", 4, 4}, {COLONtok, ":", 4, 5},
        {IDtok, "integer", 4, 7}, {SEMI_COLONtok, ";", 4, 14}, {IDtok, "r", 4, 16},
        {COLONtok, ":", 4, 17}, {IDtok, "real", 4, 19}, {SEMI_COLONtok, ";", 4, 23},
        {BEGINtok, "begin", 5, 0},
        {FORtok, "for", 6, 2}, {IDtok, "i", 6, 6}, {ASSIGNtok, ":=", 6, 8}, {INTtok, "1", 6, 11},
        {TOtok, "to", 6, 13}, {IDtok, "Limit", 6, 16}, {DOtok, "do", 6, 22},
        {IFtok, "if", 7, 4}, {OPEN_PARENtok, "(", 7, 7}, {IDtok, "i", 7, 8}, {MODtok, "mod", 7, 10},
        {INTtok, "2", 7, 14}, {EQUALtok, "=", 7, 16}, {INTtok, "0", 7, 18},
        {CLOSE_PARENtok, ")", 7, 19}, {AND_THENtok, "and_then", 7, 21}, {OPEN_PARENtok, "(", 7, 30},
        {IDtok, "i", 7, 31}, {NOT_EQUALtok, "<>", 7, 33}, {INTtok, "4", 7, 36},
        {CLOSE_PARENtok, ")", 7, 37}, {THENtok, "then", 7, 39},
        {IDtok, "writeln", 8, 6}, {OPEN_PARENtok, "(", 8, 13},
        {STRINGtok, "'Hello, ''world'''", 8, 14}, {COMMAtok, ",", 8, 32}, {IDtok, "i", 8, 34},
        {COLONtok, ":", 8, 35}, {INTtok, "3", 8, 36}, {COMMAtok, ",", 8, 37},
        {CHARtok, "#33", 8, 39}, {CLOSE_PARENtok, ")", 8, 42},
        {ELSEtok, "else", 9, 4}, {IDtok, "r", 9, 9}, {ASSIGNtok, ":=", 9, 11}, {IDtok, "r", 9, 14},
        {PLUStok, "+", 9, 16}, {REALtok, "2.5e1", 9, 18}, {SLASHtok, "/", 9, 24},
        {IDtok, "i", 9, 26}, {SEMI_COLONtok, ";", 9, 27},
        {IDtok, "s", 10, 2}, {ASSIGNtok, ":=", 10, 4}, {OPEN_BRACKETtok, "[", 10, 7},
        {INTtok, "1", 10, 8}, {DOT_DOTtok, "..", 10, 9}, {INTtok, "3", 10, 11},
        {CLOSE_BRACKETtok, "]", 10, 12}, {SEMI_COLONtok, ";", 10, 13}, {IDtok, "p", 10, 15},
        {POINTERtok, "^", 10, 16}, {PERIODtok, ".", 10, 17}, {IDtok, "n", 10, 18},
        {ASSIGNtok, ":=", 10, 20}, {NILtok, "nil", 10, 23}, {SEMI_COLONtok, ";", 10, 26},
        {ENDtok, "end", 11, 0}, {PERIODtok, ".", 11, 3},
        {EOFtok, "", 12, 0},
    };
    auto tokens = ScanAll();
    ASSERT_EQ(tokens.size(), std::size(expected));
    for (size_t i = 0; i < tokens.size(); ++i) {
        EXPECT_EQ(tokens[i].kind, expected[i].kind) << i << " " << expected[i].text;
        EXPECT_EQ(tokens[i].text, expected[i].text) << i;
        EXPECT_EQ(tokens[i].line, expected[i].line) << i << " " << expected[i].text;
        EXPECT_EQ(tokens[i].col, expected[i].col) << i << " " << expected[i].text;
    }
    EXPECT_TRUE(Captured().empty());
    EXPECT_EQ(TotalLines(), 12u);
}

}  // namespace
}  // namespace tarn::tpc::test
