// The parser on small sources: the shape of expressions, and the messages (number, line,
// column) that statements and declarations give.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

#include "compiler/driver/alloc.h"
#include "compiler/driver/messages.h"
#include "compiler/driver/options.h"
#include "compiler/front/hash.h"
#include "compiler/front/id.h"
#include "compiler/front/lex.h"
#include "compiler/front/parse.h"
#include "compiler/front/parse2.h"

namespace tarn::tpc {
namespace {

std::vector<std::string>& Heard() {
    static std::vector<std::string> messages;
    return messages;
}

// Columns as users see them (from 1).
void Listen(MsgKind kind, int number, const char*, uint32_t line, int32_t col, const char* text, const Position*) {
    if (kind == MsgKind::TRACE) return;
    Heard().push_back(std::to_string(number) + " " + std::to_string(line) + ":" + std::to_string(col + 1) + " " + text);
}

class ParserTest : public ::testing::Test {
protected:
    void SetUp() override {
        Heard().clear();
        SetAllocMode(0);
        InitOptions();
        InitMessages();
        SetMessagePrinter(Listen);
        SetCompiling(true);
        // One file per process: ctest -j runs the cases of this binary side by side.
        path_ = ::testing::TempDir() + "parser_test_source_" + std::to_string(getpid()) + ".pas";
    }
    void TearDown() override {
        CloseSourceFiles();
        SetCompiling(false);
        ReleaseAll();
        std::remove(path_.c_str());
    }
    void Open(const std::string& source) {
        std::ofstream(path_, std::ios::binary) << source;
        InitLexer();
        ClearIdentifierTable();
        PushFile(path_.c_str());
        OpenOuterScope();
        InitParser();
        Heard().clear();
        GetToken();
    }
    // Parses a whole program; the messages heard, as "number line:col text".
    std::vector<std::string> Compile(const std::string& source) {
        try {
            Open(source);
            ParseProgram();
        } catch (const FatalStop&) {
        }
        return Heard();
    }
    // Parses one expression of constants (as in a statement part).
    Expression* Expr(const std::string& source) {
        Open(source);
        Parser().blockPosition = PositionStatement;
        return ParseExpression();
    }
    std::string path_;
};

// Strips the wrapper nodes a level adds when no operator of that level follows.
const Expression* Unwrap(const Expression* e) {
    while (e && !e->factor && e->oper == UNDEFtok) e = e->left;
    return e;
}

TEST_F(ParserTest, ShiftBindsLooserThanAddingAndTighterThanRelations) {
    const Expression* e = Unwrap(Expr("1 shl 1 + 2"));
    ASSERT_EQ(e->oper, SHLtok);
    EXPECT_EQ(Unwrap(e->right)->oper, PLUStok);

    const Expression* r = Unwrap(Expr("1 < 2 shl 2"));
    ASSERT_EQ(r->oper, LESStok);
    EXPECT_EQ(Unwrap(r->right)->oper, SHLtok);
    EXPECT_TRUE(Heard().empty());
}

TEST_F(ParserTest, AddingAndMultiplyingLevelsAreLeftAssociative) {
    const Expression* e = Unwrap(Expr("8 - 4 - 2"));
    ASSERT_EQ(e->oper, MINUStok);
    EXPECT_EQ(Unwrap(e->left)->oper, MINUStok);   // (8 - 4) - 2
    const Expression* m = Unwrap(Expr("8 div 4 * 2 + 1"));
    ASSERT_EQ(m->oper, PLUStok);
    EXPECT_EQ(Unwrap(m->left)->oper, STARtok);
    EXPECT_EQ(Unwrap(Unwrap(m->left)->left)->oper, DIVtok);
}

TEST_F(ParserTest, LeadingSignBelongsToTheSimpleExpressionWithoutNu) {
    SetFlag(opt::nu, false);
    Expression* e = Expr("-3 * 2");
    const Expression* simple = e->left;   // relation wrapper -> shift wrapper -> simple
    while (simple && simple->sign == SignNone && !simple->factor) simple = simple->left;
    ASSERT_NE(simple, nullptr);
    EXPECT_EQ(simple->sign, SignMinus);
    EXPECT_TRUE(Heard().empty());
}

TEST_F(ParserTest, SignAfterOperatorNeedsNu) {
    SetFlag(opt::nu, false);
    Expr("2 * -3");
    ASSERT_EQ(Heard().size(), 1u);
    EXPECT_EQ(Heard()[0], "75 1:5 Invalid syntax.");

    Heard().clear();
    SetFlag(opt::nu, true);
    Expr("2 * -3");
    EXPECT_TRUE(Heard().empty());
}

struct Case {
    const char* name;
    const char* source;
    std::vector<std::string> expected;
};

TEST_F(ParserTest, StatementRulesGiveOneMessageEach) {
    const Case cases[] = {
        {"semicolon before else",
         "program p; var x: integer; c: boolean;\nbegin c := true;\nif c then x := 1; else x := 2\nend.",
         {"95 3:17 Semi-colon (;) separates 'else' from 'if' statement."}},
        {"missing semicolon between assignments",
         "program p; var x, y: integer;\nbegin\n  x := 1 y := 2;\n  y := x\nend.",
         {"76 3:10 ; expected."}},
        {"for on a threatened control variable",
         "program p;\nprocedure q; var i: integer;\nbegin for i := 1 to 10 do i := 5 end;\nbegin q end.",
         {"117 3:11 Control variable 'i' is threatened."}},
        {"for on a global control variable",
         "program p; var i: integer;\nprocedure q;\nbegin for i := 1 to 2 do end;\nbegin q end.",
         {"118 3:11 Control variable 'i' must be local."}},
        {"goto into an inner sequence",
         "program p; label 1; var x: integer;\nbegin\n  goto 1;\n  begin 1: x := 1 end\nend.",
         {"122 3:8 Label '1' not permitted in this goto statement."}},
        {"backward goto in the same sequence",
         "program p; label 1; var x: integer;\nbegin\n  1: x := x + 1;\n  if x < 3 then goto 1\nend.",
         {}},
        {"duplicate case constant",
         "program p; var c: char; x: integer;\nbegin\ncase c of 'a': x := 1; 'a': x := 2 end\nend.",
         {"109 3:24 Case constant specified more than once."}},
        {"function without result assignment",
         "program p;\nfunction f: integer;\nbegin\nend;\nbegin if f = 0 then end.",
         {"97 4:1 Function 'f' has no assignment to 'f'."}},
        {"assignment to a function outside it",
         "program p; var x: integer;\nfunction f: integer; begin f := 1 end;\nbegin\n  f := 2;\n  x := f\nend.",
         {"129 4:3 Assignment to function can only occur in function definition."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetFlag(opt::E, false);
        EXPECT_EQ(Compile(c.source), c.expected);
        CloseSourceFiles();
        ReleaseAll();
        SetAllocMode(0);
        InitOptions();
        InitMessages();
        SetMessagePrinter(Listen);
    }
}

TEST_F(ParserTest, DeclarationOrderFollowsOptionErd) {
    const char* source = "program p;\nvar x: integer;\nconst c = 1;\nbegin x := c end.";
    SetFlag(opt::erd, false);
    EXPECT_EQ(Compile(source),
              (std::vector<std::string>{"88 3:1 A constant definition can not follow a variable declaration."}));
    CloseSourceFiles();
    Heard().clear();
    SetFlag(opt::erd, true);
    EXPECT_TRUE(Compile(source).empty());
}

TEST_F(ParserTest, RecoveryNeverRunsPastTheEndOfTheFile) {
    // Every prefix of a program: the parser stops at the end of the file, with a message.
    const std::string program =
        "program p(output); type r = record a: integer end; var v: r; i: integer;\n"
        "begin with v do for i := 1 to 2 do begin a := (i + 1) * 2; writeln(a) end end.";
    for (size_t n = 0; n < program.size(); n += 7) {
        SCOPED_TRACE(n);
        std::vector<std::string> heard = Compile(program.substr(0, n));
        EXPECT_FALSE(heard.empty());
        CloseSourceFiles();
    }
}

}  // namespace
}  // namespace tarn::tpc
