// The engine's eleven exported entry points (tarnrt.h). Everything else in the library is
// hidden; these are thin shells over the loader, the ELF reader and the error reporter.
#include "runtime/tarnrt.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "runtime/elfimage.h"
#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/interp.h"
#include "runtime/loader.h"

namespace tarn::rt {
namespace {

constexpr size_t kMaxName = 260;

// An image opened for inspection: OpenExecutable checks the header and leaves the source
// at the first record.
struct ExecutableHandle {
    ImageSource source;
    bool swapped = false;
    bool ended = false;  // REC_END or a bad record seen: no more names
};

void SetRunOptions(int trace, int showAddresses, uint32_t stopEvent) {
    g_engine.trace = trace != 0;
    g_engine.showAddresses = showAddresses != 0;
    g_engine.stopEvent = stopEvent;
}

// The image name and the log file name that goes with it; both empty for a name that
// does not fit the 260-character buffers.
void SetImageName(const std::string& name) {
    g_engine.imageName.clear();
    g_engine.logName.clear();
    if (name.size() > kMaxName) return;
    g_engine.imageName = name;
    g_engine.logName = LogFileNameFor(name);
}

// The running executable's full path. It is read whole, never cut: a path longer than the
// name limit must be refused by SetImageName, not shortened into another file's name.
std::string SelfPath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string{};
}

bool HasExtension(const char* name, const char* ext) {
    const char* slash = std::strrchr(name, '/');
    const char* dot = std::strrchr(name, '.');
    return dot != nullptr && (slash == nullptr || dot > slash) && strcasecmp(dot, ext) == 0;
}

// The OpenExecutable search: an executable (".exe" or any ELF file) is tried for the
// image section, then for an image appended to it; ".dll" only for the appended image;
// anything else is a plain image file.
bool OpenAnyImage(ImageSource& src, const char* name) {
    std::string path = FindImagePath(name);
    if (path.empty()) return false;
    bool elf = IsElfFile(path.c_str());
    bool exe = elf || HasExtension(name, ".exe");
    if (exe && OpenImageSection(src, path.c_str())) return true;
    if (exe || HasExtension(name, ".dll")) {
        uint32_t offset = ElfContentsEnd(path.c_str());
        return offset != 0 && OpenImageFile(src, path.c_str(), offset);
    }
    return OpenImageFile(src, path.c_str(), 0);
}

}  // namespace
}  // namespace tarn::rt

using namespace tarn::rt;

extern "C" {

int RunConsoleFromFile(int argc, char** argv, const char* fileName, uint32_t imageOffset, int skipCount,
                       int trace, int showAddresses, uint32_t stopEvent) {
    SetRunOptions(trace, showAddresses, stopEvent);
    if (fileName == nullptr) {
        std::printf("[TARNRUN] ERROR: %s", "filename not specified.\n");
        std::fflush(stdout);
        return 1;
    }
    SetImageName(fileName);
    ImageSource src;
    if (!OpenImageFile(src, fileName, imageOffset)) {
        std::printf("[TARNRUN] ERROR: %s", "Can not open ");
        std::printf("'%s'.\n", fileName);
        std::fflush(stdout);
        return 1;
    }
    if (!LoadImage(src)) return 1;
    return RunProgram(argc, argv, skipCount);
}

int RunConsoleFromResource(int argc, char** argv, const char* exeName, int trace, int showAddresses,
                           uint32_t stopEvent) {
    SetRunOptions(trace, showAddresses, stopEvent);
    SetImageName(exeName != nullptr ? std::string(exeName) : SelfPath());
    ImageSource src;
    if (!OpenImageSection(src, exeName)) {
        std::printf("[TARNRUN] ERROR: %s", "Can not open application resource.\n");
        std::fflush(stdout);
        return 1;
    }
    if (!LoadImage(src)) return 1;
    return RunProgram(argc, argv, 1);
}

int CheckImageForResource(const char* exeName) {
    SectionExtent extent;
    return FindImageSection(exeName, extent) ? 1 : 0;
}

uint32_t CalcSizeOfImageFile(const char* fileName) { return ElfContentsEnd(fileName); }

void* OpenExecutable(const char* fileName) {
    auto* handle = new (HostAlloc(sizeof(ExecutableHandle))) ExecutableHandle;
    ImageHeader header;
    if (fileName == nullptr || !OpenAnyImage(handle->source, fileName) || !CheckHeader(handle->source, header, ShortRead::Refuse)) {
        CloseExecutable(handle);
        return nullptr;
    }
    handle->swapped = header.swapped;
    return handle;
}

int GetSourceName(void* handle, char* buffer, uint32_t size) {
    auto* h = static_cast<ExecutableHandle*>(handle);
    if (h == nullptr || h->ended) return 0;
    static Record r;  // 1 KiB; kept off the stack
    for (;;) {
        if (ReadRecord(h->source, h->swapped, r) != RecordFault::None || r.id == tarn::vm::REC_END) {
            h->ended = true;
            return 0;
        }
        if (r.id != tarn::vm::REC_SOURCE_NAME) continue;
        if (buffer == nullptr || r.length >= size) return 0;
        std::memcpy(buffer, r.data, r.length);
        buffer[r.length] = 0;
        return 1;
    }
}

int CloseExecutable(void* handle) {
    auto* h = static_cast<ExecutableHandle*>(handle);
    if (h != nullptr) {
        SourceClose(h->source);
        h->~ExecutableHandle();
        std::free(h);
    }
    return 1;
}

void GetMem(void** p, uint32_t size) {
    if (p != nullptr) *p = HostAlloc(size);
}

void FreeMem(void** p) {
    if (p == nullptr) return;
    std::free(*p);
    *p = nullptr;
}

void SetUserBreak(void) {
    g_userBreak = 1;
    BreakDispatch();
}

void RunTimeError(const char* message) { tarn::rt::RunTimeError(message != nullptr ? message : ""); }

}  // extern "C"
