// What the front end hands to the image writer, end to end through the compile steps:
// the source files in the order they were opened, pooled texts in the fixed data, and
// variant tables in the fixed data with their data-swap runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/codegen/codegen.h"
#include "source_fixture.h"

namespace tarn::tpc::test {
namespace {

class HandoverTest : public SourceTest {
protected:
    // Bytes of the predefined registers record's variant table, stored when the outer
    // scope is installed (with non-standard types on).
    static constexpr uint32_t kRegistersTable = 8;
    // Runs the compile steps on main.pas as tpc's driver does, then the image writer as if
    // the compilation were complete, so that it also writes a program with a construct the
    // code generator does not handle yet (the object property below); returns the messages
    // heard.
    std::vector<std::string> CompileMain() {
        SetGenerateCode(true);
        try {
            OpenMainSource(Path("main.pas").c_str());
            OpenOutput(Path("main.tvm").c_str(), "");
            OpenOuterScope();
            CompileProgram();
            CloseOuterScope();
            CloseSourceFiles();
        } catch (const FatalStop&) {
        }
        WriteImage(true);
        return Messages();
    }
};

TEST_F(HandoverTest, ImageRecordsEverySourceFileInOpeningOrder) {
    Write("main.pas", "program p;\n{$I " + Path("one.inc") + "}\nbegin\n  x := 1\nend.\n");
    Write("one.inc", "var x: integer;\n{$I " + Path("two.inc") + "}\n");
    Write("two.inc", "  y: integer;\n");
    EXPECT_EQ(CompileMain(), std::vector<std::string>{"44: Variable 'y' is never used."});
    std::vector<Record> records = ReadRecords(Path("main.tvm"));
    std::vector<std::string> names;
    for (const Record& r : records)
        if (r.id == vm::REC_SOURCE_NAME) names.push_back(r.data);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], Path("main.pas"));
    EXPECT_EQ(names[1], Path("one.inc"));
    EXPECT_EQ(names[2], Path("two.inc"));
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().id, vm::REC_END);
}

TEST_F(HandoverTest, PooledTextsLandInTheFixedData) {
    Write("main.pas",
          "program p;\nvar o: object; s: string;\n"
          "begin\n  s := 'hello'; s := 'hello';\n  o.Visible := s\nend.\n");
    EXPECT_EQ(CompileMain(), std::vector<std::string>{});
    std::vector<Record> records = ReadRecords(Path("main.tvm"));
    // The predefined registers record's variant table comes first (2 words).
    std::string data = Concatenated(records, vm::REC_DATA);
    EXPECT_EQ(data.substr(kRegistersTable), "helloVisible");
    // Texts are bytes: only the table is swapped.
    std::string swap = Concatenated(records, vm::REC_DATA_SWAP);
    ASSERT_EQ(swap.size(), 8u);
    EXPECT_EQ(WordAt(swap, 0), 0u);
    EXPECT_EQ(WordAt(swap, 4), 2u);
}

TEST_F(HandoverTest, VariantTableLandsInTheFixedDataWithADataSwapRun) {
    Write("main.pas",
          "program p;\n"
          "type color = (red, green, blue);\n"
          "  r = record case c: color of red: (i: integer); green, blue: (x: real) end;\n"
          "var v: r;\n"
          "begin\n  v.i := 1\nend.\n");
    EXPECT_EQ(CompileMain(), std::vector<std::string>{});
    std::vector<Record> records = ReadRecords(Path("main.tvm"));
    std::string data = Concatenated(records, vm::REC_DATA);
    ASSERT_EQ(data.size(), kRegistersTable + 12u);
    EXPECT_EQ(WordAt(data, 0), 1u);   // registers: byteregs is variant 1, wordregs 2
    EXPECT_EQ(WordAt(data, 4), 2u);
    EXPECT_EQ(WordAt(data, kRegistersTable), 1u);       // red: variant 1
    EXPECT_EQ(WordAt(data, kRegistersTable + 4), 2u);   // green and blue: variant 2
    EXPECT_EQ(WordAt(data, kRegistersTable + 8), 2u);
    std::string swap = Concatenated(records, vm::REC_DATA_SWAP);
    ASSERT_EQ(swap.size(), 16u);
    EXPECT_EQ(WordAt(swap, 8), kRegistersTable);   // offset in the fixed data
    EXPECT_EQ(WordAt(swap, 12), 3u);                // words
}

}  // namespace
}  // namespace tarn::tpc::test
