// The parser on small sources: the shape of expressions, and the messages (number, line,
// column) that statements and declarations give.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

#include "compiler/writer/image.h"
#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/idtable.h"
#include "compiler/front/predefined.h"
#include "compiler/front/lexer.h"
#include "compiler/front/parser.h"
#include "compiler/front/parser.h"

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
        InitOutputState();   // the lexer and the model hand data to the writer
        SetMessagePrinter(Listen);
        SetCompiling(true);
        // One file per process: ctest -j runs the cases of this binary side by side.
        path_ = ::testing::TempDir() + "parser_test_source_" + std::to_string(getpid()) + ".pas";
    }
    void TearDown() override {
        CloseSourceFiles();
        SetCompiling(false);
        InitOutputState();   // drops the writer's buffers before their blocks go
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
    // Between two compilations in one test: a fresh allocator, options and message counts.
    void Restart() {
        CloseSourceFiles();
        InitOutputState();   // drops the writer's buffers before their blocks go
        ReleaseAll();
        SetAllocMode(0);
        InitOptions();
        InitMessages();
        InitOutputState();   // the lexer and the model hand data to the writer
        SetMessagePrinter(Listen);
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
    // Levels without an operator of their own add no node: the sign's node is the
    // first signed one on the way down the left operands.
    const Expression* simple = e;
    while (simple && simple->sign == SignNone && !simple->factor) simple = simple->left;
    ASSERT_NE(simple, nullptr);
    EXPECT_EQ(simple->sign, SignMinus);
    // ... and it stands above the whole term: -(3 * 2), not (-3) * 2.
    ASSERT_EQ(simple->factor, nullptr);
    EXPECT_EQ(simple->left->oper, STARtok);
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
        InitOutputState();   // drops the writer's buffers before their blocks go
        ReleaseAll();
        SetAllocMode(0);
        InitOptions();
        InitMessages();
        InitOutputState();   // the lexer and the model hand data to the writer
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

// `k` lines of `line`.
std::string Lines(const std::string& line, int k) {
    std::string s;
    for (int i = 0; i < k; i++) s += line + "\n";
    return s;
}

// Nesting is bounded at 400 levels for statements, types (variant parts included) and
// expressions, so that no source can exhaust the stack: one level more is the fatal
// limit message, at the token that opens it.
TEST_F(ParserTest, NestingBeyond400LevelsIsAFatalLimit) {
    const std::string tooComplex = "Implementation limit exceeded (program too complex).";
    struct Nest {
        const char* name;
        std::string (*source)(int k);   // k nested constructs, one a line from line 3
        int allowed;                    // the most that compile
        const char* where;              // where the level beyond the limit opens
    };
    const Nest nests[] = {
        // Each `if` is a statement, and so is the assignment inside the last one: 399 ifs
        // and the assignment are 400 levels; with 400 ifs the assignment is the 401st.
        {"if statements",
         [](int k) { return "program p; var c: boolean;\nbegin\n" + Lines("if c then", k) + "c := true\nend."; }, 399,
         "403:1"},
        {"while statements",
         [](int k) { return "program p; var c: boolean;\nbegin\n" + Lines("while c do", k) + "c := false\nend."; }, 399,
         "403:1"},
        // A Boolean selector has two values: a jump table, no hidden local.
        {"case statements",
         [](int k) {
             return "program p; var c: boolean;\nbegin\n" + Lines("case c of true:", k) + "c := false\n" +
                    Lines("end", k) + "end.";
         },
         399, "403:1"},
        // The record is one type level, each variant part one more, and the innermost
        // field's type one more: 398 variant parts fill 400 levels; with 399 the field's
        // type `integer` (line 402, column 4) is the 401st.
        {"variant parts",
         [](int k) {
             return "program p;\ntype r = record\n" + Lines("case boolean of true: (", k) + "a: integer\n" +
                    Lines(")", k) + "end;\nbegin end.";
         },
         398, "402:4"},
        // The variable's type is level 1; array j is level j and its index type level
        // j + 1: the index type of the 400th array (line 402, column 8) is the 401st.
        // (One element per level keeps the array within the size limit.)
        {"array types",
         [](int k) { return "program p;\nvar v:\n" + Lines("array [1..1] of", k) + "integer;\nbegin end."; }, 399,
         "402:8"},
        // The assigned expression is level 1, each parenthesis one more: inside 400 of
        // them the `1` on line 403 is the 401st.
        {"parenthesised expressions",
         [](int k) { return "program p; var x: integer;\nbegin x :=\n" + Lines("(", k) + "1\n" + Lines(")", k) + "end."; },
         399, "403:1"},
    };
    for (const Nest& n : nests) {
        SCOPED_TRACE(n.name);
        for (const std::string& m : Compile(n.source(n.allowed))) EXPECT_EQ(m.find(tooComplex), std::string::npos) << m;
        Restart();
        const std::vector<std::string> heard = Compile(n.source(n.allowed + 1));
        EXPECT_EQ(heard, std::vector<std::string>{"32 " + std::string(n.where) + " " + tooComplex});
        Restart();
    }
}

TEST_F(ParserTest, LabelsBeforeTheHeadingAreReportedOnce) {
    EXPECT_EQ(Compile("label 1;\nprogram p;\nbegin end."),
              std::vector<std::string>{"143 1:1 Label declarations can not occur before keyword 'program'."});
}

TEST_F(ParserTest, VariantsBeyond1024AreReportedOnceAtTheFirstDropped) {
    std::string source = "program p;\ntype r = record case integer of\n";
    for (int i = 1; i <= 1030; i++)
        source += std::to_string(i) + ": (f" + std::to_string(i) + ": integer)" + (i < 1030 ? ";\n" : "\n");
    source += "end;\nvar v: r;\nbegin v.f1 := 1 end.";
    std::vector<std::string> limit;
    for (const std::string& m : Compile(source))
        if (m.rfind("103 ", 0) == 0) limit.push_back(m);
    // Variant 1025 starts on line 2 + 1025.
    EXPECT_EQ(limit, std::vector<std::string>{"103 1027:1 Number of variants exceeds implementation limit."});
    Restart();
    source = "program p;\ntype r = record case integer of\n";
    for (int i = 1; i <= 1024; i++)
        source += std::to_string(i) + ": (f" + std::to_string(i) + ": integer)" + (i < 1024 ? ";\n" : "\n");
    source += "end;\nvar v: r;\nbegin v.f1 := 1 end.";
    for (const std::string& m : Compile(source)) EXPECT_NE(m.rfind("103 ", 0), 0u) << m;
}

TEST_F(ParserTest, ControlVariableNotLocalAndThreatenedGivesBothWarningsWithE) {
    SetFlag(opt::E, true);
    const char* source =
        "program p; var g: integer;\n"
        "procedure a;\n"
        "  procedure inner; begin g := 2 end;\n"
        "begin\n"
        "  for g := 1 to 2 do inner\n"
        "end;\n"
        "begin a end.";
    EXPECT_EQ(Compile(source), (std::vector<std::string>{"50 5:7 Control variable 'g' is not local.",
                                                          "49 5:7 Control variable 'g' is threatened."}));
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
