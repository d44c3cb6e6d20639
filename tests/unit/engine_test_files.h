// File helpers for the engine's unit tests: per-process temporary paths and reading back
// what a test (or a child process that ended in a run-time error) wrote.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace tarn::rt::test {

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A path in $TMPDIR (default /tmp) unique to this process: tag names the test binary.
inline std::string TempPathFor(const std::string& tag, const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    std::string base = (dir && *dir) ? dir : "/tmp";
    return base + "/tarn-" + tag + "-" + std::to_string(getpid()) + "-" + name;
}

}  // namespace tarn::rt::test

// The statement must end the process with exit code 1 after writing the run-time error
// report "\nERROR: message\n" to standard output; the child's output goes to path.
#define EXPECT_RUNTIME_ERROR_IN(path, statement, message)                                 \
    do {                                                                                  \
        std::string out_ = (path);                                                        \
        EXPECT_EXIT(                                                                      \
            {                                                                             \
                std::fflush(stdout);                                                      \
                int fd_ = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);         \
                if (fd_ < 0 || dup2(fd_, STDOUT_FILENO) < 0) std::_Exit(99);              \
                statement;                                                                \
                std::_Exit(98);                                                           \
            },                                                                            \
            ::testing::ExitedWithCode(1), "");                                            \
        EXPECT_EQ(::tarn::rt::test::ReadFile(out_), std::string("\nERROR: ") + (message) + "\n"); \
        std::remove(out_.c_str());                                                        \
    } while (0)
