// The console launcher, shipped as "console.app". A copy of it with an image attached (an
// appended image, or a ".tarn_image" section) is a program's stand-alone executable: the
// launcher finds the image in its own file and hands it, with every command-line argument,
// to the run-time engine. It has no options of its own.
//
// Signals are handled as in every launcher (launchers/signals.h).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits.h>
#include <unistd.h>

#include "launchers/signals.h"
#include "runtime/loader_messages.h"
#include "runtime/tarnrt.h"

namespace {

constexpr size_t kMaxPath = 260;
constexpr const char* kSelf = "/proc/self/exe";

// The full path of the launcher's own file; /proc/self/exe itself when the path does not
// fit the 260-character name limit (the file is the same, only the log file is lost).
const char* OwnPath(char (&buf)[PATH_MAX]) {
    ssize_t n = readlink(kSelf, buf, sizeof buf - 1);
    if (n <= 0 || static_cast<size_t>(n) > kMaxPath) return kSelf;
    buf[n] = 0;
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    tarn::launcher::InstallSignalHandlers();
    char buf[PATH_MAX];
    const char* self = OwnPath(buf);
    if (CheckImageForResource(nullptr)) return RunConsoleFromResource(argc, argv, self, 0, 0, 0);
    // 0: the file's ELF contents cannot be measured (a damaged header), so there is no
    // appended image to find either.
    uint32_t offset = CalcSizeOfImageFile(self);
    if (offset == 0) {
        std::fputs(tarn::rt::kInvalidExecutableMessage, stdout);
        return 1;
    }
    return RunConsoleFromFile(argc, argv, self, offset, 1, 0, 0, 0);
}
