// The file table and the routines that work on file objects: assign, open (reset, rewrite,
// append, temporary files, popen), close, the standard files, the element buffer with
// get and put, eof and eoln, positions and sizes, erase and rename, block and raw
// transfers, and sets read from binary files.
#include "runtime/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "runtime/errors.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "runtime/vmstrings.h"
#include "runtime/window.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

std::vector<std::unique_ptr<FileObject>> g_fileTable;

namespace {

using vm::Std;

// Temporary names handed out by this process; the language allows 32767 of them.
uint32_t g_tempNames = 0;
constexpr uint32_t kMaxTempNames = 32767;

StdOutcome Done() { return StdOutcome::Continue; }

void Record(ErrorNo n) { RecordError(n); }

// Gives f a buffer of at least size bytes, filled with the undefined marker.
void EnsureBuffer(FileObject& f, uint32_t size) {
    if (size == 0) size = 1;
    if (f.buffer == 0 || f.bufferSize < size) {
        if (f.buffer != 0) WindowFree(f.buffer);
        f.buffer = WindowAlloc(size);
        if (f.buffer == 0) MemoryAllocationFailure();
        f.bufferSize = size;
    }
    std::memset(VmSpan(f.buffer, f.bufferSize), kUndefinedByte, f.bufferSize);
}

void ClearBuffer(FileObject& f) {
    std::memset(VmSpan(f.buffer, f.bufferSize), kUndefinedByte, f.bufferSize);
}

// The file whose element buffer lies at VM address a.
FileObject* FileOfBuffer(uint32_t a) {
    for (auto& f : g_fileTable)
        if (f && f->buffer == a) return f.get();
    return nullptr;
}

void RemoveTemporary(FileObject& f) {
    if (f.tempPath.empty()) return;
    std::remove(f.tempPath.c_str());
    if (f.name == f.tempPath) f.name.clear();
    f.tempPath.clear();
}

// Closes the stream. The standard streams are only flushed. False when the C library
// reports a failure.
bool CloseStream(FileObject& f) {
    bool ok = true;
    if (f.stream) {
        if (f.standard) ok = std::fflush(f.stream) == 0;
        else if (f.pipe) ok = pclose(f.stream) != -1;
        else ok = std::fclose(f.stream) == 0;
    }
    f.stream = nullptr;
    f.mode = 0;
    f.pipe = false;
    f.standard = false;
    f.pending = f.lookahead = false;
    f.last = Transfer::None;
    return ok;
}

// A fresh temporary file in $TMPDIR (default /tmp), opened with the mode text.
std::FILE* OpenTemporary(FileObject& f, const char* modeText) {
    if (g_tempNames >= kMaxTempNames) RunTimeError("Can not generate any more temporary file names");
    ++g_tempNames;
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/tarnXXXXXX";
    if (path.size() > kMaxFileName) return nullptr;
    int fd = mkstemp(path.data());
    if (fd < 0) return nullptr;
    std::FILE* s = fdopen(fd, modeText);
    if (!s) {
        close(fd);
        std::remove(path.c_str());
        return nullptr;
    }
    RemoveTemporary(f);
    f.tempPath = path;
    f.name = path;
    return s;
}

// The C-library mode text for the mode bits. There is no text mode on this platform, so
// "t" is left out; "b" is harmless.
std::string ModeText(uint32_t mode) {
    std::string m;
    if (mode & kModeAppend) m = (mode & kModeInput) ? "a+" : "a";
    else if (mode & kModeInput) m = (mode & kModeOutput) ? "r+" : "r";
    else m = "w";
    if (mode & kModeBinary) m += 'b';
    return m;
}

bool ValidOpenMode(uint32_t mode) {
    if ((mode & (kModeInput | kModeOutput | kModeAppend)) == 0) return false;
    return (mode & (kModeOutput | kModeAppend)) != (kModeOutput | kModeAppend);
}

// Steps shared by open (33) and popen (178) once the arguments are off the stack.
void OpenFile(uint32_t fv, uint32_t mode, uint32_t size, bool asPipe) {
    ClearErrors();
    if (!ValidOpenMode(mode) || (asPipe && (mode & kModeInput) && (mode & (kModeOutput | kModeAppend)))) {
        Record(ErrorNo::CanNotOpenFile);
        return;
    }
    FileObject& f = FileFor(fv, size);
    if (IsOpen(f)) CloseStream(f);  // an implicit close keeps a temporary file
    f.elementSize = size;
    std::string modeText = ModeText(mode);
    std::FILE* s = nullptr;
    bool standard = false;
    if (asPipe) {
        if (!f.name.empty()) {
            std::fflush(nullptr);  // the child must not repeat buffered output
            s = popen(f.name.c_str(), (mode & kModeInput) ? "r" : "w");
        }
    } else if (!f.name.empty()) {
        s = std::fopen(f.name.c_str(), modeText.c_str());  // also a reopen of our temporary file
    } else if (mode & (kModeTemporary | kModeBinary)) {
        s = OpenTemporary(f, modeText.c_str());
    } else {
        s = (mode & (kModeOutput | kModeAppend)) ? stdout : stdin;
        standard = true;
    }
    f.pending = f.lookahead = false;
    f.last = Transfer::None;
    EnsureBuffer(f, size);
    if (!s) {
        Record(ErrorNo::CanNotOpenFile);
        return;
    }
    f.stream = s;
    f.standard = standard;
    f.pipe = asPipe;
    f.mode = mode;
}

// Reads one element of size bytes into the buffer. False at the end of the file.
bool ReadElement(FileObject& f, uint32_t size) {
    uint8_t* p = VmSpan(f.buffer, size);
    if (size == 1 && IsText(f)) {
        int c = TextGetc(f);
        if (c == EOF) return false;
        *p = static_cast<uint8_t>(c);
        return true;
    }
    return std::fread(p, 1, size, f.stream) == size;
}

// ---- Routines ----------------------------------------------------------------------------

StdOutcome Assign(Regs& r, int&) {
    std::string name = PopString(r);
    uint32_t size = Pop(r);
    uint32_t fv = Pop(r);
    ClearErrors();
    if (name.size() > kMaxFileName) {
        Record(ErrorNo::FileNameTooLong);
        return Done();
    }
    FileObject& f = FileFor(fv, size);
    f.name = name;
    return Done();
}

StdOutcome BufferAddress(Regs& r, int&) {
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = FileOf(fv);
    if (!f) RunTimeError("File is not defined");
    Push(r, f->buffer);
    return Done();
}

// Routine 13 (stack: buffer address, element size): the program is about to read f^. On a
// file open for input the element is read ahead, remembering where it started, unless an
// element is already pending.
StdOutcome ReadAhead(Regs& r, int&) {
    uint32_t size = Pop(r);
    uint32_t a = Pop(r);
    ClearErrors();
    FileObject* f = FileOfBuffer(a);
    if (!f || !CanRead(*f) || f->pending) return Done();
    if (size > f->bufferSize) size = f->bufferSize;
    if (f->last == Transfer::Write) std::fflush(f->stream);
    f->savedPosition = std::ftell(f->stream);
    if (!ReadElement(*f, size)) {
        RecordEndOfFile(*f);
        return Done();
    }
    f->aheadByte = *VmSpan(f->buffer, 1);  // the program may overwrite the buffer
    f->last = Transfer::Read;
    f->pending = f->lookahead = true;
    return Done();
}

// Routine 15 (stack: buffer address): the program has stored into f^.
StdOutcome BufferFilled(Regs& r, int&) {
    uint32_t a = Pop(r);
    ClearErrors();
    FileObject* f = FileOfBuffer(a);
    if (!f) return Done();
    if (f->pending && f->lookahead && !PrepareRead(*f)) return Done();
    f->pending = true;
    f->lookahead = false;
    return Done();
}

StdOutcome Close(Regs& r, int&) {
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = FileOf(fv);
    if (!f) return Record(ErrorNo::FileIsUndefined), Done();
    if (f->mode == 0) return Record(ErrorNo::FileIsNotOpen), Done();
    if ((f->mode & (kModeInput | kModeOutput | kModeAppend)) == 0)
        return Record(ErrorNo::FileModeIsUndefined), Done();
    bool ok = CloseStream(*f);
    RemoveTemporary(*f);
    if (!ok) Record(ErrorNo::CanNotCloseFile);
    return Done();
}

StdOutcome Open(Regs& r, int&) {
    uint32_t mode = Pop(r);
    uint32_t size = (mode & kModeBinary) ? Pop(r) : 1;
    uint32_t fv = Pop(r);
    OpenFile(fv, mode, size, false);
    return Done();
}

// popen (178, stack: fv mode): the command is the name the preceding assign stored.
StdOutcome POpen(Regs& r, int&) {
    uint32_t mode = Pop(r);
    uint32_t fv = Pop(r);
    OpenFile(fv, mode & ~(kModeBinary | kModeTemporary), 1, true);
    return Done();
}

StdOutcome BindStandard(Regs& r, std::FILE* stream, uint32_t mode) {
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject& f = FileFor(fv, 1);
    if (IsOpen(f)) CloseStream(f);
    f.stream = stream;
    f.mode = mode;
    f.standard = true;
    f.elementSize = 1;
    EnsureBuffer(f, 1);
    return Done();
}
StdOutcome RegisterInput(Regs& r, int&) { return BindStandard(r, stdin, kModeInput); }
StdOutcome RegisterOutput(Regs& r, int&) { return BindStandard(r, stdout, kModeOutput); }

// eof (19): fv -- f. Checking looks at the next character without reading it.
StdOutcome Eof(Regs& r, int&) {
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = FileOf(fv);
    bool atEnd = true;
    if (!f) Record(ErrorNo::FileIsUndefined);
    else if (f->mode == 0) Record(ErrorNo::FileIsNotOpen);
    else if (CanRead(*f) && PrepareRead(*f)) {
        atEnd = PeekChar(*f) == EOF;
        f->last = Transfer::Read;
    }
    Push(r, atEnd ? 1 : 0);
    return Done();
}

// eoln (20): fv -- f. At the end of the file error 12, and true so that a loop waiting for
// the line end stops.
StdOutcome Eoln(Regs& r, int&) {
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = FileOf(fv);
    bool atLineEnd = false;
    if (!f) Record(ErrorNo::FileIsUndefined);
    else if (f->mode == 0) Record(ErrorNo::FileIsNotOpen);
    else if (CanRead(*f) && PrepareRead(*f)) {
        int c = PeekChar(*f);
        f->last = Transfer::Read;
        if (c == EOF) {
            RecordEndOfFile(*f);
            atLineEnd = true;
        } else {
            atLineEnd = c == '\n';
        }
    }
    Push(r, atLineEnd ? 1 : 0);
    return Done();
}

StdOutcome Get(Regs& r, uint32_t size) {
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = FileOf(fv);
    if (!f) return Record(ErrorNo::FileIsUndefined), Done();
    if (!CanRead(*f)) return Record(ErrorNo::NotInputFile), Done();
    if (f->pending) {
        f->pending = f->lookahead = false;
        return Done();
    }
    if (!PrepareRead(*f)) return Done();
    if (size > f->bufferSize) EnsureBuffer(*f, size);
    f->last = Transfer::Read;
    if (!ReadElement(*f, size)) RecordEndOfFile(*f);
    return Done();
}
StdOutcome GetSized(Regs& r, int&) { uint32_t n = Pop(r); return Get(r, n); }
StdOutcome Get1(Regs& r, int&) { return Get(r, 1); }
StdOutcome Get4(Regs& r, int&) { return Get(r, 4); }
StdOutcome Get8(Regs& r, int&) { return Get(r, 8); }

StdOutcome Put(Regs& r, uint32_t size) {
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = FileOf(fv);
    if (!f) return Record(ErrorNo::FileIsUndefined), Done();
    if (!CanWrite(*f)) return Record(ErrorNo::NotOutputFile), Done();
    if (!f->pending || f->lookahead) return Record(ErrorNo::FileBufferIsEmpty), Done();
    if (size > f->bufferSize) size = f->bufferSize;
    PrepareWrite(*f);
    bool ok = std::fwrite(VmSpan(f->buffer, size), 1, size, f->stream) == size;
    ok = std::fflush(f->stream) == 0 && ok;
    f->last = Transfer::Write;
    f->pending = false;
    ClearBuffer(*f);
    if (!ok) Record(ErrorNo::WriteFailure);
    return Done();
}
StdOutcome PutSized(Regs& r, int&) { uint32_t n = Pop(r); return Put(r, n); }
StdOutcome Put1(Regs& r, int&) { return Put(r, 1); }
StdOutcome Put4(Regs& r, int&) { return Put(r, 4); }
StdOutcome Put8(Regs& r, int&) { return Put(r, 8); }

// The checks shared by flush, filepos and filesize: defined (3), open (5), a known mode (6).
FileObject* OpenFileOf(uint32_t fv) {
    FileObject* f = FileOf(fv);
    if (!f) return Record(ErrorNo::FileIsUndefined), nullptr;
    if (f->mode == 0) return Record(ErrorNo::FileIsNotOpen), nullptr;
    if ((f->mode & (kModeInput | kModeOutput | kModeAppend)) == 0)
        return Record(ErrorNo::FileModeIsUndefined), nullptr;
    return f;
}

StdOutcome Flush(Regs& r, int&) {
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = OpenFileOf(fv);
    if (f && std::fflush(f->stream) != 0) Record(ErrorNo::WriteFailure);
    return Done();
}

uint32_t ElementSize(const FileObject& f) { return f.elementSize ? f.elementSize : 1; }

// filepos (36): fv -- position in elements; an element read ahead for f^ is not counted.
StdOutcome FilePos(Regs& r, int&) {
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = OpenFileOf(fv);
    uint32_t position = 0;
    if (f) {
        long p = std::ftell(f->stream);
        if (p < 0) {
            Record(ErrorNo::FilePositionFailure);
        } else {
            uint64_t n = static_cast<uint64_t>(p) / ElementSize(*f);
            if (f->pending && f->lookahead && n > 0) --n;
            position = static_cast<uint32_t>(n);
        }
    }
    Push(r, position);
    return Done();
}

StdOutcome Seek(Regs& r, int&) {
    int32_t position = static_cast<int32_t>(Pop(r));
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = FileOf(fv);
    if (!f) return Record(ErrorNo::FileIsUndefined), Done();
    if (f->mode == 0) return Record(ErrorNo::FileIsNotOpen), Done();
    if (!CanRead(*f) || position < 0) return Record(ErrorNo::FileSeekFailure), Done();
    long offset = static_cast<long>(position) * static_cast<long>(ElementSize(*f));
    f->pending = f->lookahead = false;
    f->last = Transfer::None;
    if (std::fseek(f->stream, offset, SEEK_SET) != 0) Record(ErrorNo::FileSeekFailure);
    return Done();
}

StdOutcome FileSize(Regs& r, int&) {
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = OpenFileOf(fv);
    uint32_t size = 0;
    if (f) {
        struct stat st {};
        std::fflush(f->stream);
        if (fstat(fileno(f->stream), &st) != 0 || !S_ISREG(st.st_mode))
            Record(ErrorNo::FileSizeFailure);
        else
            size = static_cast<uint32_t>(static_cast<uint64_t>(st.st_size) / ElementSize(*f));
    }
    Push(r, size);
    return Done();
}

// The checks erase and rename share: a defined, closed file with a name.
FileObject* ClosedNamedFile(uint32_t fv) {
    FileObject* f = FileOf(fv);
    if (!f) return Record(ErrorNo::FileIsUndefined), nullptr;
    if (f->mode != 0) return Record(ErrorNo::FileIsOpen), nullptr;
    if (f->name.empty()) return Record(ErrorNo::FileNameNotDefined), nullptr;
    return f;
}

StdOutcome Erase(Regs& r, int&) {
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = ClosedNamedFile(fv);
    if (f && unlink(f->name.c_str()) != 0) Record(ErrorNo::FileEraseFailure);
    return Done();
}

// Copies from to to and removes from: rename across file systems.
bool MoveByCopy(const std::string& from, const std::string& to) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return false;
    std::FILE* out = std::fopen(to.c_str(), "wb");
    if (!out) return std::fclose(in), false;
    char block[8192];
    bool ok = true;
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, in)) > 0)
        if (std::fwrite(block, 1, n, out) != n) { ok = false; break; }
    ok = !std::ferror(in) && ok;
    std::fclose(in);
    ok = std::fclose(out) == 0 && ok;
    if (!ok) return std::remove(to.c_str()), false;
    return unlink(from.c_str()) == 0;
}

StdOutcome Rename(Regs& r, int&) {
    std::string newName = PopString(r);
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = ClosedNamedFile(fv);
    if (!f) return Done();
    if (newName.size() > kMaxFileName) return Record(ErrorNo::FileNameTooLong), Done();
    bool ok = std::rename(f->name.c_str(), newName.c_str()) == 0;
    if (!ok && errno == EXDEV) ok = MoveByCopy(f->name, newName);
    if (!ok) return Record(ErrorNo::FileRenameFailure), Done();
    if (f->tempPath == f->name) f->tempPath = newName;
    f->name = newName;
    return Done();
}

// Block write (183, stack: fv value size): the value's bytes lie on the stack, padded to a
// multiple of 4.
StdOutcome BlockWrite(Regs& r, int&) {
    uint32_t size = Pop(r);
    uint64_t footprint = vm::Align4(uint64_t{size});
    CheckStackPointer(r.sp + footprint + 4);  // the value and fv must lie on the stack
    std::string bytes(reinterpret_cast<const char*>(VmSpan(r.sp, size)), size);
    r.sp += static_cast<uint32_t>(footprint);
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = FileOf(fv);
    if (!f) return Record(ErrorNo::FileIsUndefined), Done();
    if (!CanWrite(*f)) return Record(ErrorNo::NotOutputFile), Done();
    PrepareWrite(*f);
    f->last = Transfer::Write;
    if (std::fwrite(bytes.data(), 1, size, f->stream) != size) Record(ErrorNo::WriteFailure);
    return Done();
}

// Block read (184, stack: fv a size): size bytes into the variable at a.
StdOutcome BlockRead(Regs& r, int&) {
    uint32_t size = Pop(r);
    uint32_t a = Pop(r);
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = FileOf(fv);
    if (!f) return Record(ErrorNo::FileIsUndefined), Done();
    if (!CanRead(*f)) return Record(ErrorNo::NotInputFile), Done();
    if (!PrepareRead(*f)) return Done();
    f->last = Transfer::Read;
    if (std::fread(VmSpan(a, size), 1, size, f->stream) != size) RecordEndOfFile(*f);
    return Done();
}

// rawread (41) and rawwrite (42), stack: fv buffer capacity count width -- transferred.
// Width 1 or 4: the buffer starts with a length prefix of that width; after a read it holds
// the number of bytes read. A write leaves the buffer as it is.
StdOutcome Raw(Regs& r, bool reading) {
    uint32_t width = Pop(r);
    int32_t count = static_cast<int32_t>(Pop(r));
    uint32_t capacity = Pop(r);
    uint32_t buffer = Pop(r);
    uint32_t fv = Pop(r);
    ClearErrors();
    ErrorNo failure = reading ? ErrorNo::FileRawReadFailure : ErrorNo::FileRawWriteFailure;
    uint32_t done = 0;
    FileObject* f = FileOf(fv);
    if (!f) Record(ErrorNo::FileIsUndefined);
    else if (reading ? !CanRead(*f) : !CanWrite(*f))
        Record(reading ? ErrorNo::NotInputFile : ErrorNo::NotOutputFile);
    else if (count < 0 || static_cast<uint32_t>(count) > capacity || (width != 0 && width != 1 && width != 4) ||
             (width == 1 && count > 255))
        Record(failure);
    else if (!reading) {
        PrepareWrite(*f);
        f->last = Transfer::Write;
        done = static_cast<uint32_t>(std::fwrite(VmSpan(buffer + width, count), 1, count, f->stream));
        if (done != static_cast<uint32_t>(count)) Record(failure);
    } else if (PrepareRead(*f)) {
        f->last = Transfer::Read;
        done = static_cast<uint32_t>(std::fread(VmSpan(buffer + width, count), 1, count, f->stream));
        if (std::ferror(f->stream)) Record(failure);
        if (width == 1) *VmSpan(buffer, 1) = static_cast<uint8_t>(done);
        if (width == 4) SetVmWord(buffer, done);
    }
    Push(r, done);
    return Done();
}
StdOutcome RawRead(Regs& r, int&) { return Raw(r, true); }
StdOutcome RawWrite(Regs& r, int&) { return Raw(r, false); }

// Reading a set from a binary file (194): fv -- set. A failed read gives the empty set.
StdOutcome ReadSet(Regs& r, int&) {
    uint32_t fv = Pop(r);
    ClearErrors();
    FileObject* f = FileOf(fv);
    std::string payload;
    uint8_t sizeBytes[4];
    if (!f) Record(ErrorNo::FileIsUndefined);
    else if (!CanRead(*f)) Record(ErrorNo::NotInputFile);
    else if (PrepareRead(*f)) {
        f->last = Transfer::Read;
        if (std::fread(sizeBytes, 1, 4, f->stream) != 4) {
            Record(ErrorNo::ReadFailure);
        } else {
            uint32_t size = LoadWord(sizeBytes);
            if (size % 4 != 0) RunTimeError("Read failure (set value is invalid)");
            if (size > 1024) RunTimeError("Read failure (set value has too many elements)");
            payload.resize(size);
            if (std::fread(payload.data(), 1, size, f->stream) != size) {
                Record(ErrorNo::ReadFailure);
                payload.clear();
            }
        }
    }
    PushString(r, payload);  // a set value has the same shape: payload, then its byte count
    return Done();
}

}  // namespace

// ---- Shared helpers ------------------------------------------------------------------------

FileObject& FileFor(uint32_t fv, uint32_t elementSize) {
    if (FileObject* f = FileOf(fv)) return *f;
    auto f = std::make_unique<FileObject>();
    f->elementSize = elementSize;
    EnsureBuffer(*f, elementSize);
    g_fileTable.push_back(std::move(f));
    SetVmWord(fv, static_cast<uint32_t>(g_fileTable.size()));
    return *g_fileTable.back();
}

bool PrepareReadSlow(FileObject& f) {
    if (f.pending && f.lookahead) {
        f.pending = f.lookahead = false;
        // A single byte goes back with ungetc, which works on pipes and terminals too.
        bool ok = f.elementSize <= 1
                      ? std::ungetc(f.aheadByte, f.stream) != EOF
                      : (f.savedPosition >= 0 && std::fseek(f.stream, f.savedPosition, SEEK_SET) == 0);
        if (!ok) return Record(ErrorNo::FileSeekFailure), false;
    } else if (f.pending) {
        f.pending = false;  // an element the program stored; nothing was read
    }
    if (f.last == Transfer::Write) std::fflush(f.stream);
    return true;
}

void Reposition(FileObject& f) { std::fseek(f.stream, 0, SEEK_CUR); }

// What getc followed by ungetc of the same character gives, and what eof and eoln look at.
// With the C library's buffer at hand the character is read where it lies; otherwise it is
// read and pushed back. In a text file carriage returns before it are consumed.
int PeekCharSlow(FileObject& f) {
    bool text = IsText(f);
    std::FILE* s = f.stream;
    for (;;) {
#ifdef __GLIBC__
        if (s->_IO_read_ptr < s->_IO_read_end) {
            int c = static_cast<unsigned char>(*s->_IO_read_ptr);
            if (!text || c != '\r') return c;
            ++s->_IO_read_ptr;
            continue;
        }
#endif
        int c = text ? TextGetc(f) : getc_unlocked(s);
        UngetChar(s, c);
        return c;
    }
}

void RecordEndOfFile(const FileObject& f) {
    Record(std::ferror(f.stream) ? ErrorNo::ReadFailure : ErrorNo::UnexpectedEndOfFile);
}

void ReleaseFiles() {
    for (auto& f : g_fileTable) {
        if (!f) continue;
        if (IsOpen(*f)) CloseStream(*f);
        RemoveTemporary(*f);
    }
    g_fileTable.clear();
    ReleaseDirs();
}

void RegisterFileRoutines() {
    static const struct {
        Std n;
        StdRoutine routine;
    } kRoutines[] = {
        {Std::Assign, Assign},       {Std::FileRoutine13, ReadAhead},  {Std::FileBufferAddress, BufferAddress},
        {Std::FileBufferFilled, BufferFilled}, {Std::Close, Close},   {Std::Eof, Eof},
        {Std::Eoln, Eoln},           {Std::Erase, Erase},             {Std::Flush, Flush},
        {Std::Get, GetSized},        {Std::Get1, Get1},               {Std::Get8, Get8},
        {Std::Get4, Get4},           {Std::Open, Open},               {Std::FilePos, FilePos},
        {Std::Put, PutSized},        {Std::Put1, Put1},               {Std::Put8, Put8},
        {Std::Put4, Put4},           {Std::RawRead, RawRead},         {Std::RawWrite, RawWrite},
        {Std::Rename, Rename},       {Std::Seek, Seek},               {Std::FileSize, FileSize},
        {Std::RegisterInput, RegisterInput}, {Std::RegisterOutput, RegisterOutput},
        {Std::Popen, POpen},      {Std::BlockWrite, BlockWrite},   {Std::BlockRead, BlockRead},
        {Std::ReadSet, ReadSet},
    };
    for (const auto& e : kRoutines) RegisterStd(vm::Number(e.n), e.routine);
    RegisterTextRoutines();
    RegisterDirRoutines();
    AddReleaseHook(ReleaseFiles);
    std::atexit(ReleaseFiles);
}

}  // namespace tarn::rt
