// Run-time error reports with code addresses (tvm -a) for the program cases whose failing
// instruction has several live stack words under it (tests/programs/engine/lazy_err_*.tasm):
// under the native tier and under the interpreter the report names the failing
// instruction's line and code address. Each case marks the failing instruction with a
// `.line` of its own, so the address is where that line begins in the image's line table,
// read from the tdis listing (".line N, X").
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "tests/support/run_command.h"

namespace {

using tarn::test::RunCommand;

const std::string kTasm = TASM_PATH;
const std::string kTdis = TDIS_PATH;
const std::string kTvm = TVM_PATH;
const std::string kCases = CASES_DIR;
const std::string kWork = WORK_DIR;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Assembles the case into the work directory; the image's path.
std::string Assemble(const std::string& name) {
    std::filesystem::create_directories(kWork);
    const std::string image = kWork + "/" + name + ".tvm";
    auto r = RunCommand(kTasm + " " + kCases + "/" + name + ".tasm -o " + image + " 2>&1");
    EXPECT_EQ(r.status, 0) << r.out;
    return image;
}

// The code offset where source line `line` begins, from the tdis listing; -1 if not listed.
long LineStart(const std::string& image, int line) {
    auto r = RunCommand(kTdis + " " + image + " 2>&1");
    EXPECT_EQ(r.status, 0) << r.out;
    std::smatch m;
    const std::regex entry("\\.line " + std::to_string(line) + ", ([0-9]+)\n");
    return std::regex_search(r.out, m, entry) ? std::stol(m[1]) : -1;
}

class LazyStackAddresses : public testing::TestWithParam<const char*> {};

TEST_P(LazyStackAddresses, ReportNamesTheFailingInstructionUnderBothTiers) {
    const std::string name = GetParam();
    const std::string expected = ReadFile(kCases + "/" + name + ".out");
    // The output ends with "\nERROR: line N, message\n"; with -a, " address XXh:" follows
    // the line. What the program printed before stays as it is.
    const size_t at = expected.rfind("\nERROR: line ");
    ASSERT_NE(at, std::string::npos) << expected;
    std::smatch m;
    const std::string tail = expected.substr(at);
    ASSERT_TRUE(std::regex_match(tail, m, std::regex("\nERROR: line ([0-9]+), ([^\n]+)\n"))) << tail;
    const int line = std::stoi(m[1]);
    const std::string message = m[2];
    const std::string image = Assemble(name);
    const long start = LineStart(image, line);
    ASSERT_GE(start, 0) << "no line " << line << " in " << image;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%lX", start);
    const std::string report = expected.substr(0, at) + "\nERROR: line " + std::to_string(line) + ", address " +
                               hex + "h: " + message + "\n";
    for (const std::string tier : {"default", "interp"}) {
        const std::string env = tier == "interp" ? "env TARN_TIER=interp " : "env -u TARN_TIER ";
        auto r = RunCommand("cd " + kWork + " && " + env + kTvm + " -a " + image + " 2>/dev/null");
        EXPECT_EQ(r.out, report) << name << " under the " << tier << " tier";
        EXPECT_EQ(r.status, 1) << name << " under the " << tier << " tier";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LazyStackAddresses,
                         testing::Values("lazy_err_chkptr", "lazy_err_chkrng", "lazy_err_chkrng_const",
                                         "lazy_err_chkud", "lazy_err_div", "lazy_err_divr", "lazy_err_kept_undefined",
                                         "lazy_err_kept_undefined_inc", "lazy_err_kept_undefined_real",
                                         "lazy_err_kept_undefined_store", "lazy_err_memory",
                                         "lazy_err_real_trap", "lazy_err_stack_guard", "lazy_err_stack_low",
                                         "lazy_err_stack_low_store"));

}  // namespace
