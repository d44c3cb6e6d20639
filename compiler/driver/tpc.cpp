// tpc, the command-line compiler.
#include "compiler/driver/compile.h"

int main(int argc, char** argv) { return tarn::tpc::TpcMain(argc, argv); }
