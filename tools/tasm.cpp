// tasm: assembles a text program into an image.
//   tasm source.tasm [-o image.tvm]
// Without -o the image is written beside the source with the extension .tvm.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/asm.h"

namespace {

int Usage() {
    std::cerr << "usage: tasm source.tasm [-o image.tvm]\n";
    return 1;
}

std::string DefaultOutput(const std::string& source) {
    size_t slash = source.find_last_of('/');
    size_t dot = source.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return source + ".tvm";
    return source.substr(0, dot) + ".tvm";
}

}  // namespace

int main(int argc, char** argv) {
    std::string source, output;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-o") {
            if (++i >= argc) return Usage();
            output = argv[i];
        } else if (source.empty() && !arg.empty() && arg[0] != '-') {
            source = arg;
        } else {
            return Usage();
        }
    }
    if (source.empty()) return Usage();
    if (output.empty()) output = DefaultOutput(source);

    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::cerr << "tasm: cannot open '" << source << "'\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();

    std::string errors;
    std::vector<uint8_t> image = tarn::tools::Assemble(text.str(), source, errors);
    if (!errors.empty()) {
        std::cerr << errors;
        return 1;
    }
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) {
        std::cerr << "tasm: cannot write '" << output << "'\n";
        std::remove(output.c_str());
        return 1;
    }
    return 0;
}
