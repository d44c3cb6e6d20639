// Images inside ELF executables. An image is either appended to a copy of a launcher
// (it starts where the ELF file's own contents end) or held in the launcher's section
// ".tarn_image" (added with objcopy --add-section). Every header field is checked against
// the file before it is used: a truncated or lying file is "not ELF", never a wild read.
#pragma once

#include <cstdint>

namespace tarn::rt {

// Where the bytes of one section lie in its file.
struct SectionExtent {
    uint64_t offset = 0;
    uint64_t size = 0;
};

// True when the file starts with the ELF magic (whatever follows).
bool IsElfFile(const char* fileName);

// The end of the ELF file's own contents: the largest end of the section header table,
// of every section with file contents and of every program header's file part. 0 when the
// file is not a well-formed little-endian ELF file, has no sections, or the end does not
// fit 32 bits.
uint32_t ElfContentsEnd(const char* fileName);

// Finds the ".tarn_image" section of a well-formed ELF file (null name: the running
// executable). False when there is none or it is empty.
bool FindImageSection(const char* fileName, SectionExtent& extent);

}  // namespace tarn::rt
