// The image disassembler: prints an image as text in the assembler's own syntax, so that
// the listing of an image written by tasm assembles back to the same bytes. Header fields,
// the record list, check bytes and offsets are shown in comments.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tarn::tools {

struct Listing {
    std::string text;   // everything that could be read
    std::string error;  // empty when the image is sound; otherwise what is wrong and where
};

// Never fails outright: a corrupt or truncated image yields the part that could be read
// and a message in `error`.
Listing Disassemble(std::span<const uint8_t> image);

}  // namespace tarn::tools
