// The loader: finds an image (a file, an image appended to an executable, or an executable's
// ".tarn_image" section), checks its header, loads its records into the code segment and
// VM memory, reads the line table, converts a foreign byte order, and sets up and runs the
// program. Its messages go to standard output with their exact texts; header failures
// return to the caller, record and read failures end the process with exit code 1.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "vm/image.h"

namespace tarn::rt {

// ---- Image source --------------------------------------------------------------------

// A byte source over a file (from an offset on) or over a section's bytes held in memory.
struct ImageSource {
    enum class Kind { None, File, Resource };
    Kind kind = Kind::None;
    // File
    std::FILE* file = nullptr;
    uint32_t start = 0;  // offset of the image inside the file
    // Resource: [begin, end), read position pos; the block is owned and freed on close.
    uint8_t* begin = nullptr;
    uint8_t* end = nullptr;
    uint8_t* pos = nullptr;
};

// Reads exactly n bytes; false (and nothing consumed from a Resource) when fewer are there.
bool SourceRead(ImageSource& src, void* buffer, size_t n);
// Seeks to offset from the start of the image.
bool SourceSeek(ImageSource& src, uint32_t offset);
void SourceClose(ImageSource& src);

// The file a name refers to: a name with a '/' as given; a bare name in the current
// directory, else in the first PATH directory that holds it (':' separated; directories of
// 260 characters or more, and joined names that would reach 260, are skipped). Empty when
// nothing readable (and not a directory) is found.
std::string FindImagePath(const char* name);

// Opens the file FindImagePath names at image offset. False when nothing opens or the seek
// fails.
bool OpenImageFile(ImageSource& src, const char* name, uint32_t offset);

// Opens the ".tarn_image" section of an executable (null: the running one).
bool OpenImageSection(ImageSource& src, const char* exeName);

// The exiting reads for fixed fields: a short read prints "[TARNAPP] ERROR: Read failure.\n"
// and ends the process with exit code 1. ReadWord converts from the image's byte order.
uint8_t ReadByte(ImageSource& src);
uint32_t ReadWord(ImageSource& src, bool swapped);

// ---- Header ----------------------------------------------------------------------------

struct ImageHeader {
    uint8_t byteOrder = 0;
    bool swapped = false;       // the image's byte order is not the host's
    uint32_t version = 0;
    uint32_t flags = 0;
    bool wordOpcodes = false;   // flag bit 0
    uint32_t time[6] = {};      // year-1900, month, day, hour, minute, second (unused)
    uint32_t codeSize = 0;
    uint32_t dataBase = 0;
    uint32_t dataSize = 0;
    uint32_t stackSize = 0;     // as written; the layout uses align4 of it
    uint32_t entryOffset = 0;
    uint32_t stackLow = 0;      // align4(data_base + data_size)
    uint32_t stackTop = 0;      // STKTOP = stackLow + align4(stack_size)
};

// What a header that ends early does: end the process (loading a program), or refuse
// the image (inspecting it, where the caller's process must go on).
enum class ShortRead { Exit, Refuse };

// Skips a "#!" line and reads and checks the header, in the order the checks are made;
// on failure prints the check's message and returns false. Reserves nothing.
bool CheckHeader(ImageSource& src, ImageHeader& header, ShortRead mode);

// ---- Records ---------------------------------------------------------------------------

struct Record {
    uint8_t id = 0;
    uint32_t length = 0;
    uint8_t data[vm::kMaxRecordData];
};

enum class RecordFault {
    None,
    FieldRead,  // id, length or check byte missing
    DataRead,   // length above the limit or data bytes missing
    CheckSum,   // the record's byte sum is not 0 mod 256
};

// Reads one record without ending the process on failure.
RecordFault ReadRecord(ImageSource& src, bool swapped, Record& record);

// ---- Loading and running -------------------------------------------------------------------

// Load steps 1-4 into g_engine: header check, code block and VM window, records, line
// table, closing the source, code conversion. False when the header check failed (its
// message printed, the source closed); other failures end the process.
bool LoadImage(ImageSource& src);

// Load step 5: run set-up, the interpreter, then ReleaseImage. Returns the exit code.
int RunProgram(int argc, char** argv, int skipCount);

// Frees the code segment, the VM window and the line table.
void ReleaseImage();

// Allocates n host bytes; on failure prints "[TARNRUN] ERROR: Memory allocation failure!\n",
// releases resources and ends the process with exit code 1. (GetMem's allocator.)
void* HostAlloc(uint64_t n);

}  // namespace tarn::rt
