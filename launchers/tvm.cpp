// tvm, the image runner: `tvm [-a | --addresses] image.tvm arguments...` runs an image file
// with the given arguments. The program sees the image path as paramstr(0) and the
// arguments after it as paramstr(1), (2), ... . With -a run-time error reports carry the
// code address of the failing instruction. The exit code is the program's, or 1 when the
// image could not be started.
//
// Signals are mapped as the console launcher maps them: SIGINT and SIGTERM stop the program
// at its next instruction ("User abort"); faults become run-time errors with exit code 1.
// While a program runs, the engine handles faults inside the VM window itself and passes
// every other SIGSEGV on to the handler installed here.
#include <cstdio>
#include <cstring>

#include "launchers/signals.h"
#include "runtime/tarnrt.h"

namespace {

bool IsAddressesOption(const char* arg) {
    return std::strcmp(arg, "-a") == 0 || std::strcmp(arg, "--addresses") == 0;
}

}  // namespace

int main(int argc, char** argv) {
    int image = 1;
    int showAddresses = 0;
    if (argc > 1 && IsAddressesOption(argv[1])) {
        showAddresses = 1;
        image = 2;
    }
    if (argc <= image) {
        std::fputs("usage: tvm [-a] image.tvm [arguments...]\n", stderr);
        return 1;
    }
    tarn::launcher::InstallSignalHandlers();
    // Everything up to the image belongs to the runner, so paramstr(0) is the image.
    return RunConsoleFromFile(argc, argv, argv[image], 0, image + 1, 0, showAddresses, 0);
}
