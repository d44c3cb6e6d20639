// image: everything the compiler produces, and the image writer.
//
// While the program is parsed the section buffers kept here fill up: the lexer records each
// source name as it opens the file, the declaration model pools literals and variant tables
// into the fixed data, and the code generator appends code, fix-ups and the line table;
// sizes are counted against the 32-bit limits as they grow. At the end of a compilation
// without errors the driver calls WriteImage once, which turns all of it into one image
// (docs/image-format.md): a plain image file, or, for an output name ending in ".exe" (any
// case), a copy of the console or service launcher with the image appended.
//
// There is one output state per compilation; these functions work on it.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/base/databuf.h"

namespace tarn::tpc {

// The launcher files the executable builder copies.
inline constexpr const char* CONSOLE_LAUNCHER = "console.app";
inline constexpr const char* SERVICE_LAUNCHER = "service.app";

// Resets sizes and header values and creates the section buffers ("Out of memory." when
// one cannot be created).
void InitOutputState();

// Remembers the output name and the "#!" header text (empty: none) and creates the line
// table when option ln is on. An output name that names a source file already opened (the
// same file, whatever the name: links and "./" paths too) is refused with the FATAL
// "Output file '%s' is a source file of this compilation."; nothing is then ever written
// to it or removed. A stale file of that name is only removed by WriteImage.
void OpenOutput(const char* outputName, const char* headerText);

// Append to the code or the fixed data; past 2^32-1 bytes in all, the append is refused
// with "Implementation limit exceeded (size of code)." or "(size of fixed data).".
void AppendCode(const void* bytes, uint32_t size);
void AppendFixedData(const void* bytes, uint32_t size);
// AppendCode that returns the code offset the bytes start at (the code size before).
uint32_t AppendCodeAt(const void* bytes, uint32_t size);
// AppendCodeAt for one instruction of `size` bytes (1..DATA_BUFFER_PAD) held at the start
// of a block of DATA_BUFFER_PAD bytes (the emitters' scratch area). Inline while the code
// section's tail block has room for the whole block; else the checked append.
uint32_t AppendCodePaddedSlow(const uint8_t* block, uint32_t size);
namespace image_internal {
extern DataBuffer* gCode;    // the code section (built by InitOutputState)
extern uint32_t gCodeSize;   // its size: GetCodeSize()
}  // namespace image_internal
// Where a padded instruction can be stored straight into the code section's tail block;
// null when the block or the code size has no room for it (the checked append then).
inline uint8_t* CodeRoomForPadded() {
    if (image_internal::gCodeSize > UINT32_MAX - DATA_BUFFER_PAD) return nullptr;
    return DataBufferPaddedRoom(image_internal::gCode);
}

// Counts `size` bytes just stored at CodeRoomForPadded(); returns the offset they start at.
inline uint32_t CountCodeStored(uint32_t size) {
    const uint32_t at = image_internal::gCodeSize;
    image_internal::gCode->iCount += (int32_t)size;
    image_internal::gCodeSize = at + size;
    return at;
}

inline uint32_t AppendCodePadded(const uint8_t* block, uint32_t size) {
    uint8_t* room = size - 1 < DATA_BUFFER_PAD ? CodeRoomForPadded() : nullptr;
    if (room != nullptr) {
        std::memcpy(room, block, DATA_BUFFER_PAD);
        return CountCodeStored(size);
    }
    return AppendCodePaddedSlow(block, size);
}

// The same for data whose place the caller keeps: each returns the offset the data got.
// AppendFixedTable stores `count` 32-bit words little-endian and records them as a
// data-swap run, so that an engine of the other byte order can swap them.
uint32_t AppendFixedBytes(const void* bytes, uint32_t size);
uint32_t AppendFixedTable(const uint32_t* words, uint32_t count);

// Bytes appended so far: the offset the next instruction or datum gets.
uint32_t GetCodeSize();
uint32_t GetFixedDataSize();

// At write time `value` is added (modulo 2^32) to the 32-bit code word at `codePosition`.
void AddFixup(uint32_t codePosition, uint32_t value);

// Records a table of `wordCount` 32-bit words at `dataOffset` in the fixed data, which an
// engine of the other byte order must swap.
void AddDataSwapRun(uint32_t dataOffset, uint32_t wordCount);

// Records a source file name; the lexer calls it as it opens each file. A source that is
// the existing output file is refused as in OpenOutput.
void AddSourceName(const char* name);

void SetGlobalsSize(uint32_t size);   // becomes the image's data_base
void SetEntryPoint(uint32_t offset);  // code offset where execution begins

// Line table: line `line` begins at code offset `offset` (0: seen, no code yet). Each
// line keeps the first non-zero offset reported for it; lines skipped get 0. Does
// nothing when option ln was off at OpenOutput.
void MarkLine(uint32_t line, uint32_t offset);

// Removes a stale regular file of the output name ("Removing '%s'"; "Access to file '%s'
// failed." when it cannot be removed), then builds the image and writes it to the output
// name as a new file. Writes only when no error has been reported and the compilation is
// `complete` (false: some construct has no code), and not again while it is already
// running; does nothing at all when the output was refused. The stack size is option S's.
void WriteImage(bool complete = true);

// Where the executable builder looks for launchers before PATH: the compiler's own
// directory unless set here ("" restores that default).
void SetLauncherDirectory(const char* directory);

}  // namespace tarn::tpc
