// The image assembler: turns the text syntax of docs/assembler.md into an image that the
// engine loads. Mnemonics, operand shapes, header words and record ids all come from the
// shared tables in vm/, so the assembler accepts exactly the machine's instruction set.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::tools {

// Assembles one source text. Every problem is appended to `errors` as a line
// "file:line: message\n"; the result is empty whenever there was one.
std::vector<uint8_t> Assemble(std::string_view source, std::string_view file_name,
                              std::string& errors);

}  // namespace tarn::tools
