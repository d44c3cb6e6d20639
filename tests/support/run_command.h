// Runs a shell command for a test and collects what it printed (standard output and
// whatever the command redirects there) and its exit code.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace tarn::test {

struct CommandResult {
    std::string out;
    int status;  // the exit code; -1 when the command could not run or ended on a signal
};

inline CommandResult RunCommand(const std::string& command) {
    CommandResult run{{}, -1};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) run.out.append(buf, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace tarn::test
