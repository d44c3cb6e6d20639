// The loader (see loader.h). The host is little-endian: an image with byte_order 0 is
// native, any other is swapped, and every word of a swapped image is converted once here,
// so the interpreter only ever sees host order.
#include "runtime/loader.h"
#include "runtime/loader_messages.h"

#include <sys/stat.h>

#include <algorithm>
#include <cfenv>
#include <initializer_list>
#include <cstdlib>
#include <cstring>

#include "runtime/elfimage.h"
#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/files.h"
#include "runtime/interp.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "runtime/window.h"
#include "vm/opcodes.h"

namespace tarn::rt {

namespace {

constexpr size_t kMaxName = 260;  // path buffers hold 260 characters and a terminator

[[noreturn]] void LoadFailure(const char* message) {
    std::fputs(message, stdout);
    EndProcess(1);
}

// A word in the image's order; on this little-endian host a swapped image is a big-endian one.
uint32_t WordAt(const uint8_t* p, bool swapped) { return vm::Load32(p, swapped); }

}  // namespace

// ---- Image source ----------------------------------------------------------------------

bool SourceRead(ImageSource& src, void* buffer, size_t n) {
    switch (src.kind) {
    case ImageSource::Kind::File:
        return std::fread(buffer, 1, n, src.file) == n;
    case ImageSource::Kind::Resource:
        if (n > static_cast<size_t>(src.end - src.pos)) return false;
        std::memcpy(buffer, src.pos, n);
        src.pos += n;
        return true;
    case ImageSource::Kind::None:
        break;
    }
    return false;
}

bool SourceSeek(ImageSource& src, uint32_t offset) {
    switch (src.kind) {
    case ImageSource::Kind::File:
        return fseeko(src.file, off_t{src.start} + offset, SEEK_SET) == 0;
    case ImageSource::Kind::Resource:
        if (offset > static_cast<size_t>(src.end - src.begin)) return false;
        src.pos = src.begin + offset;
        return true;
    case ImageSource::Kind::None:
        break;
    }
    return false;
}

void SourceClose(ImageSource& src) {
    if (src.file != nullptr) std::fclose(src.file);
    std::free(src.begin);
    src = ImageSource{};
}

namespace {

// Opens a regular file for binary reading (a directory of the same name does not count).
std::FILE* OpenRegular(const std::string& name) {
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (f == nullptr) return nullptr;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
        std::fclose(f);
        return nullptr;
    }
    return f;
}

// True when name can be opened for reading and is not a directory.
bool Opens(const std::string& name) {
    std::FILE* f = OpenRegular(name);
    if (f != nullptr) std::fclose(f);
    return f != nullptr;
}

}  // namespace

std::string FindImagePath(const char* name) {
    if (name == nullptr) return {};
    if (std::strchr(name, '/') != nullptr) return Opens(name) ? name : std::string{};
    if (Opens(name)) return name;
    const char* path = std::getenv("PATH");
    for (const char* p = path; p != nullptr;) {
        const char* colon = std::strchr(p, ':');
        std::string dir(p, colon ? static_cast<size_t>(colon - p) : std::strlen(p));
        p = colon ? colon + 1 : nullptr;
        if (dir.empty() || dir.size() >= kMaxName) continue;
        if (dir.back() != '/') dir += '/';
        std::string joined = dir + name;
        if (joined.size() < kMaxName && Opens(joined)) return joined;
    }
    return {};
}

bool OpenImageFile(ImageSource& src, const char* name, uint32_t offset) {
    SourceClose(src);
    std::string path = FindImagePath(name);
    std::FILE* f = path.empty() ? nullptr : OpenRegular(path);
    if (f == nullptr) return false;
    src.kind = ImageSource::Kind::File;
    src.file = f;
    src.start = offset;
    if (!SourceSeek(src, 0)) {
        SourceClose(src);
        return false;
    }
    return true;
}

bool OpenImageSection(ImageSource& src, const char* exeName) {
    SourceClose(src);
    SectionExtent extent;
    if (!FindImageSection(exeName, extent)) return false;
    std::FILE* f = std::fopen(exeName ? exeName : "/proc/self/exe", "rb");
    if (f == nullptr) return false;
    // The section was checked to lie inside the file, so its size is bounded by the file's.
    auto* block = static_cast<uint8_t*>(std::malloc(extent.size));
    bool ok = block != nullptr && fseeko(f, static_cast<off_t>(extent.offset), SEEK_SET) == 0 &&
              std::fread(block, 1, extent.size, f) == extent.size;
    std::fclose(f);
    if (!ok) {
        std::free(block);
        return false;
    }
    src.kind = ImageSource::Kind::Resource;
    src.begin = src.pos = block;
    src.end = block + extent.size;
    return true;
}

uint8_t ReadByte(ImageSource& src) {
    uint8_t b;
    if (!SourceRead(src, &b, 1)) LoadFailure("[TARNAPP] ERROR: Read failure.\n");
    return b;
}

uint32_t ReadWord(ImageSource& src, bool swapped) {
    uint8_t w[4];
    if (!SourceRead(src, w, 4)) LoadFailure("[TARNAPP] ERROR: Read failure.\n");
    return WordAt(w, swapped);
}

// ---- Header ------------------------------------------------------------------------------

namespace {

// "#!" starts a script line that ends at the first line feed; anything else is the header.
void SkipScriptLine(ImageSource& src) {
    char two[2];
    if (SourceRead(src, two, 2) && two[0] == '#' && two[1] == '!') {
        char c;
        while (SourceRead(src, &c, 1) && c != '\n') {
        }
        return;  // at end of input the magic check reports the image as invalid
    }
    SourceSeek(src, 0);
}

bool Refuse(const char* message) {
    std::fputs(message, stdout);
    std::fflush(stdout);
    return false;
}

// A header field. A short read is the exiting read failure while loading; an inspecting
// caller (OpenExecutable) gets the same message and a refusal instead, so that looking at a
// damaged file does not end its process.
bool HeaderField(ImageSource& src, void* out, size_t n, ShortRead mode) {
    if (SourceRead(src, out, n)) return true;
    if (mode == ShortRead::Exit) LoadFailure("[TARNAPP] ERROR: Read failure.\n");
    return Refuse("[TARNAPP] ERROR: Read failure.\n");
}

bool HeaderWords(ImageSource& src, bool swapped, ShortRead mode, std::initializer_list<uint32_t*> words) {
    for (uint32_t* w : words) {
        uint8_t b[4];
        if (!HeaderField(src, b, 4, mode)) return false;
        *w = WordAt(b, swapped);
    }
    return true;
}

}  // namespace

bool CheckHeader(ImageSource& src, ImageHeader& h, ShortRead mode) {
    SkipScriptLine(src);
    uint8_t magic[vm::kImageMagic.size()];
    if (!SourceRead(src, magic, sizeof magic) ||
        std::memcmp(magic, vm::kImageMagic.data(), sizeof magic) != 0)
        return Refuse(kInvalidExecutableMessage);
    uint8_t wordBits;
    if (!HeaderField(src, &wordBits, 1, mode)) return false;
    if (wordBits != vm::kWordBits) return Refuse("[TARNRUN] ERROR: Can only handle 32 bit executables.\n");
    if (!HeaderField(src, &h.byteOrder, 1, mode)) return false;
    h.swapped = h.byteOrder != vm::kLittleEndian;
    if (!HeaderWords(src, h.swapped, mode, {&h.version})) return false;
    if (h.version < vm::kMinFormatVersion || h.version > vm::kMaxFormatVersion)
        return Refuse("[TARNRUN] ERROR: Version mismatch.\n");
    if (!HeaderWords(src, h.swapped, mode, {&h.flags})) return false;
    h.wordOpcodes = (h.flags & vm::kFlagWordOpcodes) != 0;
    if (h.swapped && (h.flags & vm::kFlagPortable) == 0)
        return Refuse("[TARNRUN] ERROR: Can not handle tvm files for BIG ENDIAN machines.\n");
    if (!HeaderWords(src, h.swapped, mode,
                     {&h.time[0], &h.time[1], &h.time[2], &h.time[3], &h.time[4], &h.time[5], &h.codeSize,
                      &h.dataBase, &h.dataSize, &h.stackSize, &h.entryOffset}))
        return false;
    if (h.codeSize == 0) return Refuse("[TARNRUN] Error: Empty code segment!\n");
    uint64_t dataEnd = uint64_t{h.dataBase} + h.dataSize;
    uint64_t stackTop = vm::Align4(dataEnd) + vm::Align4(uint64_t{h.stackSize});
    if (dataEnd > UINT32_MAX || stackTop > UINT32_MAX) return Refuse("[TARNRUN] Error: Data segment overflow!\n");
    h.stackLow = static_cast<uint32_t>(vm::Align4(dataEnd));
    h.stackTop = static_cast<uint32_t>(stackTop);
    return true;
}

// ---- Records -------------------------------------------------------------------------------

RecordFault ReadRecord(ImageSource& src, bool swapped, Record& r) {
    uint8_t lengthBytes[4];
    if (!SourceRead(src, &r.id, 1) || !SourceRead(src, lengthBytes, 4)) return RecordFault::FieldRead;
    r.length = WordAt(lengthBytes, swapped);
    if (r.length > vm::kMaxRecordData || !SourceRead(src, r.data, r.length)) return RecordFault::DataRead;
    uint8_t check;
    if (!SourceRead(src, &check, 1)) return RecordFault::FieldRead;
    uint32_t sum = r.id + check;
    for (uint8_t b : lengthBytes) sum += b;
    for (uint32_t i = 0; i < r.length; ++i) sum += r.data[i];
    return (sum & 0xFF) == 0 ? RecordFault::None : RecordFault::CheckSum;
}

namespace {

// Where the records have got to while loading.
struct LoadPosition {
    uint64_t code = 0;
    uint64_t data = 0;
};

void ReadRecordOrExit(ImageSource& src, bool swapped, Record& r) {
    switch (ReadRecord(src, swapped, r)) {
    case RecordFault::None: return;
    case RecordFault::FieldRead: LoadFailure("[TARNAPP] ERROR: Read failure.\n");
    case RecordFault::DataRead: LoadFailure("ERROR: Read failure.\n");
    case RecordFault::CheckSum: LoadFailure("ERROR: Check sum failure.\n");
    }
}

// The two words that fix-up and data-swap records carry; a shorter record cannot be used.
void RecordWords(const Record& r, bool swapped, uint32_t& first, uint32_t& second) {
    if (r.length < 8) LoadFailure("ERROR: Read failure.\n");
    first = WordAt(r.data, swapped);
    second = WordAt(r.data + 4, swapped);
}

void ApplyCode(const Record& r, LoadPosition& at) {
    if (at.code + r.length > g_engine.codeSize) LoadFailure("Error: Code segment overflow!\n");
    std::memcpy(g_engine.code + at.code, r.data, r.length);
    at.code += r.length;
}

void ApplyData(const Record& r, LoadPosition& at) {
    if (at.data + r.length > g_engine.stackTop) LoadFailure("Error: Data segment overflow!\n");
    std::memcpy(Mem() + at.data, r.data, r.length);
    at.data += r.length;
}

// The word at code offset X gets V added. In a swapped image the code is still in image
// order here (it is converted after the records), so the sum is formed in that order too:
// the stored word and the addend are both read as image words.
void ApplyFixup(const Record& r, LoadPosition&) {
    uint32_t x, v;
    RecordWords(r, g_engine.swapped, x, v);
    if (uint64_t{x} + 4 > g_engine.codeSize) LoadFailure("Error: Code segment overflow!\n");
    uint8_t* at = g_engine.code + x;
    vm::Store32(at, vm::Load32(at, g_engine.swapped) + v, g_engine.swapped);
}

// A table of N words in the fixed data, swapped only for an image of the other order.
void ApplyDataSwap(const Record& r, LoadPosition&) {
    if (!g_engine.swapped) return;
    uint32_t d, n;
    RecordWords(r, true, d, n);
    uint64_t first = uint64_t{g_engine.dataBase} + d;
    if (first + uint64_t{n} * 4 > g_engine.stackTop) LoadFailure("Error: Data segment overflow!\n");
    for (uint64_t i = n; i-- > 0;) vm::SwapWordAt(Mem() + first + 4 * i);
}

void IgnoreRecord(const Record&, LoadPosition&) {}

using RecordAction = void (*)(const Record&, LoadPosition&);

RecordAction ActionFor(uint8_t id) {
    switch (id) {
    case vm::REC_CODE: return ApplyCode;
    case vm::REC_DATA: return ApplyData;
    case vm::REC_CODE_FIXUP: return ApplyFixup;
    case vm::REC_DATA_SWAP: return ApplyDataSwap;
    default: return IgnoreRecord;  // source names and unknown ids
    }
}

void LoadRecords(ImageSource& src) {
    static Record r;  // 1 KiB; kept off the stack
    LoadPosition at{0, g_engine.dataBase};
    for (;;) {
        ReadRecordOrExit(src, g_engine.swapped, r);
        if (r.id == vm::REC_END) break;
        ActionFor(r.id)(r, at);
    }
    if (at.code != g_engine.codeSize)
        LoadFailure("Error: Size of code records not equal to code segment size!\n");
    if (vm::Align4(at.data + vm::Align4(uint64_t{g_engine.stackSize})) != g_engine.stackTop)
        LoadFailure("Error: Size of data records not equal to data segment size!\n");
}

// The table grows as entries arrive, so a count word that promises more than the file
// holds costs no memory before the short read is seen.
void LoadLineTable(ImageSource& src) {
    uint32_t count = ReadWord(src, g_engine.swapped);
    auto& table = g_engine.lineTable;
    table.clear();
    uint8_t chunk[vm::kLineTableChunk * 4];
    for (uint32_t done = 0; done < count;) {
        uint32_t n = std::min(count - done, vm::kLineTableChunk);
        if (!SourceRead(src, chunk, size_t{n} * 4)) RunTimeError("Can not read line number info");
        for (uint32_t i = 0; i < n; ++i) table.push_back(WordAt(chunk + 4 * i, g_engine.swapped));
        done += n;
    }
}

// ---- Code conversion ------------------------------------------------------------------------

void SwapOperands(uint8_t* p, vm::Operands shape) {
    switch (shape) {
    case vm::Operands::NONE: break;
    case vm::Operands::W: vm::SwapWordAt(p); break;
    case vm::Operands::WW:
        vm::SwapWordAt(p);
        vm::SwapWordAt(p + 4);
        break;
    case vm::Operands::R8: std::reverse(p, p + 8); break;
    }
}

// Walks the code once, instruction by instruction, turning opcode words and operands into
// host order. An instruction cut off by the end of the code is left as it is: the
// interpreter's own bounds checks deal with it.
void ConvertCode() {
    uint8_t* code = g_engine.code;
    const uint32_t end = g_engine.codeSize;
    const uint32_t opWidth = g_engine.wordOpcodes ? 4 : 1;
    for (uint32_t pc = 0; end - pc >= opWidth;) {
        if (g_userBreak) RunTimeError("User abort");
        uint32_t op = code[pc];
        if (g_engine.wordOpcodes) {
            vm::SwapWordAt(code + pc);
            op = LoadWord(code + pc);
        }
        pc += opWidth;
        vm::Operands shape = op <= 0xFF ? vm::kOpTable[op].operands : vm::Operands::NONE;
        uint32_t size = vm::OperandBytes(shape);
        if (end - pc < size) break;
        SwapOperands(code + pc, shape);
        pc += size;
    }
}

// Step 9 of the header check: the code block (with 4 spare bytes) and VM memory, all 0xFF.
// The code block counts against the run's memory limit too, so an image that claims
// gigabytes of code fails before anything is allocated.
void ReserveMemory(const ImageHeader& h) {
    ReleaseImage();
    uint64_t limit = MemoryLimitFromEnvironment();
    uint64_t codeBytes = uint64_t{h.codeSize} + 4;
    if (codeBytes > limit) MemoryAllocationFailure();
    g_engine.code = static_cast<uint8_t*>(HostAlloc(codeBytes));
    std::memset(g_engine.code + h.codeSize, 0, 4);
    uint64_t vmBytes = uint64_t{h.stackTop} + 4;
    if (!WindowOpen(vmBytes, limit == kNoMemoryLimit ? limit : limit - codeBytes)) MemoryAllocationFailure();
    std::memset(Mem(), kUndefinedByte, vmBytes);
}

void TakeHeader(const ImageHeader& h) {
    g_engine.codeSize = h.codeSize;
    g_engine.entryOffset = h.entryOffset;
    g_engine.wordOpcodes = h.wordOpcodes;
    g_engine.swapped = h.swapped;
    g_engine.dataBase = h.dataBase;
    g_engine.dataSize = h.dataSize;
    g_engine.stackSize = h.stackSize;
    g_engine.stackLow = h.stackLow;
    g_engine.stackTop = h.stackTop;
}

}  // namespace

void* HostAlloc(uint64_t n) {
    void* p = n <= UINT32_MAX ? std::malloc(n == 0 ? 1 : n) : nullptr;
    if (p == nullptr) MemoryAllocationFailure();
    return p;
}

bool LoadImage(ImageSource& src) {
    ImageHeader h;
    if (!CheckHeader(src, h, ShortRead::Exit)) {
        SourceClose(src);
        return false;
    }
    ReserveMemory(h);
    TakeHeader(h);
    LoadRecords(src);
    LoadLineTable(src);
    SourceClose(src);
    if (g_engine.swapped) ConvertCode();
    return true;
}

void ReleaseImage() {
    std::free(g_engine.code);
    g_engine.code = nullptr;
    WindowClose();
    g_engine.lineTable.clear();
    g_engine.lineTable.shrink_to_fit();
    g_engine.running = false;
}

int RunProgram(int argc, char** argv, int skipCount) {
    ResetErrorState();
    int savedTraps = fegetexcept();
    feclearexcept(FE_ALL_EXCEPT);
    feenableexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW);
    g_engine.argc = argc;
    g_engine.argv = argv;
    g_engine.skipCount = skipCount;
    g_engine.exitCodeVar = 0;  // the program registers its variables afresh
    g_engine.errorCodeVar = 0;
    InstallFaultHandler();
    InstallStandardRoutines();
    StartStdlibRun();
    int exitCode = Interpret();
    ReleaseFiles();  // a program's files end with its run, also when the host runs another
    RemoveFaultHandler();
    fedisableexcept(FE_ALL_EXCEPT);
    feenableexcept(savedTraps);
    ReleaseImage();
    return exitCode;
}

}  // namespace tarn::rt
