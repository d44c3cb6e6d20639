// tdis: prints an image as assembler text.
//   tdis image.tvm
// The listing goes to standard output; when the image is damaged, the part that could be
// read is still printed and the fault goes to standard error with exit code 1.
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "tools/dis.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tdis image.tvm\n";
        return 1;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "tdis: cannot open '" << argv[1] << "'\n";
        return 1;
    }
    std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    tarn::tools::Listing listing = tarn::tools::Disassemble(image);
    std::cout << listing.text;
    if (!listing.error.empty()) {
        std::cout.flush();
        std::cerr << "tdis: " << argv[1] << ": " << listing.error << "\n";
        return 1;
    }
    return 0;
}
