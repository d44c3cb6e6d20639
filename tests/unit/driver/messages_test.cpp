// Messages as the user sees them: the three console formats, context lines, counting and
// the limits.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "compiler/base/list.h"
#include "driver_fixture.h"

namespace tarn::tpc::test {
namespace {

struct FormatCase {
    const char* name;
    std::vector<int> flagsOn;   // options switched on before reporting
    int number;
    const char* file;
    uint32_t line;
    int32_t col;
    const char* expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class MessageFormat : public DriverTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(MessageFormat, PrintsHeadingByteForByte) {
    const FormatCase& c = GetParam();
    for (int id : c.flagsOn) SetFlag(id, true);
    if (c.number == msg::TraceOpening) SetOption(opt::TraceMessages, c.number, 1);
    if (c.number == msg::CompileDone) SetOption(opt::InformMessages, c.number, 1);
    Position pos;
    pos.filename = c.file;
    pos.line = c.line;
    pos.col = c.col;
    const std::string out = Output([&] { ReportMessageAt(&pos, c.number, 0, "x.pas"); });
    EXPECT_EQ(out, c.expected);
}

const FormatCase kFormats[] = {
    {"LongFull", {}, msg::TypeMismatch, "prog.pas", 12, 4,
     "Error #114: \"prog.pas\" (line 12, col 5): Type mismatch.\n"},
    {"BriefFull", {opt::b}, msg::TypeMismatch, "prog.pas", 12, 4,
     "E114: \"prog.pas\" 12: Type mismatch.\n"},
    {"LongNoPlace", {}, msg::InvalidSyntax, nullptr, 0, -1, "Error #75: Invalid syntax.\n"},
    {"BriefNoPlace", {opt::b}, msg::InvalidSyntax, nullptr, 0, -1, "E075: Invalid syntax.\n"},
    {"LongFileOnly", {}, msg::InvalidSyntax, "prog.pas", 0, -1, "Error #75: \"prog.pas\": Invalid syntax.\n"},
    {"BriefFileOnly", {opt::b}, msg::InvalidSyntax, "prog.pas", 0, -1, "E075: \"prog.pas\": Invalid syntax.\n"},
    {"LongLineOnly", {}, msg::InvalidSyntax, "prog.pas", 3, -1,
     "Error #75: \"prog.pas\" (line 3): Invalid syntax.\n"},
    {"LongColumnOnly", {}, msg::InvalidSyntax, "prog.pas", 0, 1,
     "Error #75: \"prog.pas\" (col 2): Invalid syntax.\n"},
    {"LongNoFile", {}, msg::InvalidSyntax, nullptr, 7, 0, "Error #75: (line 7, col 1): Invalid syntax.\n"},
    {"BriefNeverShowsColumn", {opt::b}, msg::InvalidSyntax, nullptr, 7, 9, "E075: 7: Invalid syntax.\n"},
    {"Warning", {}, msg::InvalidDirective, "a.pas", 2, 0,
     "Warning #47: \"a.pas\" (line 2, col 1): Invalid compiler directive.\n"},
    {"BriefWarning", {opt::b}, msg::InvalidDirective, "a.pas", 2, 0, "W047: \"a.pas\" 2: Invalid compiler directive.\n"},
    {"Trace", {}, msg::TraceOpening, "a.pas", 1, -1, "Trace #170: \"a.pas\" (line 1): Opening 'x.pas'\n"},
    {"Inform", {}, msg::CompileDone, "a.pas", 1, 0, "Compile done.\n"},
    {"Borland", {opt::mb}, msg::TypeMismatch, "prog.pas", 12, 4, "Error prog.pas 12: Type mismatch.\n"},
    {"BorlandWarning", {opt::mb}, msg::InvalidDirective, "a.pas", 2, 3, "Warning a.pas 2: Invalid compiler directive.\n"},
    {"BorlandInform", {opt::mb}, msg::CompileDone, "a.pas", 2, 3, "Compile done.\n"},
    {"Microsoft", {opt::mm}, msg::TypeMismatch, "prog.pas", 12, 4, "prog.pas(12) : error 114: Type mismatch.\n"},
    {"MicrosoftWarning", {opt::mm}, msg::InvalidDirective, "a.pas", 2, 3,
     "a.pas(2) : warning 47: Invalid compiler directive.\n"},
    {"MicrosoftNoFile", {opt::mm}, msg::InvalidSyntax, nullptr, 0, -1, "(0) : error 75: Invalid syntax.\n"},
    {"MicrosoftInform", {opt::mm}, msg::CompileDone, "a.pas", 2, 3, "Compile done.\n"},
    {"BorlandBeforeMicrosoft", {opt::mm, opt::mb}, msg::TypeMismatch, "p.pas", 1, 0, "Error p.pas 1: Type mismatch.\n"},
};
INSTANTIATE_TEST_SUITE_P(Driver, MessageFormat, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

// Messages with printf arguments: the summary line fills its two counts.
TEST_F(DriverTest, InformFillsItsArguments) {
    EXPECT_EQ(Output([] { ReportMessage(msg::Summary, nullptr, 3, 1); }), "3 error(s) and 1 warning(s) were issued.\n");
}

TEST_F(DriverTest, LongFileNameIsLeftOutOfTheHeading) {
    const std::string file(298, 'f');
    Position pos;
    pos.filename = file.c_str();
    pos.line = 4;
    pos.col = -1;
    EXPECT_EQ(Output([&] { ReportMessage(msg::InvalidSyntax, &pos); }), "Error #75: (line 4): Invalid syntax.\n");
    const std::string shorter(297, 'f');
    pos.filename = shorter.c_str();
    pos.line = 5;
    EXPECT_EQ(Output([&] { ReportMessage(msg::InvalidSyntax, &pos); }),
              "Error #75: \"" + shorter + "\" (line 5): Invalid syntax.\n");
}

// --- Context lines -------------------------------------------------------------------

class ContextTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        path_ = ::testing::TempDir() + "tpc_context_test.pas";
        std::ofstream(path_, std::ios::binary) << "program p;\n\tx :=\t1;\nend.";
    }
    void TearDown() override {
        std::remove(path_.c_str());
        DriverTest::TearDown();
    }
    Position At(int64_t offset, uint32_t line, int32_t col) const {
        Position pos;
        pos.filename = path_.c_str();
        pos.offset = offset;
        pos.line = line;
        pos.col = col;
        return pos;
    }
    std::string path_;
};

TEST_F(ContextTest, CaretRepeatsTheTabsOfTheLine) {
    const Position pos = At(11, 2, 6);
    EXPECT_EQ(Output([&] { ReportMessage(msg::TypeMismatch, &pos); }),
              "Error #114: \"" + path_ + "\" (line 2, col 7): Type mismatch.\n\tx :=\t1;\n\t    \t^\n");
}

TEST_F(ContextTest, EndOfFileIsShownAsEofMarker) {
    const Position pos = At(20, 3, 4);
    EXPECT_EQ(Output([&] { ReportMessage(msg::Expected, &pos, "."); }),
              "Error #76: \"" + path_ + "\" (line 3, col 5): . expected.\nend.<EOF>\n    ^\n");
}

TEST_F(ContextTest, BriefFormShowsContextWithoutColumn) {
    SetFlag(opt::b, true);
    const Position pos = At(0, 1, 8);
    EXPECT_EQ(Output([&] { ReportMessage(msg::TypeMismatch, &pos); }),
              "E114: \"" + path_ + "\" 1: Type mismatch.\nprogram p;\n        ^\n");
}

TEST_F(ContextTest, OptionMcOffHidesContext) {
    SetFlag(opt::mc, false);
    const Position pos = At(0, 1, 8);
    EXPECT_EQ(Output([&] { ReportMessage(msg::TypeMismatch, &pos); }),
              "Error #114: \"" + path_ + "\" (line 1, col 9): Type mismatch.\n");
}

TEST_F(ContextTest, NoContextMessageShowsPlaceButNoLine) {
    SetOption(opt::TraceMessages, msg::TraceOpening, 1);
    const Position pos = At(0, 1, 2);
    EXPECT_EQ(Output([&] { ReportMessage(msg::TraceOpening, &pos, "x"); }),
              "Trace #170: \"" + path_ + "\" (line 1, col 3): Opening 'x'\n");
}

TEST_F(ContextTest, BorlandAndMicrosoftNeverShowContext) {
    const Position pos = At(0, 1, 2);
    SetFlag(opt::mb, true);
    EXPECT_EQ(Output([&] { ReportMessage(msg::TypeMismatch, &pos); }), "Error " + path_ + " 1: Type mismatch.\n");
    SetFlag(opt::mb, false);
    SetFlag(opt::mm, true);
    EXPECT_EQ(Output([&] { ReportMessage(msg::InvalidDirective, &pos); }),
              path_ + "(1) : warning 47: Invalid compiler directive.\n");
}

// Without a position the lexer's current position gives file, line, column and context.
Position gCurrent;
bool CurrentForTest(Position& pos) {
    pos = gCurrent;
    return true;
}

TEST_F(ContextTest, WithoutPositionTheLexerPositionIsUsed) {
    gCurrent = At(11, 2, 1);
    SetPositionSource(CurrentForTest);
    EXPECT_EQ(Output([] { ReportMessage(msg::InvalidSyntax, nullptr); }),
              "Error #75: \"" + path_ + "\" (line 2, col 2): Invalid syntax.\n\tx :=\t1;\n\t^\n");
    // A no-context message takes the line but shows neither column nor context.
    gCurrent.line = 3;
    EXPECT_EQ(Output([] { ReportMessage(msg::UnknownOption, nullptr, "-q"); }),
              "Error #89: \"" + path_ + "\" (line 3): Option '-q' is unknown or invalid.\n");
}

TEST_F(ContextTest, ExplicitLineOverridesThePosition) {
    const Position pos = At(0, 1, -1);
    SetFlag(opt::mc, false);
    EXPECT_EQ(Output([&] { ReportMessageAt(&pos, msg::InvalidSyntax, 9); }),
              "Error #75: \"" + path_ + "\" (line 9): Invalid syntax.\n");
}

// --- Counting ------------------------------------------------------------------------

Position OnLine(uint32_t line, const char* file = "a.pas") {
    Position pos;
    pos.filename = file;
    pos.line = line;
    return pos;
}

TEST_F(DriverTest, OnlyTheFirstErrorOfALineIsPrintedAndCounted) {
    const Position first = OnLine(12, "a.pas");
    const Position second = OnLine(12, "b.pas");
    const Position next = OnLine(13, "a.pas");
    const std::string out = Output([&] {
        ReportMessage(msg::TypeMismatch, &first);
        ReportMessage(msg::InvalidSyntax, &second);
        ReportMessage(msg::InvalidSyntax, &next);
    });
    EXPECT_EQ(out, "Error #114: \"a.pas\" (line 12): Type mismatch.\n"
                   "Error #75: \"a.pas\" (line 13): Invalid syntax.\n");
    EXPECT_EQ(ErrorCount(), 2);
    EXPECT_EQ(LastErrorLine(), 13u);
    EXPECT_FALSE(GenerateCode());
}

TEST_F(DriverTest, WarningsOnOneLineAreAllCounted) {
    const Position pos = OnLine(5);
    Output([&] {
        ReportMessage(msg::InvalidDirective, &pos);
        ReportMessage(msg::InvalidDirective, &pos);
    });
    EXPECT_EQ(WarningCount(), 2);
    EXPECT_EQ(ErrorCount(), 0);
    EXPECT_TRUE(GenerateCode());
}

TEST_F(DriverTest, DisabledMessagesAreNeitherPrintedNorCounted) {
    const Position pos = OnLine(5);
    EXPECT_EQ(Output([&] { ReportMessage(msg::HidesDeclaration, &pos, "x"); }), "");
    EXPECT_EQ(Output([] { ReportMessage(msg::Compiling, nullptr, "a.pas"); }), "");
    EXPECT_EQ(Output([] { ReportMessage(msg::TraceOpening, nullptr, "a.pas"); }), "");
    EXPECT_EQ(WarningCount(), 0);
    SetOption(opt::InformMessages, msg::Compiling, 1);
    EXPECT_EQ(Output([] { ReportMessage(msg::Compiling, nullptr, "a.pas"); }), "Compiling 'a.pas.'\n");
}

TEST_F(DriverTest, TwentySixthErrorEndsTheCompilation) {
    bool stopped = false;
    const std::string out = Output([&] {
        try {
            for (uint32_t line = 1; line <= 26; ++line) {
                const Position pos = OnLine(line);
                ReportMessage(msg::InvalidSyntax, &pos);
                EXPECT_LE(line, 26u);
            }
        } catch (const FatalStop&) {
            stopped = true;
        }
    });
    EXPECT_TRUE(stopped);
    EXPECT_EQ(ErrorCount(), 27);
    const std::string tail = "Error #75: \"a.pas\" (line 26): Invalid syntax.\nError #27: Too many errors.\n";
    ASSERT_GE(out.size(), tail.size());
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    EXPECT_EQ(out.find("Too many errors."), out.rfind("Too many errors."));
}

TEST_F(DriverTest, TwentyFiveErrorsDoNotStop) {
    Output([] {
        for (uint32_t line = 1; line <= 25; ++line) {
            const Position pos = OnLine(line);
            ReportMessage(msg::InvalidSyntax, &pos);
        }
    });
    EXPECT_EQ(ErrorCount(), 25);
}

TEST_F(DriverTest, HundredFirstWarningEndsTheCompilation) {
    int issued = 0;
    const std::string out = Output([&] {
        try {
            for (; issued < 200; ++issued) ReportMessage(msg::InvalidDirective, nullptr);
        } catch (const FatalStop&) {
        }
    });
    EXPECT_EQ(issued, 100);   // the 101st warning threw
    EXPECT_EQ(WarningCount(), 101);
    EXPECT_EQ(ErrorCount(), 1);
    const std::string tail = "Warning #47: Invalid compiler directive.\nError #12: Too many warnings.\n";
    ASSERT_GE(out.size(), tail.size());
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
}

TEST_F(DriverTest, MaxErrorsZeroStopsAtTheFirstError) {
    SetOption(opt::me, 0, 0);
    const Position pos = OnLine(3);
    bool stopped = false;
    const std::string out = Output([&] {
        try {
            ReportMessage(msg::TypeMismatch, &pos);
        } catch (const FatalStop&) {
            stopped = true;
        }
    });
    EXPECT_TRUE(stopped);
    EXPECT_EQ(out, "Error #114: \"a.pas\" (line 3): Type mismatch.\nError #27: Too many errors.\n");
    EXPECT_EQ(ErrorCount(), 2);
}

TEST_F(DriverTest, OverlongMessageRaisesMessage31) {
    const std::string name(600, 'n');
    bool stopped = false;
    const std::string out = Output([&] {
        try {
            ReportMessage(msg::CanNotOpenFile, nullptr, name.c_str());
        } catch (const FatalStop&) {
            stopped = true;
        }
    });
    EXPECT_TRUE(stopped);
    EXPECT_EQ(out, "Error #31: Implementation limit exceeded (message too long).\n");
    EXPECT_EQ(ErrorCount(), 1);
}

TEST_F(DriverTest, FatalClearsGenerateCodeAndStops) {
    bool stopped = false;
    Output([&] {
        try {
            ReportMessage(msg::ReadingFile, nullptr);
        } catch (const FatalStop&) {
            stopped = true;
        }
    });
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(GenerateCode());
    EXPECT_EQ(ErrorCount(), 1);
}

TEST_F(DriverTest, FatalOutsideACompilationEndsTheProcess) {
    SetCompiling(false);
    EXPECT_EXIT(ReportMessage(msg::ReadingFile, nullptr), ::testing::ExitedWithCode(1), "");
}

TEST_F(DriverTest, InternalErrorNamesConditionModuleAndLine) {
    std::string out;
    bool stopped = false;
    out = Output([&] {
        try {
            InternalError("p != NULL", "/src/compiler/front/finish.cpp", 42);
        } catch (const FatalStop&) {
            stopped = true;
        }
    });
    EXPECT_TRUE(stopped);
    EXPECT_EQ(out, "Error #33: Internal compiler error ('p != NULL, FILE finish.cpp, LINE 42').\n");
}

TEST_F(DriverTest, CheckAfterErrorPassesOnceAnErrorWasReported) {
    const std::string out = Output([] {
        try {
            TPC_CHECK_AFTER_ERROR(1 + 1 == 3);
        } catch (const FatalStop&) {
        }
    });
    EXPECT_NE(out.find("Internal compiler error ('1 + 1 == 3, FILE messages_test.cpp, LINE "), std::string::npos);
    ASSERT_GT(ErrorCount(), 0);
    EXPECT_NO_THROW(TPC_CHECK_AFTER_ERROR(1 + 1 == 3));
    bool stopped = false;
    Output([&] {
        try {
            TPC_CHECK(1 + 1 == 3);
        } catch (const FatalStop&) {
            stopped = true;
        }
    });
    EXPECT_TRUE(stopped);   // a plain check fails whatever the error count
}

TEST_F(DriverTest, DisabledInternalErrorsAreSilent) {
    EnableInternalErrors(false);
    EXPECT_EQ(Output([] { TPC_CHECK(false); }), "");
    EnableInternalErrors(true);
}

// --- The message list ------------------------------------------------------------------

std::vector<int> gListed;

TEST_F(DriverTest, MessageListHas244Rows) {
    SetMessageListPrinter([](uint32_t, int number, const char*) { gListed.push_back(number); });
    gListed.clear();
    ListMessages();
    ASSERT_EQ(gListed.size(), 244u);
    for (int n = 1; n <= 244; ++n) EXPECT_EQ(gListed[n - 1], n);
}

TEST_F(DriverTest, ConsoleListRowShowsKindNumberTextAndNoContext) {
    EXPECT_EQ(Output([] { ConsoleListPrinter(Message(89).flags, 89, Message(89).text); }),
              "ERROR 89 Option '%s' is unknown or invalid. (NO CONTEXT)\n");
    EXPECT_EQ(Output([] { ConsoleListPrinter(Message(114).flags, 114, Message(114).text); }),
              "ERROR 114 Type mismatch.\n");
    EXPECT_EQ(Output([] { ConsoleListPrinter(Message(10).flags, 10, Message(10).text); }),
              "FATAL 10 Out of memory. (NO CONTEXT)\n");
    EXPECT_EQ(Output([] { ConsoleListPrinter(Message(54).flags, 54, Message(54).text); }),
              "WARNING 54 Declaration of '%s' hides previous declaration.\n");
}

// Spot checks of the table against the kinds, groups and no-context marks.
TEST_F(DriverTest, TableKindsFollowTheNumberGroups) {
    struct Group {
        int first, last;
        MsgKind kind;
    };
    const Group groups[] = {{1, 9, MsgKind::INFORM}, {10, 39, MsgKind::FATAL}, {40, 69, MsgKind::WARNING},
                            {70, 169, MsgKind::ERROR}, {170, 244, MsgKind::TRACE}};
    // 60, the one number the table had left unassigned, refuses an output that is a source.
    for (const Group& g : groups)
        for (int n = g.first; n <= g.last; ++n) {
            if (n == msg::OutputIsSource) continue;
            EXPECT_EQ(KindOf(n), g.kind) << n;
        }
    EXPECT_EQ(KindOf(msg::OutputIsSource), MsgKind::FATAL);
    EXPECT_TRUE(Message(msg::OutputIsSource).flags & MSG_NO_CONTEXT);
    EXPECT_TRUE(Message(145).flags & MSG_NO_CONTEXT);
    EXPECT_TRUE(Message(53).flags & MSG_NO_CONTEXT);
    EXPECT_FALSE(Message(54).flags & MSG_NO_CONTEXT);
    EXPECT_FALSE(Message(11).flags & MSG_NO_CONTEXT);
    EXPECT_STREQ(Message(132).text, "Reserved.");
    EXPECT_STREQ(Message(146).text, "Reserved");
    EXPECT_STREQ(Message(19).text, "Compiler failure - Invalid arithmentic.");
    EXPECT_STREQ(Message(1).text, "Tarn Pascal 2.6 (Linux Edition)\nCompiler for the Tarn virtual machine, Linux x86-64.");
}

// --- Tracked allocator ---------------------------------------------------------------------

TEST_F(DriverTest, OutOfMemoryIssuesMessage10) {
    FailNextAllocations(1);
    bool stopped = false;
    const std::string out = Output([&] {
        try {
            TrackedAlloc(16);
        } catch (const FatalStop&) {
            stopped = true;
        }
    });
    EXPECT_TRUE(stopped);
    EXPECT_EQ(out, "Error #10: Out of memory.\n");
}

// Sizes no memory can hold are refused through the out-of-memory handler, also where
// rounding them up to a block would wrap around to a tiny block.
TEST_F(DriverTest, ImpossibleSizesRunOutOfMemory) {
    const size_t sizes[] = {SIZE_MAX, SIZE_MAX - 3, SIZE_MAX - 7, SIZE_MAX / 2 + 1};
    const size_t live = LiveBlocks();
    for (const bool debug : {false, true}) {
        SetFlag(opt::zdm, debug);
        for (const size_t size : sizes) {
            bool stopped = false;
            const std::string out = Output([&] {
                try {
                    TrackedAlloc(size);
                } catch (const FatalStop&) {
                    stopped = true;
                }
            });
            EXPECT_TRUE(stopped) << size << (debug ? " zdm" : "");
            EXPECT_EQ(out, "Error #10: Out of memory.\n") << size << (debug ? " zdm" : "");
        }
    }
    EXPECT_EQ(LiveBlocks(), live);
}

TEST_F(DriverTest, DefaultOutOfMemoryHandlerEndsTheProcess) {
    SetOutOfMemoryHandler(nullptr);
    EXPECT_EXIT((FailNextAllocations(1), TrackedAlloc(16)), ::testing::ExitedWithCode(1), "");
}

TEST_F(DriverTest, DebugMemoryFillsAndGuardsBlocks) {
    SetFlag(opt::zdm, true);
    EXPECT_EQ(AllocMode(), ALLOC_DEBUG);
    auto* p = static_cast<unsigned char*>(TrackedAlloc(8));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(p[i], ALLOC_FILL_BYTE);
    EXPECT_EQ(CheckGuardWords(), 0u);
    p[8] = 0;   // one byte past the block lands on its guard word
    EXPECT_EQ(CheckGuardWords(), 1u);
    SetFlag(opt::zdm, false);
    EXPECT_EQ(AllocMode(), 0u);
    auto* q = static_cast<unsigned char*>(TrackedAlloc(8));
    EXPECT_EQ(q[0], 0);
    EXPECT_EQ(LiveBlocks(), 2u);
    ReleaseAll();
    EXPECT_EQ(LiveBlocks(), 0u);
    EXPECT_EQ(AllocMode(), ALLOC_RELEASED);
}

TEST_F(DriverTest, TrackedRecordsAreValueInitialised) {
    struct Pair {
        int a;
        double b;
    };
    Pair* p = TrackedNew<Pair>(3, 2.5);
    EXPECT_EQ(p->a, 3);
    EXPECT_EQ(p->b, 2.5);
}

// Scratch records: tracked outside any ScratchScope, from the scratch region inside one;
// an inner scope's records are reused once it closes, zero-filled again, while the outer
// scope's records keep their values.
TEST_F(DriverTest, ScratchRecordsGoWithTheirScope) {
    struct Rec {
        int64_t a;
        int64_t b;
    };
    Rec* tracked = ScratchNew<Rec>();
    EXPECT_FALSE(IsScratch(tracked));
    ScratchScope outer;
    Rec* kept = ScratchNew<Rec>();
    ASSERT_TRUE(IsScratch(kept));
    kept->a = 11;
    Rec* inner = nullptr;
    {
        ScratchScope statement;
        inner = ScratchNew<Rec>();
        EXPECT_TRUE(IsScratch(inner));
        EXPECT_TRUE(IsInnermostScratch(inner));
        EXPECT_FALSE(IsInnermostScratch(kept));
        inner->a = inner->b = -1;
    }
    Rec* again = ScratchNew<Rec>();
    EXPECT_EQ(again, inner);   // the inner scope's memory, reused
    EXPECT_EQ(again->a, 0);
    EXPECT_EQ(again->b, 0);
    EXPECT_EQ(kept->a, 11);
    EXPECT_GT(ScratchHighWater(), 0u);
}

// Lazy finishing (ScratchSuspend) and option zdm get tracked records inside a scope.
TEST_F(DriverTest, SuspendedOrDebugScratchRecordsAreTracked) {
    ScratchScope statement;
    {
        ScratchSuspend declaration;
        EXPECT_FALSE(IsScratch(ScratchNew<int64_t>()));
    }
    EXPECT_TRUE(IsScratch(ScratchNew<int64_t>()));
    SetFlag(opt::zdm, true);
    auto* p = static_cast<unsigned char*>(ScratchAlloc(8));
    EXPECT_FALSE(IsScratch(p));
    EXPECT_EQ(p[0], ALLOC_FILL_BYTE);
    SetFlag(opt::zdm, false);
    EXPECT_TRUE(IsScratch(ScratchNew<int64_t>()));
}

// A scratch list of an outer scope that grows inside an inner one takes tracked memory for
// its items, which therefore survive the inner scope; the inner scope's own list grows in
// the scratch region.
TEST_F(DriverTest, ScratchListsGrowWhereTheyLive) {
    ScratchScope outer;
    List* outerList = ListCreateScratch();
    {
        ScratchScope statement;
        List* innerList = ListCreateScratch();
        for (uintptr_t i = 1; i <= 20; ++i) {
            ListAppend(outerList, reinterpret_cast<void*>(i));
            ListAppend(innerList, reinterpret_cast<void*>(i));
        }
        EXPECT_FALSE(IsScratch(outerList->items));
        EXPECT_TRUE(IsScratch(innerList->items));
    }
    for (int j = 0; j < 64; ++j) *ScratchNew<int64_t>() = -1;   // over the inner scope's
    ASSERT_EQ(ListCount(outerList), 20u);
    for (uint32_t i = 1; i <= 20; ++i)
        EXPECT_EQ(ListGet(outerList, i), reinterpret_cast<void*>(uintptr_t{i}));
}

}  // namespace
}  // namespace tarn::tpc::test
