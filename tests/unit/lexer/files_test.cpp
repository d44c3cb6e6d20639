// Source files: lines and their limits, line ends, include files and the file list.
#include "lexer_fixture.h"

#include "compiler/base/bitset.h"
#include "compiler/base/list.h"

namespace tarn::tpc::test {
namespace {

using K = std::vector<TokenKind>;

// --- Lines -----------------------------------------------------------------------------

TEST_F(LexerTest, LineOf400CharactersIsAccepted) {
    Open(std::string(400, 'a') + "\nb");
    auto tokens = ScanAll();
    EXPECT_EQ(Kinds(tokens), (K{IDtok, IDtok, EOFtok}));
    EXPECT_EQ(tokens[0].text.size(), 400u);
    EXPECT_TRUE(Captured().empty());
}

TEST_F(LexerTest, LineOf401CharactersStopsTheCompilation) {
    Open("x\n" + std::string(401, ' ') + "\n");
    EXPECT_EQ(GetToken(), IDtok);
    EXPECT_THROW(GetToken(), FatalStop);
    ASSERT_EQ(Captured().size(), 1u);
    EXPECT_EQ(Captured()[0].text, "Implementation limit exceeded (length of line).");
}

TEST_F(LexerTest, OverlongFirstLineNamesItsFile) {
    for (const char* name : {"main.pas", "first.inc"}) {
        Reset();
        const std::string line(401, 'a');
        if (std::string(name) == "main.pas") {
            EXPECT_THROW(Open(line, name), FatalStop);
        } else {
            Write(name, line);
            Open("x {$I first.inc} y");
            EXPECT_EQ(GetToken(), IDtok);
            EXPECT_THROW(GetToken(), FatalStop);
        }
        ASSERT_EQ(Captured().size(), 1u) << name;
        EXPECT_EQ(Captured()[0].number, msg::LimitLineLength) << name;
        EXPECT_EQ(Captured()[0].file, name);
        EXPECT_EQ(Captured()[0].line, 1u) << name;
    }
}

TEST_F(LexerTest, DroppedCharactersDoNotCountTowardsTheLineLimit) {
    Open(std::string(400, 'a') + std::string(50, '\r') + "\n");
    EXPECT_EQ(GetToken(), IDtok);
    EXPECT_EQ(GetToken(), EOFtok);
    EXPECT_TRUE(Captured().empty());
}

TEST_F(LexerTest, CrLfAndLfSourcesScanIdentically) {
    const std::string lf =
        "program p(output);\n{ a comment\n  over lines }\nvar s: string;\nbegin\n"
        "  s := 'it''s';  // note\n  writeln(s, 1.5e3, $1F, #65)\nend.\n";
    std::string crlf;
    for (char c : lf) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    Open(lf, "lf.pas");
    auto a = ScanAll();
    CloseSourceFiles();
    InitLexer();
    Open(crlf, "crlf.pas");
    auto b = ScanAll();
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].kind, b[i].kind) << i;
        EXPECT_EQ(a[i].text, b[i].text) << i;
        EXPECT_EQ(a[i].line, b[i].line) << i;
        EXPECT_EQ(a[i].col, b[i].col) << i;
    }
    EXPECT_TRUE(Captured().empty());
}

TEST_F(LexerTest, MissingMainFileIsFatal) {
    EXPECT_THROW(PushFile(Path("absent.pas").c_str()), FatalStop);
    ASSERT_EQ(Captured().size(), 1u);
    EXPECT_EQ(Captured()[0].text, "Can not open file '" + Path("absent.pas") + "'.");
}

TEST_F(LexerTest, FileNameOver256CharactersIsFatal) {
    std::string name = "/tmp/" + std::string(260, 'n') + ".pas";
    EXPECT_THROW(PushFile(name.c_str()), FatalStop);
    ASSERT_EQ(Captured().size(), 1u);
    EXPECT_EQ(Captured()[0].text, "File name '" + name + "' is too long");
}

// --- Include files ---------------------------------------------------------------------

TEST_F(LexerTest, IncludesNestAndPopBackAtTheRightPlace) {
    Write("a.inc", "a1 {$I b.inc} a2\na3");
    Write("b.inc", "b1\n  b2");
    Open("m1 {$I a.inc} m2\n  m3 (*$i 'b.inc'*) m4\n");
    auto tokens = ScanAll();
    const struct { const char* text; const char* file; uint32_t line; int32_t col; } expected[] = {
        {"m1", "main.pas", 1, 0},
        {"a1", "a.inc", 1, 0},
        {"b1", "b.inc", 1, 0},
        {"b2", "b.inc", 2, 2},
        {"a2", "a.inc", 1, 14},
        {"a3", "a.inc", 2, 0},
        {"m2", "main.pas", 1, 14},
        {"m3", "main.pas", 2, 2},
        {"m4", "main.pas", 2, 20},
        {"", "main.pas", 3, 0},
    };
    ASSERT_EQ(tokens.size(), std::size(expected));
    for (size_t i = 0; i < tokens.size(); ++i) {
        EXPECT_EQ(tokens[i].text, expected[i].text) << i;
        EXPECT_EQ(tokens[i].file, expected[i].file) << i;
        EXPECT_EQ(tokens[i].line, expected[i].line) << i;
        EXPECT_EQ(tokens[i].col, expected[i].col) << i;
    }
    // b.inc was included once already: the second directive is refused.
    ASSERT_EQ(Captured().size(), 1u);
    EXPECT_EQ(Captured()[0].text, "Recursive file inclusion ignored.");
    EXPECT_EQ(Captured()[0].kind, MsgKind::WARNING);
    // Lines counted once each, including the ones read in includes.
    EXPECT_EQ(TotalLines(), 3u + 2u + 2u);
    // The image writer's list: every file opened, in order.
    const List* names = SourceNames();
    ASSERT_EQ(ListCount(names), 3u);
    EXPECT_STREQ(static_cast<const char*>(ListGet(names, 1)), "main.pas");
    EXPECT_STREQ(static_cast<const char*>(ListGet(names, 2)), "a.inc");
    EXPECT_STREQ(static_cast<const char*>(ListGet(names, 3)), "b.inc");
}

TEST_F(LexerTest, MessagesInsideAnIncludeNameTheIncludeFile) {
    Write("bad.inc", "\n  ! ");
    Open("x {$I bad.inc}\n\ny ?");
    ScanAll();
    ASSERT_EQ(Captured().size(), 2u);
    EXPECT_EQ(Captured()[0].file, "bad.inc");
    EXPECT_EQ(Captured()[0].line, 2u);
    EXPECT_EQ(Captured()[0].col, 2);
    EXPECT_EQ(Captured()[1].file, "main.pas");
    EXPECT_EQ(Captured()[1].line, 3u);
    EXPECT_EQ(Captured()[1].col, 2);
}

TEST_F(LexerTest, FileIncludingItselfIsIgnoredAndCompilationGoesOn) {
    Open("a {$I main.pas} b {$I ./main.pas} c");
    auto tokens = ScanAll();
    EXPECT_EQ(Kinds(tokens), (K{IDtok, IDtok, IDtok, EOFtok}));
    EXPECT_EQ(Numbers(), (std::vector<int>{msg::RecursiveInclusion, msg::RecursiveInclusion}));
}

TEST_F(LexerTest, QuotedIncludeNamesMayHoldBlanksAndClosers) {
    Write("my } file.inc", "inner");
    Open("{$I 'my } file.inc'} outer");
    auto tokens = ScanAll();
    EXPECT_EQ(Kinds(tokens), (K{IDtok, IDtok, EOFtok}));
    EXPECT_EQ(tokens[0].text, "inner");
    EXPECT_EQ(tokens[1].text, "outer");
    EXPECT_TRUE(Captured().empty());
}

TEST_F(LexerTest, UnquotedIncludeNameIsTrimmed) {
    Write("t.inc", "inner");
    Open("{$I    t.inc   } outer");
    EXPECT_EQ(Kinds(ScanAll()), (K{IDtok, IDtok, EOFtok}));
    EXPECT_TRUE(Captured().empty());
}

TEST_F(LexerTest, IncludeFallsBackToIncludeUserThenIncludeBesideTheCompiler) {
    Write("inst/include/user/both.inc", "fromuser");
    Write("inst/include/both.inc", "fromshared");
    Write("inst/include/shared.inc", "shared");
    SetIncludeBaseDir((dir_ + "/inst").c_str());
    Open("{$I both.inc} {$I shared.inc} x");
    auto tokens = ScanAll();
    ASSERT_EQ(Kinds(tokens), (K{IDtok, IDtok, IDtok, EOFtok}));
    EXPECT_EQ(tokens[0].text, "fromuser");
    EXPECT_EQ(tokens[0].file, dir_ + "/inst/include/user/both.inc");
    EXPECT_EQ(tokens[1].text, "shared");
    EXPECT_EQ(tokens[1].file, dir_ + "/inst/include/shared.inc");
    EXPECT_TRUE(Captured().empty());
}

TEST_F(LexerTest, MissingIncludeIsFatalWithTheNameAsWritten) {
    SetIncludeBaseDir((dir_ + "/inst").c_str());
    Open("{$I nowhere.inc} x");
    EXPECT_THROW(GetToken(), FatalStop);
    ASSERT_EQ(Captured().size(), 1u);
    EXPECT_EQ(Captured()[0].text, "Can not open file 'nowhere.inc'.");
}

TEST_F(LexerTest, EmptyIncludeNameIsAnInvalidDirective) {
    Open("{$I } x");
    EXPECT_EQ(Kinds(ScanAll()), (K{IDtok, EOFtok}));
    EXPECT_EQ(Numbers(), std::vector<int>{msg::InvalidDirective});
}

TEST_F(LexerTest, ThirtyOpenFilesStopTheCompilation) {
    // f1 includes f2 ... ; with the main file, f29 is the 30th open file.
    for (int i = 1; i <= 30; ++i)
        Write("f" + std::to_string(i) + ".inc", "{$I f" + std::to_string(i + 1) + ".inc}");
    Open("{$I f1.inc}");
    EXPECT_THROW(GetToken(), FatalStop);
    EXPECT_EQ(IncludeDepth(), MAX_INCLUDES);
    ASSERT_EQ(Captured().size(), 1u);
    EXPECT_EQ(Captured()[0].text, "Implementation limit exceeded (nesting of includes).");
}

TEST_F(LexerTest, TwentyNineIncludesAreAccepted) {
    for (int i = 1; i <= 29; ++i) {
        std::string body = (i < 29) ? "{$I f" + std::to_string(i + 1) + ".inc}" : "deep";
        Write("f" + std::to_string(i) + ".inc", body + " x" + std::to_string(i));
    }
    Open("{$I f1.inc} top");
    auto tokens = ScanAll();
    ASSERT_EQ(tokens.size(), 1u + 29u + 1u + 1u);
    EXPECT_EQ(tokens[0].text, "deep");
    EXPECT_EQ(tokens[1].text, "x29");
    EXPECT_EQ(tokens[29].text, "x1");
    EXPECT_EQ(tokens[30].text, "top");
    EXPECT_TRUE(Captured().empty());
}

TEST_F(LexerTest, CommentRunningOffAnIncludeWarnsAndContinuesInTheIncludingFile) {
    Write("open.inc", "a\n{ open\n");
    Open("{$I open.inc} b } c");
    auto tokens = ScanAll();
    // The comment goes on in the main file behind the directive and ends at its "}".
    EXPECT_EQ(Kinds(tokens), (K{IDtok, IDtok, EOFtok}));
    EXPECT_EQ(tokens[0].text, "a");
    EXPECT_EQ(tokens[1].text, "c");
    ASSERT_EQ(Captured().size(), 1u);
    EXPECT_EQ(Captured()[0].text, "Comment in line 2 includes end of file.");
    EXPECT_EQ(Captured()[0].file, "open.inc");
}

TEST_F(LexerTest, EachOpenedFileIsRecordedAsASourceName) {
    Write("one.inc", "{$I two.inc} 1");
    Write("two.inc", "2 {$I one.inc}");   // refused: not opened, not recorded
    Open("{$I one.inc} 0");
    ScanAll();
    std::vector<std::string> names;
    for (const char* name : Items<const char>(SourceNames())) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"main.pas", "one.inc", "two.inc"}));
}

TEST_F(LexerTest, FileThatCannotBeReadGivesReadingFile) {
    std::filesystem::create_directory(Path("folder.pas"));   // opens, but reading fails
    EXPECT_THROW(PushFile("folder.pas"), FatalStop);
    ASSERT_EQ(Captured().size(), 1u);
    EXPECT_EQ(Captured()[0].text, "Reading file.");
    EXPECT_EQ(Captured()[0].kind, MsgKind::FATAL);
}

TEST_F(LexerTest, FileListResetsWithTheLexer) {
    Open("x");
    EXPECT_EQ(ListCount(FileList()), 1u);
    CloseSourceFiles();
    InitLexer();
    EXPECT_EQ(ListCount(FileList()), 0u);
    EXPECT_EQ(ListCount(SourceNames()), 0u);
    EXPECT_EQ(IncludeDepth(), 0);
    Open("y");   // the same file may be compiled again
    EXPECT_EQ(GetToken(), IDtok);
}

}  // namespace
}  // namespace tarn::tpc::test
