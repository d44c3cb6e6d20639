// Files, text I/O and directories: the file objects behind the language's file variables,
// the standard input and output, text reads and writes, block and raw transfers, and the
// file-system routines.
//
// A file variable in VM memory is one word: 0xFFFFFFFF (or 0) while undefined, otherwise
// a handle naming an entry of the engine's file table. The entry owns the C stream, the
// name and the flags; only the element buffer (f^) lives in VM memory, in a block the
// engine allocates inside the VM window, because the program reads and writes it directly.
// Directory variables work the same way with a table of open directories. Stack layouts of
// every routine are in docs/files.md.
//
// files.cpp   the table, open/close, the buffer discipline, positions, block transfers
// textio.cpp  text writes and reads
// dirs.cpp    directories and the file-system routines that work on names
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "runtime/engine.h"

namespace tarn::rt {

// Mode bits of an open file.
inline constexpr uint32_t kModeInput = 1;
inline constexpr uint32_t kModeOutput = 2;
inline constexpr uint32_t kModeAppend = 4;
inline constexpr uint32_t kModeTemporary = 32;
inline constexpr uint32_t kModeBinary = 64;

// Longest file name a file object keeps.
inline constexpr size_t kMaxFileName = 255;

// Last kind of transfer on a stream: C requires a flush or seek between the two directions.
enum class Transfer : uint8_t { None, Read, Write };

struct FileObject {
    std::FILE* stream = nullptr;
    uint32_t mode = 0;          // 0 closed
    std::string name;
    uint32_t elementSize = 1;   // bytes per element (1 for text files)
    uint32_t buffer = 0;        // VM address of the element buffer (f^)
    uint32_t bufferSize = 0;    // bytes allocated for it
    bool pending = false;       // the buffer holds an element not yet consumed by get/put
    bool lookahead = false;     // ... and it was read ahead from the stream (routine 13)
    long savedPosition = -1;    // stream position before the read-ahead
    int aheadByte = 0;          // a one-byte element read ahead, to put back with ungetc
    Transfer last = Transfer::None;
    bool standard = false;      // bound to the process's standard input or output
    bool pipe = false;          // opened with popen
    std::string tempPath;       // a temporary file this object created (removed on close)
};

// Registers routines 12-61 (files and directories), 64, 65, 132, 133, 150, 178, 183, 184
// and 191-194.
void RegisterFileRoutines();

// Closes every file and directory of the run (temporary files are removed, the standard
// streams are flushed but stay open) and forgets them. Done at the end of a run; the VM
// window, and with it every buffer, goes away afterwards.
void ReleaseFiles();

// ---- Shared by the modules of the family ------------------------------------------------
//
// Text I/O runs these for every value a program reads or writes, so the common case of each
// is inline and anything unusual goes to a function in files.cpp.

// The file objects of the run: handle h (the file variable's word) is entry h - 1. Only
// files.cpp adds or removes entries.
extern std::vector<std::unique_ptr<FileObject>> g_fileTable;

// The file object named by the variable at fv; null when the variable is undefined (or
// holds a word that names no file object).
inline FileObject* FileOf(uint32_t fv) {
    uint32_t h = VmWord(fv);
    if (h == 0 || h > g_fileTable.size()) return nullptr;
    return g_fileTable[h - 1].get();
}

// The object for fv, created with the element size when the variable is undefined.
FileObject& FileFor(uint32_t fv, uint32_t elementSize);

inline bool IsOpen(const FileObject& f) { return f.mode != 0 && f.stream != nullptr; }
inline bool CanRead(const FileObject& f) { return IsOpen(f) && (f.mode & kModeInput); }
inline bool CanWrite(const FileObject& f) { return IsOpen(f) && (f.mode & (kModeOutput | kModeAppend)); }
inline bool IsText(const FileObject& f) { return (f.mode & kModeBinary) == 0; }

// Before reading: puts back an element read ahead for f^ (error 10 when that fails) and
// flushes after a write. False when an error was recorded.
bool PrepareReadSlow(FileObject& f);
inline bool PrepareRead(FileObject& f) {
    if (!f.pending && f.last != Transfer::Write) return true;
    return PrepareReadSlow(f);
}

// Before writing: repositions after a read, as C requires.
void Reposition(FileObject& f);
inline void PrepareWrite(FileObject& f) {
    if (f.last == Transfer::Read && !f.standard && !f.pipe) Reposition(f);
}

// The stream functions without their lock are used on hot paths: streams of file objects
// are only ever used by the program's own thread.

// Puts c, just read from s, back. A character still in the C library's buffer is stepped
// back over, as ungetc itself would do it, without ungetc's lock; EOF is left alone.
inline void UngetChar(std::FILE* s, int c) {
    if (c == EOF) return;
#ifdef __GLIBC__
    if (s->_IO_read_ptr > s->_IO_read_base && static_cast<unsigned char>(s->_IO_read_ptr[-1]) == c) {
        --s->_IO_read_ptr;
        s->_flags &= ~_IO_EOF_SEEN;
        return;
    }
#endif
    std::ungetc(c, s);
}

// Writes n bytes; false when the stream fails. While the C library's buffer has room they
// are copied straight into it, which is what putc would do for each of them. There is no
// room on a stream that was last read, and none on a line-buffered or unbuffered one:
// there the end of the room stays at (or, once text is buffered, behind) the write
// position, so the difference is compared signed. Those streams always take fwrite.
inline bool PutChars(std::FILE* s, const char* p, size_t n) {
#ifdef __GLIBC__
    if (s->_IO_write_end - s->_IO_write_ptr >= static_cast<std::ptrdiff_t>(n)) {
        std::memcpy(s->_IO_write_ptr, p, n);
        s->_IO_write_ptr += n;
        return true;
    }
#endif
    return fwrite_unlocked(p, 1, n, s) == n;
}

// One character of a text stream (carriage returns are dropped); EOF at the end.
inline int TextGetc(FileObject& f) {
    int c;
    do c = getc_unlocked(f.stream);
    while (c == '\r');
    return c;
}

// The next character, left unread (EOF at the end); carriage returns before it are consumed
// in a text file.
int PeekCharSlow(FileObject& f);
inline int PeekChar(FileObject& f) {
#ifdef __GLIBC__
    std::FILE* s = f.stream;
    if (s->_IO_read_ptr < s->_IO_read_end) {
        int c = static_cast<unsigned char>(*s->_IO_read_ptr);
        if (c != '\r') return c;
    }
#endif
    return PeekCharSlow(f);
}

// Records error 12 at end of file, or 16 when the stream reports an error.
void RecordEndOfFile(const FileObject& f);

void RegisterTextRoutines();  // textio.cpp: 43-47, 56-61, 107, 132, 133, 150, 191-193
void RegisterDirRoutines();   // dirs.cpp: 16, 18, 22, 24, 27, 30-32, 34, 48, 50, 51, 53, 54, 179
void ReleaseDirs();           // dirs.cpp: closes every directory of the run

// Mode bits of the language (usr_r ... oth_x, dir_bit) to POSIX mode bits and back.
uint32_t PosixMode(uint32_t languageMode);
uint32_t LanguageMode(uint32_t posixMode);

// fexpand of name against the current directory: an absolute path with "." and ".."
// resolved by the text alone. Empty when the current directory is not available.
std::string ExpandFileName(const std::string& name);

}  // namespace tarn::rt
