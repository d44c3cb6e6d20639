// output: section buffers, size limits, fix-ups, line table, and the image writer.
#include "compiler/writer/image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>
#include <vector>

#include "compiler/base/process.h"
#include "compiler/base/options.h"
#include "vm/bytes.h"
#include "vm/image.h"

namespace tarn::tpc {

namespace image_internal {
DataBuffer* gCode = nullptr;
uint32_t gCodeSize = 0;
}  // namespace image_internal

using image_internal::gCode;
using image_internal::gCodeSize;

namespace {

// A file as the file system knows it: two names with the same identity (hard links,
// symbolic links, "./x" and "x") are one file.
struct FileIdentity {
    dev_t device;
    ino_t inode;
};

bool IdentityOf(const char* name, FileIdentity& id) {
    struct stat st;
    if (stat(name, &st) != 0) return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

bool operator==(const FileIdentity& a, const FileIdentity& b) {
    return a.device == b.device && a.inode == b.inode;
}

struct OutputState {
    DataBuffer* fixedData = nullptr;
    uint32_t fixedDataSize = 0;
    DataBuffer* fixups = nullptr;       // (code position, addend) pairs
    DataBuffer* dataSwaps = nullptr;    // (fixed-data offset, word count) pairs
    DataBuffer* sourceNames = nullptr;  // each name followed by a zero byte
    bool hasLineTable = false;
    std::vector<uint32_t> lineTable;    // entry i: code offset of source line i+1
    uint32_t globalsSize = 0;
    uint32_t entryPoint = 0;
    std::string outputName;
    std::string headerText;
    FILE* file = nullptr;
    bool writing = false;
    // The output must never be one of the files being compiled: the identity of every
    // source file opened so far, and of the file the output name already named at
    // OpenOutput (none: the name was free).
    std::vector<FileIdentity> sources;
    bool outputExists = false;
    FileIdentity output{};
    bool outputRefused = false;   // the output named a source: never written nor removed
};

OutputState gOut;
std::string gLauncherDirectory;

void AppendPair(DataBuffer* p, uint32_t first, uint32_t second) {
    uint8_t pair[8];
    vm::StoreLE32(pair, first);
    vm::StoreLE32(pair + 4, second);
    DataBufferAppend(p, pair, 8);
}

DataBuffer* CreateBuffer() {
    DataBuffer* p = DataBufferCreate();
    if (p == nullptr) ReportMessage(msg::OutOfMemory, nullptr);
    return p;
}

void ReleaseBuffer(DataBuffer*& p) {
    if (p != nullptr) DataBufferFree(p);
}

// Appends to a section counted against the 32-bit limit; refused (with the message)
// when the section would pass 2^32-1 bytes.
void AppendSection(DataBuffer* section, uint32_t& size, const void* bytes, uint32_t n,
                   int limitMessage) {
    if (size > UINT32_MAX - n) {
        ReportMessage(limitMessage, nullptr);
        return;
    }
    if (!CODEGEN_OK(section != NULL)) return;
    DataBufferAppend(section, bytes, n);
    size += n;
}

// --- the image ---------------------------------------------------------------------

// The image is built in a byte vector that goes to the open output file whenever it has
// grown past IMAGE_CHUNK at the end of a record (DrainImage), so a large image never sits
// in memory whole beside the sections it is made from.
using Image = std::vector<uint8_t>;
constexpr size_t IMAGE_CHUNK = 256 * 1024;

// Writes the image's bytes so far to the output file; "Writing file." when that fails.
void FlushImage(Image& out) {
    if (out.empty() || gOut.file == nullptr) return;
    if (fwrite(out.data(), 1, out.size(), gOut.file) != out.size() || ferror(gOut.file))
        return ReportMessage(msg::WritingFile, nullptr);
    out.clear();
}

void DrainImage(Image& out) {
    if (out.size() >= IMAGE_CHUNK) FlushImage(out);
}

void PutBytes(Image& out, const void* data, size_t n) {
    auto* bytes = static_cast<const uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + n);
}

void PutImageWord(Image& out, uint32_t v) {
    uint8_t w[4];
    vm::StoreLE32(w, v);
    PutBytes(out, w, 4);
}

// A record's id and length.
void PutRecordHead(Image& out, uint8_t id, uint32_t length) {
    uint8_t head[5] = {id};
    vm::StoreLE32(head + 1, length);
    PutBytes(out, head, sizeof head);
}

// One record: id, length, data, and the check byte that makes its byte sum 0 mod 256.
void AppendRecord(Image& out, uint8_t id, const uint8_t* data, uint32_t length) {
    PutRecordHead(out, id, length);
    if (length != 0) PutBytes(out, data, length);
    out.push_back(vm::RecordCheckByte(id, length, data));
    DrainImage(out);
}

// A fix-up: a value to add to the code word at a position.
struct Fixup {
    uint32_t position;
    uint32_t value;
};

// A whole section as records of one id, each read straight into its place in the image.
// `fixups`, sorted by position and none of them crossing a record boundary, are added
// into each record's data before its check byte is taken.
void AppendSectionRecords(Image& out, uint8_t id, const DataBuffer* section,
                          const std::vector<Fixup>& fixups = {}) {
    uint32_t size = DataBufferGetSize(section);
    size_t next = 0;
    for (uint32_t pos = 0; pos < size;) {
        uint32_t n = std::min(size - pos, vm::kMaxRecordData);
        PutRecordHead(out, id, n);
        const size_t at = out.size();
        out.resize(at + n);
        uint8_t* data = out.data() + at;
        DataBufferRead(section, data, pos, n);
        for (; next < fixups.size() && fixups[next].position - pos < n; ++next) {
            uint8_t* word = data + (fixups[next].position - pos);
            vm::StoreLE32(word, vm::LoadLE32(word) + fixups[next].value);
        }
        out.push_back(vm::RecordCheckByte(id, n, data));
        pos += n;
        DrainImage(out);
    }
}

std::vector<uint8_t> ReadAll(const DataBuffer* p) {
    std::vector<uint8_t> bytes(DataBufferGetSize(p));
    if (!bytes.empty()) DataBufferRead(p, bytes.data(), 0, (uint32_t)bytes.size());
    return bytes;
}

void AppendHeader(Image& out) {
    int t[6] = {};  // years since 1900, month 0-11, day, hour, minute, second
    time_t now = time(nullptr);
    struct tm local;
    if (now != (time_t)-1 && localtime_r(&now, &local) != nullptr) {
        int fields[6] = {local.tm_year, local.tm_mon, local.tm_mday,
                         local.tm_hour, local.tm_min, local.tm_sec};
        std::copy(fields, fields + 6, t);
    }
    if (!gOut.headerText.empty()) {
        // The loader skips the script line up to its first line feed: a text with a line
        // feed of its own would push its remainder into the header, so it ends there.
        std::string_view text = gOut.headerText;
        text = text.substr(0, text.find('\n'));
        PutBytes(out, "#!", 2);
        if (!text.empty()) PutBytes(out, text.data(), text.size());
        out.push_back('\n');
    }
    PutBytes(out, vm::kImageMagic.data(), vm::kImageMagic.size());
    out.push_back(vm::kWordBits);
    out.push_back(vm::kLittleEndian);

    using H = vm::HeaderWord;
    std::array<uint32_t, vm::kHeaderWords> word{};
    auto set = [&word](H h, uint32_t v) { word[static_cast<size_t>(h)] = v; };
    set(H::format_version, vm::kFormatVersion);
    set(H::image_flags, vm::kFlagPortable | (IsFlagOption(opt::zw) ? vm::kFlagWordOpcodes : 0));
    set(H::time_year, (uint32_t)t[0]);
    set(H::time_month, (uint32_t)t[1]);
    set(H::time_day, (uint32_t)t[2]);
    set(H::time_hour, (uint32_t)t[3]);
    set(H::time_minute, (uint32_t)t[4]);
    set(H::time_second, (uint32_t)t[5]);
    set(H::code_size, gCodeSize);
    set(H::data_base, gOut.globalsSize);
    set(H::data_size, gOut.fixedDataSize);
    set(H::stack_size, static_cast<uint32_t>(GetOption(opt::S)));
    set(H::entry_offset, gOut.entryPoint);
    for (uint32_t w : word) PutImageWord(out, w);
}

// One REC_SOURCE_NAME record per recorded name, without its zero byte.
void AppendSourceNames(Image& out) {
    std::vector<uint8_t> names = ReadAll(gOut.sourceNames);
    ReleaseBuffer(gOut.sourceNames);
    auto start = names.begin();
    while (start != names.end()) {
        auto end = std::find(start, names.end(), 0);
        if (!CODEGEN_OK(end != names.end())) return;
        uint32_t length = (uint32_t)(end - start);
        if (!CODEGEN_OK(length <= vm::kMaxRecordData)) return;
        AppendRecord(out, vm::REC_SOURCE_NAME, names.data() + (start - names.begin()), length);
        start = end + 1;
    }
}

// Takes every registered fix-up: the image carries none of them. The few whose word
// crosses a code record boundary are added into the code buffer here; the rest come
// back sorted by position, for AppendSectionRecords to add as it copies the code.
std::vector<Fixup> TakeFixups() {
    std::vector<uint8_t> pairs = ReadAll(gOut.fixups);
    std::vector<Fixup> inRecord;
    inRecord.reserve(pairs.size() / 8);
    for (size_t at = 0; at + 8 <= pairs.size(); at += 8) {
        uint32_t position = vm::LoadLE32(&pairs[at]), value = vm::LoadLE32(&pairs[at + 4]);
        if (!CODEGEN_OK(position <= gCodeSize && gCodeSize - position >= 4)) {
            std::sort(inRecord.begin(), inRecord.end(),
                      [](const Fixup& a, const Fixup& b) { return a.position < b.position; });
            return inRecord;
        }
        if (position % vm::kMaxRecordData <= vm::kMaxRecordData - 4) {
            inRecord.push_back({position, value});
            continue;
        }
        uint8_t word[4];
        DataBufferRead(gCode, word, position, 4);
        vm::StoreLE32(word, vm::LoadLE32(word) + value);
        DataBufferWrite(gCode, word, position, 4);
    }
    ReleaseBuffer(gOut.fixups);
    std::sort(inRecord.begin(), inRecord.end(),
              [](const Fixup& a, const Fixup& b) { return a.position < b.position; });
    return inRecord;
}

void AppendDataSwapRuns(Image& out) {
    uint32_t size = DataBufferGetSize(gOut.dataSwaps);
    for (uint32_t at = 0; at < size; at += 8) {
        uint8_t pair[8];
        DataBufferRead(gOut.dataSwaps, pair, at, 8);
        AppendRecord(out, vm::REC_DATA_SWAP, pair, 8);
    }
    ReleaseBuffer(gOut.dataSwaps);
}

void AppendLineTable(Image& out) {
    const std::vector<uint32_t>& table = gOut.lineTable;
    PutImageWord(out, gOut.hasLineTable ? (uint32_t)table.size() : 0);
    if (!gOut.hasLineTable) return;
    for (uint32_t offset : table) {
        PutImageWord(out, offset);
        DrainImage(out);
    }
}

// Bytes a section of `size` takes as records.
size_t RecordedSize(size_t size) {
    return size + (size + vm::kMaxRecordData - 1) / vm::kMaxRecordData * vm::kRecordOverhead;
}

// An upper bound of the image's size, so that building it never moves it.
size_t ImageSizeBound() {
    const size_t names = DataBufferGetSize(gOut.sourceNames);
    const size_t swaps = DataBufferGetSize(gOut.dataSwaps);
    return 2 + gOut.headerText.size() + 1 + vm::kImageMagic.size() + 2 +
           4 * (size_t)vm::kHeaderWords + names * (1 + vm::kRecordOverhead) +
           RecordedSize(gCodeSize) + RecordedSize(gOut.fixedDataSize) +
           swaps / 8 * (8 + vm::kRecordOverhead) + 4 + vm::kRecordOverhead + 4 +
           4 * gOut.lineTable.size();
}

// Builds the image into `out`, draining it into the open output file as it goes.
void BuildImage(Image& out) {
    out.reserve(std::min(ImageSizeBound(), IMAGE_CHUNK + 2 * vm::kMaxRecordData + 64));
    AppendHeader(out);
    AppendSourceNames(out);
    const std::vector<Fixup> fixups = TakeFixups();
    AppendSectionRecords(out, vm::REC_CODE, gCode, fixups);
    ReleaseBuffer(gCode);
    AppendSectionRecords(out, vm::REC_DATA, gOut.fixedData);
    ReleaseBuffer(gOut.fixedData);
    AppendDataSwapRuns(out);
    static constexpr uint8_t END_DATA[4] = {0, 0, 0, 0};
    AppendRecord(out, vm::REC_END, END_DATA, sizeof END_DATA);
    AppendLineTable(out);
}

// --- files -------------------------------------------------------------------------

bool HasExeExtension(const std::string& name) {
    size_t slash = name.rfind('/');
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    return strcasecmp(name.c_str() + dot, ".exe") == 0;
}

bool IsRegularFile(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

bool IsReadableFile(const std::string& path) {
    return IsRegularFile(path.c_str()) && access(path.c_str(), R_OK) == 0;
}

std::string JoinPath(const std::string& dir, const char* name) {
    if (dir.empty()) return std::string("./") + name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

// The launcher beside the compiler, else the one in the current directory, else the
// first one along PATH; "" when none.
std::string FindLauncher(const char* name) {
    std::string own = gLauncherDirectory.empty() ? InstallDir() : gLauncherDirectory;
    if (!own.empty() && IsReadableFile(JoinPath(own, name))) return JoinPath(own, name);
    if (IsReadableFile(JoinPath("", name))) return JoinPath("", name);
    const char* path = getenv("PATH");
    if (path == nullptr) return {};
    for (const char* p = path;; ++p) {
        const char* end = strchr(p, ':');
        std::string dir(p, end ? (size_t)(end - p) : strlen(p));
        if (IsReadableFile(JoinPath(dir, name))) return JoinPath(dir, name);
        if (end == nullptr) return {};
        p = end;
    }
}

bool CopyBytes(int from, int to) {
    char chunk[65536];
    for (;;) {
        ssize_t n = read(from, chunk, sizeof chunk);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(to, chunk + done, (size_t)(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            done += w;
        }
    }
}

// Copies the launcher to the output name, overwriting it; the copy is an executable
// (mode 0755 whatever the umask).
bool CopyLauncher(const std::string& launcher, const std::string& target) {
    int from = open(launcher.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0) return false;
    int to = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755);
    bool ok = to >= 0 && CopyBytes(from, to) && fchmod(to, 0755) == 0;
    close(from);
    if (to >= 0 && close(to) != 0) ok = false;
    return ok;
}

// Ends an image write whichever way it goes: closes the file, clears the writing flag,
// and removes an output file that was created but not completed, so that a failed write
// never leaves a truncated image behind. Only a regular file is removed: an output name
// such as /dev/null names something that is not ours to delete.
struct WriteSession {
    bool created = false;
    bool completed = false;
    ~WriteSession() {
        if (gOut.file != nullptr) fclose(gOut.file);
        gOut.file = nullptr;
        const char* name = gOut.outputName.c_str();
        if (created && !completed && IsRegularFile(name)) unlink(name);
        gOut.writing = false;
    }
};

// Builds the image and writes it to the output name: a new file ("wb") or behind a
// launcher copy ("ab"). The fatal reports do not return (the session then removes the
// incomplete file); the returns only keep the flow plain to read.
void WriteBlock(const char* mode, WriteSession& session) {
    const char* name = gOut.outputName.c_str();
    ReportMessage(msg::TraceOpening, nullptr, name);
    gOut.file = fopen(name, mode);
    if (gOut.file == nullptr) return ReportMessage(msg::CanNotOpenFile, nullptr, name);
    session.created = true;
    Image out;
    BuildImage(out);
    FlushImage(out);
    if (fflush(gOut.file) != 0 || ferror(gOut.file)) return ReportMessage(msg::WritingFile, nullptr);
    FILE* file = gOut.file;
    gOut.file = nullptr;
    if (fclose(file) != 0) return ReportMessage(msg::FileAccessFailed, nullptr, name);
}

bool SamePath(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

void WriteExecutable(WriteSession& session) {
    const char* launcherName = IsFlagOption(opt::gs) ? SERVICE_LAUNCHER : CONSOLE_LAUNCHER;
    const char* name = gOut.outputName.c_str();
    std::string launcher = FindLauncher(launcherName);
    if (launcher.empty()) return ReportMessage(msg::CanNotOpenFile, nullptr, launcherName);
    // Copying a launcher onto itself would empty it.
    if (SamePath(launcher, gOut.outputName))
        return ReportMessage(msg::CanNotOpenFile, nullptr, name);
    session.created = true;
    if (!CopyLauncher(launcher, gOut.outputName))
        return ReportMessage(msg::CanNotOpenFile, nullptr, name);
    WriteBlock("ab", session);
}

}  // namespace

// --- building up the output ----------------------------------------------------------

void InitOutputState() {
    for (DataBuffer** p :
         {&gCode, &gOut.fixedData, &gOut.fixups, &gOut.dataSwaps, &gOut.sourceNames})
        ReleaseBuffer(*p);
    gOut = OutputState{};
    gCodeSize = 0;
    gCode = CreateBuffer();
    gOut.fixedData = CreateBuffer();
    gOut.fixups = CreateBuffer();
    gOut.dataSwaps = CreateBuffer();
    gOut.sourceNames = CreateBuffer();
}

namespace {

void RefuseOutput() {
    gOut.outputRefused = true;
    ReportMessage(msg::OutputIsSource, nullptr, gOut.outputName.c_str());
}

// A stale image must not survive a compilation that writes none. Only regular files are
// images; a device or a directory of that name is left alone (writing to it fails or
// succeeds later on its own terms). Removal waits until the end of the compilation, so
// that an include file opened later that turns out to be the output is refused while it
// still exists.
void RemoveStaleOutput() {
    const char* name = gOut.outputName.c_str();
    if (gOut.outputRefused || !gOut.outputExists || !IsRegularFile(name)) return;
    gOut.outputExists = false;
    ReportMessage(msg::TraceRemoving, nullptr, name);
    if (unlink(name) != 0) ReportMessage(msg::FileAccessFailed, nullptr, name);
}

}  // namespace

void OpenOutput(const char* outputName, const char* headerText) {
    if (!CODEGEN_OK(outputName != NULL)) return;
    gOut.outputName = outputName;
    gOut.headerText = headerText != nullptr ? headerText : "";
    gOut.hasLineTable = IsFlagOption(opt::ln);
    gOut.lineTable.clear();
    gOut.outputExists = IdentityOf(outputName, gOut.output);
    if (!gOut.outputExists) return;
    for (const FileIdentity& source : gOut.sources)
        if (source == gOut.output) return RefuseOutput();
}

void AppendCode(const void* bytes, uint32_t size) {
    AppendSection(gCode, gCodeSize, bytes, size, msg::LimitCodeSize);
}

uint32_t AppendCodeAt(const void* bytes, uint32_t size) {
    const uint32_t at = gCodeSize;
    AppendSection(gCode, gCodeSize, bytes, size, msg::LimitCodeSize);
    return at;
}

uint32_t AppendCodePaddedSlow(const uint8_t* block, uint32_t size) {
    const uint32_t at = gCodeSize;
    if (at > UINT32_MAX - size) {
        ReportMessage(msg::LimitCodeSize, nullptr);
        return at;
    }
    if (!CODEGEN_OK(gCode != NULL)) return at;
    DataBufferAppendPadded(gCode, block, size);
    gCodeSize += size;
    return at;
}

void AppendFixedData(const void* bytes, uint32_t size) {
    AppendSection(gOut.fixedData, gOut.fixedDataSize, bytes, size, msg::LimitFixedDataSize);
}

uint32_t AppendFixedBytes(const void* bytes, uint32_t size) {
    const uint32_t offset = gOut.fixedDataSize;
    AppendFixedData(bytes, size);
    return offset;
}

uint32_t AppendFixedTable(const uint32_t* words, uint32_t count) {
    const uint32_t offset = gOut.fixedDataSize;
    if (!CODEGEN_OK(words != NULL) || !CODEGEN_OK(count != 0) ||
        !CODEGEN_OK(count <= UINT32_MAX / 4))
        return offset;
    std::vector<uint8_t> bytes(static_cast<size_t>(count) * 4);
    for (uint32_t i = 0; i < count; ++i) vm::StoreLE32(bytes.data() + 4 * i, words[i]);
    const uint32_t before = gOut.fixedDataSize;
    AppendFixedData(bytes.data(), count * 4);
    // A refused append (size limit) leaves nothing to swap.
    if (gOut.fixedDataSize != before) AddDataSwapRun(offset, count);
    return offset;
}

uint32_t GetCodeSize() { return gCodeSize; }
uint32_t GetFixedDataSize() { return gOut.fixedDataSize; }

void AddFixup(uint32_t codePosition, uint32_t value) {
    if (CODEGEN_OK(gOut.fixups != NULL)) AppendPair(gOut.fixups, codePosition, value);
}

void AddDataSwapRun(uint32_t dataOffset, uint32_t wordCount) {
    if (CODEGEN_OK(gOut.dataSwaps != NULL)) AppendPair(gOut.dataSwaps, dataOffset, wordCount);
}

void AddSourceName(const char* name) {
    if (!CODEGEN_OK(name != NULL) || !CODEGEN_OK(gOut.sourceNames != NULL)) return;
    DataBufferAppend(gOut.sourceNames, name, (uint32_t)strlen(name) + 1);
    FileIdentity id;
    if (!IdentityOf(name, id)) return;
    gOut.sources.push_back(id);
    if (gOut.outputExists && id == gOut.output) RefuseOutput();
}

void SetGlobalsSize(uint32_t size) { gOut.globalsSize = size; }
void SetEntryPoint(uint32_t offset) { gOut.entryPoint = offset; }

void MarkLine(uint32_t line, uint32_t offset) {
    if (!gOut.hasLineTable) return;
    std::vector<uint32_t>& table = gOut.lineTable;
    uint32_t n = (uint32_t)table.size();
    if (line == n && n != 0 && offset != 0 && table[n - 1] == 0) {
        table[n - 1] = offset;
    } else if (line > n) {
        table.resize(line - 1, 0);
        table.push_back(offset);
    }
}

void WriteImage(bool complete) {
    if (gOut.writing || gOut.outputRefused) return;
    // The new image is a new file: a stale one goes first, so that another name linked
    // to it keeps its contents.
    RemoveStaleOutput();
    if (ErrorCount() != 0 || !complete) return;
    // A break that came after the parser's last look is still a break: no image.
    if (UserBreak()) return ReportMessage(msg::TerminatedByUser, nullptr);
    gOut.writing = true;
    WriteSession session;
    if (!CODEGEN_OK(gCode != NULL) || !CODEGEN_OK(gOut.fixedData != NULL) ||
        !CODEGEN_OK(gOut.fixups != NULL) || !CODEGEN_OK(gOut.dataSwaps != NULL) ||
        !CODEGEN_OK(gOut.sourceNames != NULL))
        return;
    if (HasExeExtension(gOut.outputName))
        WriteExecutable(session);
    else
        WriteBlock("wb", session);
    // An image that starts with a "#!" line is meant to be run by name, like a script.
    if (!gOut.headerText.empty() && chmod(gOut.outputName.c_str(), 0755) != 0)
        ReportMessage(msg::FileAccessFailed, nullptr, gOut.outputName.c_str());
    session.completed = true;
}

void SetLauncherDirectory(const char* directory) {
    gLauncherDirectory = directory != nullptr ? directory : "";
}

}  // namespace tarn::tpc
