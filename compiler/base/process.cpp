// process: the compiler's own directory and the user-break flag (see process.h).
#include "compiler/base/process.h"

#include <climits>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "compiler/base/options.h"

namespace tarn::tpc {

volatile std::sig_atomic_t gUserBreak = 0;

namespace {
std::string gInstallDir;
}  // namespace

const char* InstallDir() { return gInstallDir.c_str(); }

void SetInstallDir(const char* argv0) {
    char path[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
    std::string full;
    if (n > 0) {
        full.assign(path, static_cast<size_t>(n));
    } else if (argv0 && realpath(argv0, path)) {
        full = path;
    }
    const size_t slash = full.rfind('/');
    const bool fits = slash != std::string::npos && slash + 1 <= MAX_NAME_LENGTH;
    gInstallDir = fits ? full.substr(0, slash + 1) : "";
}

}  // namespace tarn::tpc
