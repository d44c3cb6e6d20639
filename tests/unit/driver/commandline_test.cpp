// The command line: option pieces, file names, and what the tpc program prints and
// returns (run as a subprocess).
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "compiler/driver/arg_reader.h"
#include "driver_fixture.h"
#include "tests/support/run_command.h"

namespace tarn::tpc::test {
namespace {

// --- The argument reader -----------------------------------------------------------------

std::vector<std::string> Pieces(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    StartArguments(static_cast<int>(args.size()), argv.data(), "-");
    std::vector<std::string> pieces;
    while (const char* p = NextPiece()) pieces.push_back(p);
    return pieces;
}

TEST(ArgumentReader, CutsOptionArgumentsIntoPieces) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Pieces({"tpc", "-r-i-"}), (V{"-r", "-i-"}));
    EXPECT_EQ(Pieces({"tpc", "-ri-"}), (V{"-ri-"}));
    EXPECT_EQ(Pieces({"tpc", "-r-"}), (V{"-r-"}));
    EXPECT_EQ(Pieces({"tpc", "-a4-b-C"}), (V{"-a4", "-b", "-C"}));
    EXPECT_EQ(Pieces({"tpc", "dir/my-prog.pas"}), (V{"dir/my-prog.pas"}));
    EXPECT_EQ(Pieces({"tpc", "-oout/my-prog.exe", "-r-"}), (V{"-oout/my-prog.exe", "-r-"}));
    EXPECT_EQ(Pieces({"tpc", "-h/usr/bin/env -S tvm"}), (V{"-h/usr/bin/env -S tvm"}));
    EXPECT_EQ(Pieces({"tpc"}), (V{}));
}

TEST(ArgumentReader, NextArgumentTakesAWholeArgument) {
    std::vector<std::string> args = {"tpc", "-o", "out/my-prog.exe", "prog"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    StartArguments(4, argv.data(), "-");
    EXPECT_STREQ(NextPiece(), "-o");
    EXPECT_STREQ(NextArgument(), "out/my-prog.exe");
    EXPECT_STREQ(NextPiece(), "prog");
    EXPECT_EQ(NextPiece(), nullptr);
    RestartArguments();
    EXPECT_STREQ(NextPiece(), "-o");
}

// --- Parsing, in process ---------------------------------------------------------------------

class CommandLineTest : public DriverTest {
protected:
    // Parses tpc's arguments; returns what was printed.
    std::string Parse(std::vector<std::string> args) {
        args.insert(args.begin(), "tpc");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        return Output([&] { ParseCommandLine(static_cast<int>(args.size()), argv.data()); });
    }
};

struct FlagCase {
    std::vector<std::string> args;
    std::vector<std::pair<int, bool>> flags;
};

TEST_F(CommandLineTest, FlagPieces) {
    const FlagCase cases[] = {
        {{"-r-", "p"}, {{opt::r, false}}},
        {{"-r", "p"}, {{opt::r, true}}},
        {{"-r-", "-r+", "p"}, {{opt::r, true}}},
        {{"-r-i-", "p"}, {{opt::r, true}, {opt::i, false}}},
        {{"-ri-", "p"}, {{opt::r, false}, {opt::i, false}}},
        {{"-ri+", "p"}, {{opt::r, true}, {opt::i, true}}},
        {{"-E-", "p"}, {{opt::E, false}, {opt::ety, false}, {opt::eui, false}, {opt::nu, false}}},
        {{"-E-", "-ety", "p"}, {{opt::ety, true}, {opt::eui, false}}},
        {{"-b", "-mb", "-mm", "-C", "p"}, {{opt::b, true}, {opt::mb, true}, {opt::mm, true}, {opt::C, true}}},
        {{"-ao-a4", "p"}, {{opt::ao, true}}},
        {{"-ao-", "p"}, {{opt::ao, false}}},
        {{"-zdm", "p"}, {{opt::zdm, true}}},
    };
    for (const FlagCase& c : cases) {
        InitOptions();
        InitMessages();
        const std::string out = Parse(c.args);
        EXPECT_EQ(out, "") << c.args[0];
        for (auto [id, on] : c.flags) EXPECT_EQ(IsFlagOption(id), on) << c.args[0] << " option " << id;
    }
}

TEST_F(CommandLineTest, NumberPieces) {
    struct Case {
        const char* arg;
        int id;
        int32_t value;   // expected value, or -1 when the piece is refused
    };
    const Case cases[] = {{"-S1", opt::S, 1024},     {"-S1024", opt::S, 1024 * 1024}, {"-S0", opt::S, -1},
                          {"-S1025", opt::S, -1},    {"-me0", opt::me, 0},         {"-mw999", opt::mw, 999},
                          {"-me1000", opt::me, -1},  {"-a8", opt::a, 8},           {"-a9", opt::a, -1},
                          {"-zbsm0x10", opt::zbsm, 16}, {"-zbsm010", opt::zbsm, 8}, {"-me", opt::me, -1}};
    for (const Case& c : cases) {
        InitOptions();
        InitMessages();
        const int32_t before = GetOption(c.id);
        const std::string out = Parse({c.arg, "p"});
        if (c.value < 0) {
            EXPECT_EQ(out, std::string("Error #89: Option '") + c.arg + "' is unknown or invalid.\n") << c.arg;
            EXPECT_EQ(GetOption(c.id), before) << c.arg;
        } else {
            EXPECT_EQ(out, "") << c.arg;
            EXPECT_EQ(GetOption(c.id), c.value) << c.arg;
        }
    }
}

TEST_F(CommandLineTest, MessageControlPieces) {
    Parse({"-W54+", "p"});
    EXPECT_FALSE(Message(54).flags & MSG_DISABLED);
    Parse({"-W-", "p"});
    EXPECT_TRUE(Message(47).flags & MSG_DISABLED);
    Parse({"-I5+", "p"});
    EXPECT_FALSE(Message(5).flags & MSG_DISABLED);
    Parse({"-zt+", "p"});
    EXPECT_FALSE(Message(170).flags & MSG_DISABLED);
    // 0x10 is message 16, which is not a TRACE message: refused, nothing changes.
    EXPECT_EQ(Parse({"-zt0x10+", "p"}), "Error #89: Option '-zt0x10+' is unknown or invalid.\n");
    EXPECT_FALSE(Message(16).flags & MSG_DISABLED);
}

TEST_F(CommandLineTest, UnknownPiecesAndSecondFileName) {
    EXPECT_EQ(Parse({"-x", "-", "p", "q"}), "Error #89: Option '-x' is unknown or invalid.\n"
                                            "Error #89: Option '-' is unknown or invalid.\n"
                                            "Error #89: Option 'q' is unknown or invalid.\n");
    EXPECT_EQ(ErrorCount(), 3);
    EXPECT_STREQ(SourceName(), "p.pas");
}

TEST_F(CommandLineTest, SourceAndOutputNames) {
    struct Case {
        std::vector<std::string> args;
        const char* source;
        const char* output;
    };
    const Case cases[] = {
        {{"prog"}, "prog.pas", "prog.tvm"},
        {{"prog.p"}, "prog.p", "prog.tvm"},
        {{"-oout.tvm", "prog"}, "prog.pas", "out.tvm"},
        {{"-o", "out/my-prog.exe", "prog.pas"}, "prog.pas", "out/my-prog.exe"},
        {{"-oout/my-prog.exe", "prog.pas"}, "prog.pas", "out/my-prog.exe"},
        {{"dir/my-prog.pas"}, "dir/my-prog.pas", "dir/my-prog.tvm"},
        {{"prog.TVM"}, "prog.TVM", "prog.tvm"},
    };
    for (const Case& c : cases) {
        InitCompileState();
        InitOptions();
        InitMessages();
        EXPECT_EQ(Parse(c.args), "");
        NameOutput();
        EXPECT_STREQ(SourceName(), c.source);
        EXPECT_STREQ(OutputName(), c.output);
    }
}

TEST_F(CommandLineTest, HeaderTakesTheRestOfTheArgument) {
    Parse({"-h/usr/bin/env tvm", "p"});
    EXPECT_STREQ(GetOptionText(opt::h), "/usr/bin/env tvm");
    Parse({"-h", "/usr/local/bin/tvm", "p"});
    EXPECT_STREQ(GetOptionText(opt::h), "/usr/local/bin/tvm");
}

// --- The program -------------------------------------------------------------------------------

using TpcRun = tarn::test::CommandResult;

TpcRun RunTpc(const std::string& args) {
    return tarn::test::RunCommand(std::string("'") + TPC_PROGRAM + "' " + args + " 2>&1");
}

const std::string kBanner = "Tarn Pascal 2.6 (Linux Edition)\nCompiler for the Tarn virtual machine, Linux x86-64.\n";

TEST(TpcProgram, NoArgumentsPrintsShortUsage) {
    const TpcRun r = RunTpc("");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kBanner +
                         "Usage:\ttpc [options] filename\n"
                         "   or \ttpc ?\n"
                         "   or \ttpc\n"
                         "where \t'options' modify the behavior of the compiler\n"
                         "  and \t'filename' is the file to be compiled\n");
}

TEST(TpcProgram, OptionsButNoFilePrintsShortUsage) {
    const TpcRun r = RunTpc("-r-");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Usage:\ttpc [options] filename\n   or \ttpc ?\n"), std::string::npos);
}

// The long usage, column by column, as the user's manual lists it.
const char* const kUsageColumns[] = {
    "-aN\tAlign on N bytes\t\t", "-ao*\tTrap assignment overflow errors\n", "-A*\tEnable asserts\t\t\t",
    "-b\tUse brief messages\n", "-C\tIdentifiers are case-sensitive\t", "-cm20\tCompatibility mode 2.0\n",
    "-ead*\tAuto-declare input & output\t", "-ebh*\tAllow binary/hex integers\n",
    "-eco*\tEnable non-standard constants\t", "-ecr*\tAllow constant ranges\n",
    "-edq*\tAllow double-quoted literals\t", "-efn*\tEnable non-standard functions\n",
    "-enn*\tAllow non-numeric labels\t", "-eop*\tEnable non-standard operators\n", "-eow*\tAllow otherwise\t\t\t",
    "-epr*\tEnable non-standard procedures\n", "-erd*\tAllow relaxed declarations\t",
    "-ety*\tEnable non-standard types\n", "-eui*\tAllow underscores in ids\t",
    "-eva*\tEnable non-standard variables\n", "-E*\tEnable all extensions\t\t", "-gs\tGenerate WinNT/2000 service\n",
    "-hTEXT\tAdd #!TEXT header\t\t", "-i*\tTrap I/O errors\n", "-I\tControl informatory messages\t",
    "-ln*\tInsert line number debug info\n", "-mb\tBorland compatible messages\t",
    "-mc*\tDisplay message context\n", "-meN\tMaximum errors = N\t\t", "-mm\tMicrosoft compatible messages\n",
    "-mwN\tMaximum warnings = N\t\t", "-nc\tAllow nested comments\n", "-nu*\tNon-standard unary operators\t",
    "-oNAME\tNAME = output filename\n", "-p\tRequire parentheses\t\t", "-r*\tTrap range errors\n",
    "-rtlf\tRun-time errors to logfile\t", "-rtmb*\tRun-time errors to message box\n",
    "-rtsc*\tRun-time errors to screen\t", "-s*\tUse strict var strings\n", "-sc*\tUse short-circuit evaluation\t",
    "-so\tMaximum stack overflow checking\n", "-Snn\tStack size in K (nn = 1-1024)\t",
    "-tf\tOpen temp files if no name\n", "-u*\tTrap use of undefined values\t",
    "-v*\tTrap use of inactive variants\n", "-W\tControl warning messages\t"};
const char* const kZColumns[] = {"-zbsmN\tBit set base type max = N\n", "-zdm\tDebug memory allocations\t",
                                 "-zml\tDisplay message list\n", "-zst\tMonitor stack temporaries\t",
                                 "-zt\tControl trace messages\n", "-zw\tGenerate word codes\t\t"};

std::string LongUsage(bool withZ) {
    std::string text = "Usage:\ttpc [options] filename\n\toptions:\t*=default; -x- turns option x off\n";
    for (const char* c : kUsageColumns) text += c;
    if (withZ)
        for (const char* c : kZColumns) text += c;
    return text + "\n";
}

TEST(TpcProgram, QuestionMarkPrintsLongUsage) {
    const TpcRun r = RunTpc("'?'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kBanner + LongUsage(false));
}

TEST(TpcProgram, TwoQuestionMarksAddTheZOptions) {
    const TpcRun r = RunTpc("'?" "?'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kBanner + LongUsage(true));
}

TEST(TpcProgram, MessageListShowsAll244) {
    const TpcRun r = RunTpc("-zml");
    EXPECT_EQ(r.status, 1);
    int rows = 0;
    size_t at = kBanner.size();
    const char* kinds[] = {"FATAL ", "ERROR ", "WARNING ", "INFORM ", "TRACE "};
    for (int n = 1; n <= 244; ++n) {
        bool found = false;
        for (const char* k : kinds) {
            const std::string head = std::string(k) + std::to_string(n) + " ";
            if (r.out.compare(at, head.size(), head) == 0) {
                found = true;
                break;
            }
        }
        ASSERT_TRUE(found) << "row " << n << " at " << r.out.substr(at, 40);
        ++rows;
        at = r.out.find('\n', at) + 1;
        if (n == 1) at = r.out.find('\n', at) + 1;   // the banner row has two lines
    }
    EXPECT_EQ(rows, 244);
    EXPECT_EQ(at, r.out.size());
    EXPECT_NE(r.out.find("\nERROR 145 Reset directive not in the correct order. (NO CONTEXT)\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nTRACE 244 Creating constant (kind=%d) (NO CONTEXT)\n"), std::string::npos);
}

TEST(TpcProgram, ImageAsSourceIsRefused) {
    const TpcRun r = RunTpc("prog.tvm");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kBanner + "Error #15: Can not open file 'prog.tvm'.\n");
}

TEST(TpcProgram, OverlongFileNameIsRefused) {
    const std::string name(300, 'n');
    const TpcRun r = RunTpc(name + ".pas");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kBanner + "Error #28: File name '" + name + ".pas' is too long\n");
}

TEST(TpcProgram, UnknownOptionStillCompilesAndFails) {
    const TpcRun r = RunTpc("-q prog");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind(kBanner + "Error #89: Option '-q' is unknown or invalid.\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find(" error(s) and 0 warning(s) were issued.\n"), std::string::npos);
}

}  // namespace
}  // namespace tarn::tpc::test
