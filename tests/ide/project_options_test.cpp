// A project's settings reach the compiler's option store exactly as the same options on
// tpc's command line do.
#include <gtest/gtest.h>

#include <random>

#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/driver/command.h"
#include "compiler/driver/compile.h"
#include "compiler/writer/image.h"
#include "ide/project/apply_options.h"

using namespace tarn;
using namespace tarn::ide;

namespace {

// What a compilation sees of the option store: every flag, every valued option, and which
// messages are switched off.
struct StoreState {
    std::vector<int32_t> values;
    bool operator==(const StoreState&) const = default;
};

StoreState Capture() {
    StoreState s;
    for (int id = tpc::FIRST_FLAG_OPTION; id <= tpc::LAST_FLAG_OPTION; ++id)
        s.values.push_back(tpc::IsFlagOption(id));
    for (int id : {tpc::opt::a, tpc::opt::zbsm, tpc::opt::S, tpc::opt::me, tpc::opt::mw})
        s.values.push_back(tpc::GetOption(id));
    for (int m = 1; m <= tpc::MAX_MESSAGE; ++m) s.values.push_back(tpc::MessageSwitchedOff(m));
    return s;
}

// The store as tpc starts it.
void StartUp() {
    tpc::SetMessagePrinter(tpc::ConsolePrinter);
    tpc::SetMessageListPrinter(tpc::ConsoleListPrinter);
    tpc::InitCompileState();
    tpc::SetAllocMode(0);
    tpc::InitOptions();
    tpc::InitMessages();
    tpc::InitOutputState();
    tpc::SetCompiling(true);
}

StoreState ThroughTheProject(const Project& p) {
    StartUp();
    ApplyProjectOptions(p);
    StoreState s = Capture();
    tpc::InitOutputState();
    tpc::ReleaseAll();
    return s;
}

StoreState ThroughTheCommandLine(const Project& p, std::string& printed) {
    StartUp();
    std::vector<std::string> args = ProjectCommandLine(p);
    args.insert(args.begin(), "tpc");
    args.push_back("prog.pas");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::testing::internal::CaptureStdout();
    tpc::ParseCommandLine(int(args.size()), argv.data());
    printed = ::testing::internal::GetCapturedStdout();
    StoreState s = Capture();
    tpc::InitOutputState();
    tpc::ReleaseAll();
    return s;
}

}  // namespace

TEST(ProjectOptions, CommandLineNamesTheSameOptions) {
    Project p = DefaultProject();
    SetFlagSetting(p, "r", false);
    SetFlagSetting(p, "W15", true);
    SetFlagSetting(p, "ad", false);
    SetNumberSetting(p, "S", 128);
    std::vector<std::string> args = ProjectCommandLine(p);
    auto has = [&](const char* a) { return std::find(args.begin(), args.end(), a) != args.end(); };
    EXPECT_TRUE(has("-a4"));
    EXPECT_TRUE(has("-r-"));
    EXPECT_TRUE(has("-W54+"));
    EXPECT_TRUE(has("-W59-"));
    EXPECT_TRUE(has("-ead-"));  // the extension rows are the e... options
    EXPECT_TRUE(has("-S128"));
    EXPECT_TRUE(has("-me25"));
    EXPECT_FALSE(has("-ut+"));  // editor settings are no compiler options
}

TEST(ProjectOptions, DefaultProjectGivesTheStoreTheProjectsValues) {
    Project p = DefaultProject();
    StartUp();
    ApplyProjectOptions(p);
    EXPECT_TRUE(tpc::IsFlagOption(tpc::opt::so));  // on in the project, off at tpc's start-up
    EXPECT_EQ(tpc::GetOption(tpc::opt::a), 4);
    EXPECT_EQ(tpc::GetOption(tpc::opt::S), 64 * 1024);
    EXPECT_TRUE(tpc::MessageSwitchedOff(54));  // W15
    EXPECT_TRUE(tpc::MessageSwitchedOff(59));  // W20
    EXPECT_FALSE(tpc::MessageSwitchedOff(40));
    tpc::InitOutputState();
    tpc::ReleaseAll();
}

// Random projects: the option store after applying the project equals the store after
// tpc's command line parser read the project's command line.
TEST(ProjectOptions, ProjectAndCommandLineGiveTheSameStore) {
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        Project p = DefaultProject();
        for (ProjectSetting& row : p.settings)
            if (row.type == SettingType::FLAG) row.flag = rng() % 2;
        const int aligns[] = {0, 1, 2, 4, 8};
        SetNumberSetting(p, "a", aligns[rng() % 5]);
        SetNumberSetting(p, "S", int32_t(rng() % 1024) + 1);
        SetNumberSetting(p, "me", int32_t(rng() % 1000));
        SetNumberSetting(p, "mw", int32_t(rng() % 1000));
        std::string printed;
        StoreState fromProject = ThroughTheProject(p);
        StoreState fromCommandLine = ThroughTheCommandLine(p, printed);
        EXPECT_EQ(printed, "") << "tpc refused part of the command line";
        ASSERT_EQ(fromProject.values.size(), fromCommandLine.values.size());
        for (size_t i = 0; i < fromProject.values.size(); ++i)
            ASSERT_EQ(fromProject.values[i], fromCommandLine.values[i])
                << "round " << round << ", entry " << i;
    }
}
