// The option store: start-up defaults, the history, directives applied and restored.
#include <algorithm>
#include <string>

#include "driver_fixture.h"

namespace tarn::tpc::test {
namespace {

constexpr int kExtensions[] = {opt::ead, opt::ebh, opt::eco, opt::ecr, opt::edq, opt::efn, opt::enn,
                               opt::eop, opt::eow, opt::epr, opt::erd, opt::ety, opt::eui, opt::eva};

bool Disabled(int number) { return (Message(number).flags & MSG_DISABLED) != 0; }

TEST_F(DriverTest, StartUpDefaults) {
    struct Flag {
        int id;
        bool on;
    };
    const Flag flags[] = {{opt::ao, true},  {opt::so, false}, {opt::i, true},    {opt::r, true},
                          {opt::C, false},  {opt::u, true},   {opt::v, true},    {opt::zdm, false},
                          {opt::rtsc, true}, {opt::rtmb, true}, {opt::rtlf, false}, {opt::A, true},
                          {opt::E, true},   {opt::ln, true},  {opt::b, false},   {opt::mc, true},
                          {opt::mb, false}, {opt::mm, false}, {opt::nc, false},  {opt::p, false},
                          {opt::nu, true},  {opt::sc, true},  {opt::s, true},    {opt::gs, false},
                          {opt::zw, false}, {opt::cm20, false}, {opt::tf, false}, {opt::zst, false}};
    for (const Flag& f : flags) EXPECT_EQ(IsFlagOption(f.id), f.on) << f.id;
    for (int e : kExtensions) EXPECT_TRUE(IsFlagOption(e)) << e;
    EXPECT_EQ(GetOption(opt::a), 0);
    EXPECT_EQ(GetOption(opt::zbsm), 256);
    EXPECT_EQ(GetOption(opt::S), 65536);
    EXPECT_EQ(GetOption(opt::me), 25);
    EXPECT_EQ(GetOption(opt::mw), 100);
    EXPECT_EQ(GetOptionText(opt::o), nullptr);
    EXPECT_STREQ(GetOptionText(opt::h), "");
    EXPECT_TRUE(Disabled(msg::TraceOpening));
    EXPECT_TRUE(Disabled(msg::Compiling));
    EXPECT_TRUE(Disabled(msg::CompileDone));
    EXPECT_FALSE(Disabled(msg::Summary));
    EXPECT_TRUE(Disabled(msg::HidesDeclaration));
    EXPECT_FALSE(Disabled(msg::InvalidDirective));
}

TEST_F(DriverTest, NonFlagIdsAreInternalErrors) {
    bool stopped = false;
    Output([&] {
        try {
            IsFlagOption(opt::me);
        } catch (const FatalStop&) {
            stopped = true;
        }
    });
    EXPECT_TRUE(stopped);
}

TEST_F(DriverTest, AllExtensionsOffThenOneBack) {
    SetFlag(opt::E, false);
    for (int e : kExtensions) EXPECT_FALSE(IsFlagOption(e)) << e;
    EXPECT_FALSE(IsFlagOption(opt::nu));
    SetFlag(opt::ety, true);
    for (int e : kExtensions) EXPECT_EQ(IsFlagOption(e), e == opt::ety) << e;
}

TEST_F(DriverTest, StackSizeIsKilobytes) {
    EXPECT_EQ(GetOption(opt::S), 65536);
    SetOption(opt::S, 1, 0);
    EXPECT_EQ(GetOption(opt::S), 1024);
}

TEST_F(DriverTest, OutputAndHeaderTexts) {
    SetOption(opt::o, "out.tvm");
    EXPECT_STREQ(GetOptionText(opt::o), "out.tvm");
    SetOption(opt::o, "");
    EXPECT_EQ(GetOptionText(opt::o), nullptr);
    SetOption(opt::h, "/usr/bin/tvm");
    EXPECT_STREQ(GetOptionText(opt::h), "/usr/bin/tvm");
    const std::string tooLong(261, 'h');
    SetOption(opt::h, tooLong.c_str());
    EXPECT_STREQ(GetOptionText(opt::h), "/usr/bin/tvm");
}

TEST_F(DriverTest, MessageControlActsOnlyOnItsKind) {
    SetOption(opt::TraceMessages, 16, 1);   // 16 is FATAL: nothing changes
    EXPECT_FALSE(Disabled(16));
    EXPECT_FALSE(IsControllableMessage(opt::TraceMessages, 16));
    EXPECT_TRUE(IsControllableMessage(opt::TraceMessages, 170));
    EXPECT_TRUE(IsControllableMessage(opt::WarningMessages, 0));
    EXPECT_FALSE(IsControllableMessage(opt::WarningMessages, 245));
    SetOption(opt::WarningMessages, 0, 0);
    EXPECT_TRUE(Disabled(msg::InvalidDirective));
    EXPECT_FALSE(Disabled(msg::TypeMismatch));
    SetOption(opt::WarningMessages, msg::HidesDeclaration, 1);
    EXPECT_FALSE(Disabled(msg::HidesDeclaration));
    EXPECT_TRUE(Disabled(msg::InvalidDirective));
}

// --- Directives --------------------------------------------------------------------------

// Applies directives in order, returning what was printed.
std::string Directives(std::initializer_list<const char*> texts) {
    ::testing::internal::CaptureStdout();
    for (const char* t : texts) ApplyDirective(t);
    return ::testing::internal::GetCapturedStdout();
}

TEST_F(DriverTest, DirectiveLettersSelectTheirOptions) {
    struct Case {
        const char* off;
        int id;
    };
    const Case cases[] = {{"B-", opt::sc}, {"I-", opt::i}, {"R-", opt::r}, {"S-", opt::s},
                          {"U-", opt::u},  {"V-", opt::v}, {"r-", opt::r}};
    for (const Case& c : cases) {
        ASSERT_TRUE(IsFlagOption(c.id)) << c.off;
        EXPECT_EQ(ApplyDirective(c.off), DIRECTIVE_APPLIED);
        EXPECT_FALSE(IsFlagOption(c.id)) << c.off;
        std::string on = c.off;
        on[1] = '+';
        EXPECT_EQ(ApplyDirective(on.c_str()), DIRECTIVE_APPLIED);
        EXPECT_TRUE(IsFlagOption(c.id)) << on;
    }
    EXPECT_EQ(ApplyDirective("P+"), DIRECTIVE_APPLIED);
    EXPECT_TRUE(IsFlagOption(opt::p));
}

TEST_F(DriverTest, ResetRestoresTheStateBeforeTheFirstDirective) {
    EXPECT_EQ(Directives({"R-", "R+", "R-"}), "");
    EXPECT_FALSE(IsFlagOption(opt::r));
    EXPECT_EQ(Directives({"R."}), "");
    EXPECT_TRUE(IsFlagOption(opt::r));
    EXPECT_EQ(Directives({"R."}), "");
    EXPECT_FALSE(IsFlagOption(opt::r));
    EXPECT_EQ(Directives({"R."}), "");
    EXPECT_TRUE(IsFlagOption(opt::r));   // back at the start-up default
    EXPECT_EQ(ErrorCount(), 0);
}

TEST_F(DriverTest, ResetWithOnlyTheDefaultLeftReports145) {
    EXPECT_EQ(Directives({"R."}), "Error #145: Reset directive not in the correct order.\n");
    EXPECT_TRUE(IsFlagOption(opt::r));
    EXPECT_EQ(ErrorCount(), 1);
}

TEST_F(DriverTest, ResetOfAnOptionNeverSetReports145) {
    EXPECT_EQ(Output([] { ResetOption(opt::tf); }), "Error #145: Reset directive not in the correct order.\n");
}

TEST_F(DriverTest, WarningDirectivesPerNumberAndForAll) {
    EXPECT_EQ(Directives({"W54+"}), "");
    EXPECT_FALSE(Disabled(msg::HidesDeclaration));
    EXPECT_EQ(Directives({"W54."}), "");
    EXPECT_TRUE(Disabled(msg::HidesDeclaration));
    EXPECT_EQ(Directives({"W-"}), "");
    EXPECT_TRUE(Disabled(msg::InvalidDirective));
    EXPECT_EQ(Directives({"W+"}), "");
    EXPECT_FALSE(Disabled(msg::InvalidDirective));
    EXPECT_FALSE(Disabled(msg::HidesDeclaration));   // "all on" includes 54
}

TEST_F(DriverTest, WarningResetMustUndoTheNewestWarningChange) {
    EXPECT_EQ(Directives({"W47-", "W41-"}), "");
    EXPECT_TRUE(Disabled(47));
    EXPECT_EQ(Directives({"W47."}), "Error #145: Reset directive not in the correct order.\n");
    EXPECT_TRUE(Disabled(47));
    EXPECT_EQ(Directives({"W41.", "W47."}), "");
    EXPECT_FALSE(Disabled(41));
    EXPECT_FALSE(Disabled(47));
}

TEST_F(DriverTest, InvalidDirectivesWarn) {
    const char* invalid[] = {"W.", "Q+", "R5+", "RX", "R", "B", "I5+"};
    for (const char* text : invalid) {
        std::string out;
        DirectiveResult result;
        out = Output([&] { result = ApplyDirective(text); });
        EXPECT_EQ(result, DIRECTIVE_INVALID) << text;
        EXPECT_EQ(out, "Warning #47: Invalid compiler directive.\n") << text;
    }
    EXPECT_EQ(WarningCount(), 7);
}

TEST_F(DriverTest, IncludeDirectiveIsLeftToTheLexer) {
    EXPECT_EQ(ApplyDirective("I file.inc"), DIRECTIVE_INCLUDE);
    EXPECT_EQ(ApplyDirective("I'a b.inc'"), DIRECTIVE_INCLUDE);
    EXPECT_TRUE(IsFlagOption(opt::i));
}

// Resetting E takes back the flag changes that merely repeated E's value.
TEST_F(DriverTest, ResetOfETakesBackItsEchoes) {
    SetFlag(opt::E, false);
    SetFlag(opt::nc, false);   // repeats E's value: goes with E
    SetFlag(opt::p, true);     // differs from E's value: stays
    const auto countOf = [](int id) {
        const auto& h = OptionHistory();
        return std::count_if(h.begin(), h.end(), [id](const OptionChange& c) { return c.id == id; });
    };
    EXPECT_EQ(countOf(opt::nc), 2);
    ResetOption(opt::E);
    EXPECT_EQ(countOf(opt::nc), 1);
    EXPECT_TRUE(IsFlagOption(opt::E));
    EXPECT_TRUE(IsFlagOption(opt::p));
    for (int e : kExtensions) EXPECT_TRUE(IsFlagOption(e)) << e;
    EXPECT_EQ(ErrorCount(), 0);
}

TEST_F(DriverTest, HistoryRecordsEveryChangeNewestLast) {
    const size_t before = OptionHistory().size();
    SetOption(opt::a, 4, 0);
    SetOption(opt::WarningMessages, 47, 0);
    const auto& h = OptionHistory();
    ASSERT_EQ(h.size(), before + 2);
    EXPECT_EQ(h.back().id, opt::WarningMessages);
    EXPECT_EQ(h.back().value, 47);
    EXPECT_EQ(h.back().value2, 0);
    EXPECT_EQ(h[before].id, opt::a);
    EXPECT_EQ(h[before].value, 4);
    // The start-up sequence begins with ao and ends with o.
    EXPECT_EQ(h.front().id, opt::ao);
}

}  // namespace
}  // namespace tarn::tpc::test
