// File helpers for the engine's unit tests: per-process temporary paths and reading back
// what a test (or a child process that ended in a run-time error) wrote.
#pragma once

#include <unistd.h>

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
