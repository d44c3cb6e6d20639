// tpc, the command-line compiler: installs whatever parts of the compiler this build
// links, then runs the driver.
#include "compiler/driver/compeng.h"
#include "compiler/driver/steps.h"

int main(int argc, char** argv) {
#ifdef TARN_WITH_FRONT
    tarn::tpc::InstallFrontSteps(tarn::tpc::Steps());
#endif
#ifdef TARN_WITH_CODEGEN
    tarn::tpc::InstallCodegenSteps(tarn::tpc::Steps());
#endif
    return tarn::tpc::TpcMain(argc, argv);
}
