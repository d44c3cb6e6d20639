// Routines passed to procedural parameters: the headings must match in kind, parameter
// count, parameter kinds and types (recursively), and result type.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "source_fixture.h"

namespace tarn::tpc::test {
namespace {

class ProcParmTest : public SourceTest {
protected:
    // The errors of a program whose declarations are `decls` and whose statement part is
    // `body`; warnings (unused parameters) are left out.
    std::vector<std::string> Errors(const std::string& decls, const std::string& body) {
        Parse("program p;\n" + decls + "begin\n" + body + "\nend.\n");
        std::vector<std::string> out;
        for (const Said& s : Heard())
            if (s.kind == MsgKind::ERROR || s.kind == MsgKind::FATAL) out.push_back(s.text);
        return out;
    }
    static constexpr const char* kApply =
        "procedure apply(function f(a: integer; var b: real): integer);\nbegin end;\n";
};

using Texts = std::vector<std::string>;

TEST_F(ProcParmTest, MatchingFunctionIsAccepted) {
    EXPECT_EQ(Errors(std::string(kApply) +
                         "function good(x: integer; var y: real): integer; begin good := x end;\n",
                     "apply(good)"),
              Texts{});
}

TEST_F(ProcParmTest, ValueWhereTheFormalWantsVarIsAMismatch) {
    EXPECT_EQ(Errors(std::string(kApply) +
                         "function g(x: integer; y: real): integer; begin g := x end;\n",
                     "apply(g)"),
              Texts{"Type mismatch."});
}

TEST_F(ProcParmTest, OtherParameterTypeIsAMismatch) {
    EXPECT_EQ(Errors(std::string(kApply) +
                         "function g(x: char; var y: real): integer; begin g := 1 end;\n",
                     "apply(g)"),
              Texts{"Type mismatch."});
}

TEST_F(ProcParmTest, OtherParameterCountIsAMismatch) {
    EXPECT_EQ(Errors(std::string(kApply) + "function g(x: integer): integer; begin g := x end;\n",
                     "apply(g)"),
              Texts{"Type mismatch."});
}

TEST_F(ProcParmTest, OtherResultTypeIsAMismatch) {
    EXPECT_EQ(Errors(std::string(kApply) +
                         "function g(x: integer; var y: real): real; begin g := y end;\n",
                     "apply(g)"),
              Texts{"Type mismatch."});
}

TEST_F(ProcParmTest, BuiltInFunctionIsRefused) {
    EXPECT_EQ(Errors("procedure use(function f(a: integer): integer);\nbegin end;\n", "use(abs)"),
              Texts{"Type mismatch."});
}

TEST_F(ProcParmTest, ProcedureWhereAFunctionIsWantedIsNotAFunctionIdentifier) {
    EXPECT_EQ(Errors(std::string(kApply) + "procedure q(x: integer; var y: real); begin end;\n",
                     "apply(q)"),
              Texts{"Function identifier expected."});
}

TEST_F(ProcParmTest, NestedProceduralParametersMustBeCongruentToo) {
    const std::string decls =
        "procedure outer(procedure p(procedure q(i: integer)));\nbegin end;\n"
        "procedure good(procedure s(j: integer)); begin end;\n"
        "procedure bad(procedure s(j: char)); begin end;\n"
        "procedure flat(j: integer); begin end;\n";
    EXPECT_EQ(Errors(decls, "outer(good)"), Texts{});
    EXPECT_EQ(Errors(decls, "outer(bad)"), Texts{"Type mismatch."});
    EXPECT_EQ(Errors(decls, "outer(flat)"), Texts{"Type mismatch."});
}

TEST_F(ProcParmTest, ProceduralParameterItselfCanBePassedOn) {
    EXPECT_EQ(Errors(std::string(kApply) +
                         "procedure relay(function h(a: integer; var b: real): integer);\n"
                         "begin apply(h) end;\n",
                     ""),
              Texts{});
}

}  // namespace
}  // namespace tarn::tpc::test
