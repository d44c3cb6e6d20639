// tpc against sources built to hurt it: operator chains of 100,000 terms, nesting deeper
// than the compiler allows, a stack too small for the nesting it does allow, output names
// that name a source file, a case with 50,000 constants, and an interrupt in the middle of
// one long construct. Each case runs the real tpc (and tvm) as subprocesses on generated
// sources.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/run_command.h"

namespace {

namespace fs = std::filesystem;

using Result = tarn::test::CommandResult;

class TpcHardening : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tarn-hardening-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::string Read(const std::string& name) {
        std::ifstream in(dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Runs a shell command in the test directory: stdout and stderr together, exit code.
    Result Shell(const std::string& command) {
        return tarn::test::RunCommand("cd '" + dir.string() + "' && " + command + " 2>&1");
    }
    // tpc with `args`, its stack limited to `stackK` KiB as `ulimit -s` does.
    Result Tpc(const std::string& args, int stackK = 1024) {
        return Shell("ulimit -s " + std::to_string(stackK) + " && '" TPC_PROGRAM "' " + args);
    }
    Result Tvm(const std::string& image) { return Shell("'" TVM_PROGRAM "' " + image); }

    fs::path dir;
};

// What tpc prints that a test compares: everything but the two timing lines.
std::string Messages(const std::string& out) {
    std::string kept;
    size_t at = 0;
    while (at < out.size()) {
        size_t end = out.find('\n', at);
        end = end == std::string::npos ? out.size() : end + 1;
        const std::string line = out.substr(at, end - at);
        if (line.find(" lines compiled in ") == std::string::npos && line.rfind("Compilation speed", 0) != 0)
            kept += line;
        at = end;
    }
    return kept;
}

const std::string kBanner = "Tarn Pascal 2.6 (Linux Edition)\nCompiler for the Tarn virtual machine, Linux x86-64.\n";

// `first` followed by `count` copies of `term`, twenty to a line (lines are limited to 400
// characters).
std::string Chain(const std::string& first, const std::string& term, int count) {
    std::string text = first;
    for (int i = 1; i <= count; ++i) text += i % 20 == 0 ? term + "\n" : term;
    return text;
}

std::string Program(const std::string& declarations, const std::string& body) {
    return "program chain(output);\n" + declarations + "\nbegin\n" + body + "\nend.\n";
}

// --- Operator chains -------------------------------------------------------------------------

// Chains nest to the left, (((1 + 1) + 1) + ...), and once recursed per term while being
// checked and generated. Every one of these must compile with a 1 MiB stack and compute
// the right value.
TEST_F(TpcHardening, ChainsOf100000TermsCompileAndComputeTheirValue) {
    struct Case {
        const char* name;
        std::string options;
        const char* variable;
        std::string statement;
        std::string expected;
    };
    const int n = 100000;
    const Case cases[] = {
        {"sum", "", "i: integer", "i := " + Chain("1", " + 1", n) + "; writeln(i)", "  100001\n"},
        {"difference of a negated first term", "", "i: integer", "i := " + Chain("-1", " - 1", n) + "; writeln(i)",
         " -100001\n"},
        {"product", "", "i: integer", "i := " + Chain("1", " * 1", n) + "; writeln(i)", "       1\n"},
        {"integers turned real at the start", "", "r: real", "r := " + Chain("1", " + 0.5", n) + "; writeln(round(r))",
         "   50001\n"},
        {"boolean and, evaluated in full", "-sc-", "b: boolean", "b := " + Chain("true", " and true", n) + "; writeln(b)",
         "    true\n"},
        // Each short-circuit `and` keeps one word on the run-time stack until the end.
        {"boolean and, short-circuit", "-S1024", "b: boolean", "b := " + Chain("true", " and true", n) + "; writeln(b)",
         "    true\n"},
        {"boolean or", "-sc-", "b: boolean", "b := " + Chain("false", " or false", n) + "; writeln(b)", "   false\n"},
        {"set union", "", "t: set of 0..7", "t := " + Chain("[1]", " + [2]", n) + "; writeln(2 in t)", "    true\n"},
    };
    for (const Case& c : cases) {
        Write("chain.pas", Program(std::string("var ") + c.variable + ";", c.statement));
        fs::remove(dir / "chain.tvm");
        const Result compiled = Tpc(c.options + " chain.pas");
        ASSERT_EQ(compiled.status, 0) << c.name << "\n" << compiled.out.substr(0, 2000);
        EXPECT_EQ(Messages(compiled.out), kBanner + "0 error(s) and 0 warning(s) were issued.\n") << c.name;
        const Result ran = Tvm("chain.tvm");
        EXPECT_EQ(ran.status, 0) << c.name;
        EXPECT_EQ(ran.out, c.expected) << c.name;
    }
}

TEST_F(TpcHardening, StringConcatenationChainOf100000TermsCompiles) {
    Write("cat.pas", Program("var s: string;", "s := " + Chain("'a'", " + 'bc'", 100000)));
    const Result compiled = Tpc("cat.pas");
    EXPECT_EQ(compiled.status, 0) << compiled.out.substr(0, 2000);
    EXPECT_TRUE(fs::exists(dir / "cat.tvm"));
}

// --- Nesting -----------------------------------------------------------------------------------

// Nesting to the right cannot be flattened: past 400 levels the compiler stops with its
// "program too complex" message at the token where the 401st level starts, with a 1 MiB
// stack, sanitizers and all. One opener per line, so the line tells the level.
TEST_F(TpcHardening, DeepNestingStopsWithProgramTooComplexWhereTheLimitIsPassed) {
    struct Case {
        const char* name;
        const char* opener;
        const char* closer;
        const char* where;   // line and column of the message
    };
    const Case cases[] = {
        {"parentheses", "(", ")", "line 405, col 1"},
        {"negated parentheses", "-(", ")", "line 405, col 1"},
        {"not", "not", "", "line 405, col 1"},
        {"function calls", "abs(", ")", "line 405, col 1"},
        {"set constructors", "[", "]", "line 405, col 1"},
    };
    for (const Case& c : cases) {
        std::string body = "i :=\n";
        const int depth = 1000;
        for (int k = 0; k < depth; ++k) body += std::string(c.opener) + "\n";
        body += "1";
        for (int k = 0; k < depth; ++k) body += c.closer;
        Write("deep.pas", "program deep(output);\nvar i: integer;\nbegin\n" + body + "\nend.\n");
        const Result r = Tpc("deep.pas");
        EXPECT_EQ(r.status, 1) << c.name;
        const std::string message = std::string("Error #32: \"deep.pas\" (") + c.where +
                                    "): Implementation limit exceeded (program too complex).\n";
        EXPECT_NE(r.out.find(message), std::string::npos) << c.name << "\n" << r.out.substr(0, 2000);
        EXPECT_NE(r.out.find("1 error(s) and 0 warning(s) were issued.\n"), std::string::npos) << c.name;
        EXPECT_FALSE(fs::exists(dir / "deep.tvm")) << c.name;
    }
}

// The nesting the compiler allows still needs stack. When there is less than that, the
// stack overflow is reported as a fault of the compiler (from a stack of the fault
// handler's own), the compilation ends with exit code 1 and writes no image.
TEST_F(TpcHardening, StackOverflowIsReportedNotFatal) {
    std::string body = "i := ";
    for (int k = 0; k < 399; ++k) body += "(\n";
    body += "1";
    for (int k = 0; k < 399; ++k) body += ")";
    Write("deep.pas", "program deep(output);\nvar i: integer;\nbegin\n" + body + "\nend.\n");
    const Result r = Tpc("deep.pas", 64);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("): Compiler failure - Invalid memory access.\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 error(s) and 0 warning(s) were issued.\n"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir / "deep.tvm"));
    // With a stack of the usual size the same program compiles.
    EXPECT_EQ(Tpc("deep.pas").status, 0);
}

// --- The output never destroys an input ------------------------------------------------------

TEST_F(TpcHardening, OutputNamingTheSourceOrAnIncludeFileIsRefusedAndBothStayIntact) {
    const std::string mainText = "program m(output);\n{$i lib.inc}\nbegin\n  hello\nend.\n";
    const std::string libText = "procedure hello;\nbegin\n  writeln('hello')\nend;\n";
    Write("main.pas", mainText);
    Write("lib.inc", libText);
    fs::create_hard_link(dir / "main.pas", dir / "hard.tvm");
    fs::create_symlink("lib.inc", dir / "soft.exe");
    struct Case {
        const char* output;
        const char* where;   // the message's file and line
    };
    const Case cases[] = {
        {"main.pas", "\"main.pas\" (line 1)"}, {"./main.pas", "\"main.pas\" (line 1)"},
        {"hard.tvm", "\"main.pas\" (line 1)"}, {"lib.inc", "\"main.pas\" (line 2)"},
        {"./lib.inc", "\"main.pas\" (line 2)"}, {"soft.exe", "\"main.pas\" (line 2)"},
    };
    for (const Case& c : cases) {
        const Result r = Tpc(std::string("-o ") + c.output + " main.pas");
        EXPECT_EQ(r.status, 1) << c.output;
        EXPECT_NE(r.out.find(std::string("Error #60: ") + c.where + ": Output file '" + c.output +
                             "' is a source file of this compilation.\n"),
                  std::string::npos)
            << r.out;
        EXPECT_EQ(Read("main.pas"), mainText) << c.output;
        EXPECT_EQ(Read("lib.inc"), libText) << c.output;
    }
    // Untouched, the program still compiles and runs; a stale image of its own is replaced.
    Write("main.tvm", "stale");
    ASSERT_EQ(Tpc("main.pas").status, 0);
    EXPECT_EQ(Tvm("main.tvm").out, "hello\n");
}

// --- Case statements ---------------------------------------------------------------------------

std::string CaseProgram(const std::vector<int>& labels, int selector, const std::string& tail = "") {
    std::string text = "program c(output);\nvar i: integer;\nbegin\n  i := " + std::to_string(selector) +
                       ";\n  case i of\n";
    for (int v : labels) text += "    " + std::to_string(v) + ": writeln(" + std::to_string(v) + ");\n";
    return text + tail + "  end\nend.\n";
}

// Checking each constant against all earlier ones made 50,000 constants take seconds;
// whatever order they come in, they compile and the right branch runs.
TEST_F(TpcHardening, CaseWith50000ConstantsInAnyOrderCompilesAndRuns) {
    const int n = 50000;
    std::vector<int> up, down, scattered;
    for (int v = 0; v < n; ++v) up.push_back(v);
    for (int v = n - 1; v >= 0; --v) down.push_back(v);
    for (int v = 0; v < n; ++v) scattered.push_back(static_cast<int>((v * 7919LL) % n));
    for (const auto* labels : {&up, &down, &scattered}) {
        Write("c.pas", CaseProgram(*labels, 31337));
        ASSERT_EQ(Tpc("c.pas").status, 0);
        EXPECT_EQ(Tvm("c.tvm").out, "   31337\n");
    }
}

// A constant listed again is reported at that constant, however far apart the two are,
// and inside ranges too; only the first of two duplicates on a line is reported.
TEST_F(TpcHardening, DuplicateCaseConstantsAreReportedWhereTheySecondAppear) {
    std::vector<int> labels;
    for (int v = 0; v < 50000; v += 2) labels.push_back(v);
    const std::string tail = "    25001..25003: writeln('range');\n"   // 25002 taken
                             "    7: writeln(7);\n"
                             "    49998, 2, 4: writeln('again');\n"     // 49998 first; one error a line
                             "    -5..-1, 0: writeln('zero')\n";         // 0, at column 13
    Write("c.pas", CaseProgram(labels, 1, tail));
    const Result r = Tpc("c.pas");
    EXPECT_EQ(r.status, 1);
    const int last = 5 + static_cast<int>(labels.size());   // the line of the last generated constant
    auto at = [&](int line, int col) {
        return "Error #109: \"c.pas\" (line " + std::to_string(line) + ", col " + std::to_string(col) +
               "): Case constant specified more than once.\n";
    };
    const std::string messages = Messages(r.out);
    EXPECT_NE(messages.find(at(last + 1, 5)), std::string::npos) << messages;
    EXPECT_EQ(messages.find("(line " + std::to_string(last + 2)), std::string::npos) << messages;
    EXPECT_NE(messages.find(at(last + 3, 5)), std::string::npos) << messages;
    EXPECT_NE(messages.find(at(last + 4, 13)), std::string::npos) << messages;
    EXPECT_NE(messages.find("3 error(s) and 0 warning(s) were issued.\n"), std::string::npos) << messages;
}

TEST_F(TpcHardening, OtherwiseAfterConstantsCoveringTheSelectorInAnyOrderIsNeverUsed) {
    std::string text = "program c(output);\nvar c: 0..2999;\nbegin\n  c := 1;\n  case c of\n";
    for (int v = 2999; v >= 1000; --v) text += "    " + std::to_string(v) + ": ;\n";
    text += "    500..999, 0..499: writeln('low')\n  otherwise writeln('never')\n  end\nend.\n";
    Write("c.pas", text);
    const Result r = Tpc("c.pas");
    EXPECT_EQ(Messages(r.out), kBanner +
                                   "Warning #46: \"c.pas\" (line 2007, col 3): 'otherwise' or 'else' can never be used.\n"
                                   "  otherwise writeln('never')\n"
                                   "  ^\n"
                                   "0 error(s) and 1 warning(s) were issued.\n");
}

// --- Interrupts --------------------------------------------------------------------------------

// tpc compiles a source that arrives through a named pipe. The test sends the start of a
// program whose last statement is one long case, and once tpc has read most of it, a
// signal; then the rest of the program, complete. tpc must stop inside the case with the
// break message, exit 1 and write no image (before, it ran on to the end and succeeded).
TEST_F(TpcHardening, InterruptOrTerminateInsideOneLongConstructStopsTheCompilation) {
    for (int sig : {SIGINT, SIGTERM}) {
        const fs::path fifo = dir / "big.pas";
        fs::remove(fifo);
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            dup2(out[1], 1);
            dup2(out[1], 2);
            close(out[0]);
            close(out[1]);
            if (chdir(dir.c_str()) != 0) _exit(127);
            execl(TPC_PROGRAM, TPC_PROGRAM, "big.pas", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        const auto oldPipe = std::signal(SIGPIPE, SIG_IGN);   // tpc may close the source early
        // Waits for tpc to open its source, but not for ever.
        int source = -1;
        for (int tries = 0; source < 0 && tries < 6000; ++tries) {
            source = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (source < 0) usleep(10000);
        }
        ASSERT_GE(source, 0) << "tpc never opened its source";
        fcntl(source, F_SETFL, fcntl(source, F_GETFL) & ~O_NONBLOCK);
        auto send = [&](const std::string& text) {
            for (size_t done = 0; done < text.size();) {
                const ssize_t w = write(source, text.data() + done, text.size() - done);
                if (w <= 0) return;
                done += static_cast<size_t>(w);
            }
        };
        auto labels = [](int from, int to) {
            std::string text;
            for (int v = from; v < to; ++v) text += std::to_string(v) + ": i := " + std::to_string(v) + ";\n";
            return text;
        };
        // Far more than a pipe holds: when the write returns, tpc is inside the case.
        send("program big;\nvar i: integer;\nbegin\n  i := 1;\n  case i of\n" + labels(0, 20000));
        kill(child, sig);
        send(labels(20000, 40000) + "  end\nend.\n");
        close(source);
        // A tpc that ignored the signal and then waited on the closed pipe would hang the
        // test: two minutes at most, then it is killed and the test fails.
        std::string text;
        char buf[4096];
        bool finished = false;
        for (int seconds = 0; seconds < 120 && !finished;) {
            pollfd p{out[0], POLLIN, 0};
            const int ready = poll(&p, 1, 1000);
            if (ready == 0) {
                ++seconds;
                continue;
            }
            const ssize_t n = read(out[0], buf, sizeof buf);
            if (n > 0) text.append(buf, static_cast<size_t>(n));
            else finished = true;
        }
        if (!finished) kill(child, SIGKILL);
        EXPECT_TRUE(finished) << "tpc did not end";
        close(out[0]);
        int status = 0;
        waitpid(child, &status, 0);
        std::signal(SIGPIPE, oldPipe);
        ASSERT_TRUE(WIFEXITED(status)) << sig;
        EXPECT_EQ(WEXITSTATUS(status), 1) << sig;
        EXPECT_NE(text.find("): Compilation terminated by the user.\n"), std::string::npos) << text;
        EXPECT_NE(text.find("1 error(s) and 0 warning(s) were issued.\n"), std::string::npos) << text;
        EXPECT_FALSE(fs::exists(dir / "big.tvm")) << sig;
    }
}

}  // namespace
