// Directories and the routines that work on file names: opendir, readdir, rewinddir,
// closedir, chdir, mkdir, rmdir, the dates, times and modes of files, fexpand and fsplit.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/files.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "runtime/vmstrings.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

using vm::Std;

std::vector<DIR*> g_dirs;  // a directory variable holds handle h for entry h - 1

// Longest name the path routines take, and longest expanded name.
constexpr size_t kMaxPath = 260;

StdOutcome Done() { return StdOutcome::Continue; }

DIR* DirOf(uint32_t handle) {
    if (handle == 0 || handle > g_dirs.size()) return nullptr;
    return g_dirs[handle - 1];
}

// ---- Directories -------------------------------------------------------------------------

// opendir (34, stack: name, address of the directory variable).
StdOutcome OpenDir(Regs& r, int&) {
    uint32_t dv = Pop(r);
    std::string name = PopString(r);
    ClearErrors();
    uint32_t handle = VmWord(dv);
    if (DIR* old = DirOf(handle)) {
        closedir(old);
        g_dirs[handle - 1] = nullptr;
    }
    SetVmWord(dv, kUndefinedWord);
    DIR* d = opendir(name.c_str());
    if (!d) return RecordError(ErrorNo::OpenDirFailure), Done();
    g_dirs.push_back(d);
    SetVmWord(dv, static_cast<uint32_t>(g_dirs.size()));
    return Done();
}

// readdir (48, stack: value of the directory variable -- name); the empty string at the end.
StdOutcome ReadDir(Regs& r, int&) {
    DIR* d = DirOf(Pop(r));
    ClearErrors();
    std::string name;
    if (!d) {
        RecordError(ErrorNo::UndefinedDirVariable);
    } else {
        errno = 0;
        if (dirent* e = readdir(d)) name = e->d_name;
        else if (errno != 0) RecordError(ErrorNo::ReadDirFailure);
    }
    PushString(r, name);
    return Done();
}

// closedir (18, stack: address of the directory variable); the variable becomes undefined.
StdOutcome CloseDir(Regs& r, int&) {
    uint32_t dv = Pop(r);
    ClearErrors();
    uint32_t handle = VmWord(dv);
    DIR* d = DirOf(handle);
    if (!d) return RecordError(ErrorNo::UndefinedDirVariable), Done();
    g_dirs[handle - 1] = nullptr;
    SetVmWord(dv, kUndefinedWord);
    if (closedir(d) != 0) RecordError(ErrorNo::CloseDirFailure);
    return Done();
}

// rewinddir (50, stack: value of the directory variable).
StdOutcome RewindDir(Regs& r, int&) {
    DIR* d = DirOf(Pop(r));
    ClearErrors();
    if (!d) return RecordError(ErrorNo::UndefinedDirVariable), Done();
    rewinddir(d);
    return Done();
}

StdOutcome ChDir(Regs& r, int&) {
    std::string name = PopString(r);
    ClearErrors();
    if (name.empty() || chdir(name.c_str()) != 0) RecordError(ErrorNo::ChDirFailure);
    return Done();
}

// mkdir (31, stack: name, mode in the language's bits).
StdOutcome MkDir(Regs& r, int&) {
    uint32_t mode = Pop(r);
    std::string name = PopString(r);
    ClearErrors();
    if (name.empty() || mkdir(name.c_str(), PosixMode(mode) & 07777) != 0) RecordError(ErrorNo::MkDirFailure);
    return Done();
}

StdOutcome RmDir(Regs& r, int&) {
    std::string name = PopString(r);
    ClearErrors();
    if (name.empty() || rmdir(name.c_str()) != 0) RecordError(ErrorNo::RmDirFailure);
    return Done();
}

// ---- Dates, times and modes -------------------------------------------------------------

// getfilemode (32, stack: name -- mode).
StdOutcome GetFileMode(Regs& r, int&) {
    std::string name = PopString(r);
    ClearErrors();
    struct stat st {};
    uint32_t mode = 0;
    if (stat(name.c_str(), &st) != 0) RecordError(ErrorNo::FileGetModeFailure);
    else mode = LanguageMode(st.st_mode);
    Push(r, mode);
    return Done();
}

// The local modification time of name; false when the file cannot be examined.
bool ModificationTime(const std::string& name, std::tm& tm) {
    struct stat st {};
    if (stat(name.c_str(), &st) != 0) return false;
    time_t t = st.st_mtim.tv_sec;
    return localtime_r(&t, &tm) != nullptr;
}

// getfiledate (27) and getfiletime (30), stack: name and three result addresses.
StdOutcome GetFileStamp(Regs& r, bool date) {
    uint32_t a3 = Pop(r), a2 = Pop(r), a1 = Pop(r);
    std::string name = PopString(r);
    ClearErrors();
    std::tm tm {};
    if (!ModificationTime(name, tm)) {
        RecordError(date ? ErrorNo::FileGetDateFailure : ErrorNo::FileGetTimeFailure);
        return Done();
    }
    if (date) {
        SetVmWord(a1, static_cast<uint32_t>(tm.tm_year + 1900));
        SetVmWord(a2, static_cast<uint32_t>(tm.tm_mon + 1));
        SetVmWord(a3, static_cast<uint32_t>(tm.tm_mday));
    } else {
        SetVmWord(a1, static_cast<uint32_t>(tm.tm_hour));
        SetVmWord(a2, static_cast<uint32_t>(tm.tm_min));
        SetVmWord(a3, static_cast<uint32_t>(tm.tm_sec));
    }
    return Done();
}
StdOutcome GetFileDate(Regs& r, int&) { return GetFileStamp(r, true); }
StdOutcome GetFileTime(Regs& r, int&) { return GetFileStamp(r, false); }

// setfiledate (53: year, month, day; all three 0 means today) and setfiletime (54: hour,
// minute, second) change the modification time and keep the other half of it. A value that
// names no real date or time is refused.
StdOutcome SetFileStamp(Regs& r, bool date) {
    int32_t v3 = static_cast<int32_t>(Pop(r));
    int32_t v2 = static_cast<int32_t>(Pop(r));
    int32_t v1 = static_cast<int32_t>(Pop(r));
    std::string name = PopString(r);
    ClearErrors();
    ErrorNo failure = date ? ErrorNo::FileSetDateFailure : ErrorNo::FileSetTimeFailure;
    std::tm tm {};
    if (!ModificationTime(name, tm)) return RecordError(failure), Done();
    if (date && v1 == 0 && v2 == 0 && v3 == 0) {
        std::tm today {};
        time_t now = std::time(nullptr);
        localtime_r(&now, &today);
        v1 = today.tm_year + 1900, v2 = today.tm_mon + 1, v3 = today.tm_mday;
    }
    if (date) tm.tm_year = v1 - 1900, tm.tm_mon = v2 - 1, tm.tm_mday = v3;
    else tm.tm_hour = v1, tm.tm_min = v2, tm.tm_sec = v3;
    tm.tm_isdst = -1;
    std::tm wanted = tm;
    time_t t = mktime(&tm);
    // mktime quietly moves 31 February to March; such a value is no date at all.
    bool valid = t != static_cast<time_t>(-1) &&
                 (date ? tm.tm_year == wanted.tm_year && tm.tm_mon == wanted.tm_mon && tm.tm_mday == wanted.tm_mday
                       : v1 >= 0 && v1 <= 23 && v2 >= 0 && v2 <= 59 && v3 >= 0 && v3 <= 59);
    if (!valid) return RecordError(failure), Done();
    timespec times[2] = {{0, UTIME_OMIT}, {t, 0}};
    if (utimensat(AT_FDCWD, name.c_str(), times, 0) != 0) RecordError(failure);
    return Done();
}
StdOutcome SetFileDate(Regs& r, int&) { return SetFileStamp(r, true); }
StdOutcome SetFileTime(Regs& r, int&) { return SetFileStamp(r, false); }

// ---- Names --------------------------------------------------------------------------------

StdOutcome FExpand(Regs& r, int&) {
    std::string name = PopString(r);
    ClearErrors();
    std::string full = ExpandFileName(name);
    if (full.empty() || full.size() >= kMaxPath) {
        RecordError(ErrorNo::FileExpandFailure);
        full.clear();
    }
    PushString(r, full);
    return Done();
}

// Stores s in the string variable at a of maximum length max (a 1-byte prefix up to 255,
// else 4 bytes).
void StoreStringVar(uint32_t a, uint32_t max, const std::string& s) {
    uint32_t n = static_cast<uint32_t>(s.size());
    uint32_t prefix = max <= 255 ? 1 : 4;
    if (prefix == 1) *VmSpan(a, 1) = static_cast<uint8_t>(n);
    else SetVmWord(a, n);
    if (n) std::memcpy(VmSpan(a + prefix, n), s.data(), n);
}

// fsplit (24, stack: path, then maximum length and address of the directory, name and
// extension variables (0 and 0 for one left out), then the longest path taken). The
// directory keeps its final '/', the extension its '.'. A part longer than its variable is
// an error, and nothing is stored.
StdOutcome FSplit(Regs& r, int&) {
    uint32_t limit = Pop(r);
    uint32_t extA = Pop(r), extMax = Pop(r);
    uint32_t nameA = Pop(r), nameMax = Pop(r);
    uint32_t dirA = Pop(r), dirMax = Pop(r);
    std::string path = PopString(r);
    ClearErrors();
    size_t slash = path.rfind('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    size_t extStart = (dot == std::string::npos || dot < nameStart) ? path.size() : dot;
    std::string dir = path.substr(0, nameStart);
    std::string name = path.substr(nameStart, extStart - nameStart);
    std::string ext = path.substr(extStart);
    bool fits = path.size() <= limit && (!dirA || dir.size() <= dirMax) && (!nameA || name.size() <= nameMax) &&
                (!extA || ext.size() <= extMax);
    if (!fits) return RecordError(ErrorNo::FileSplitFailure), Done();
    if (dirA) StoreStringVar(dirA, dirMax, dir);
    if (nameA) StoreStringVar(nameA, nameMax, name);
    if (extA) StoreStringVar(extA, extMax, ext);
    return Done();
}

// filematch (179): stack pattern name; pushes 1 when the name matches the shell wildcard
// pattern (*, ? and [...] classes; a leading period or a slash needs no special match).
StdOutcome FileMatch(Regs& r, int&) {
    std::string name = PopString(r);
    std::string pattern = PopString(r);
    Push(r, fnmatch(pattern.c_str(), name.c_str(), 0) == 0 ? 1 : 0);
    return Done();
}

}  // namespace

// ---- Shared ---------------------------------------------------------------------------------

namespace {
// The language's mode bits and the POSIX bits they stand for.
constexpr struct {
    uint32_t language;
    uint32_t posix;
} kModeBits[] = {
    {1, S_IRUSR},   {2, S_IWUSR},   {4, S_IXUSR},    {16, S_IRGRP},   {32, S_IWGRP},
    {64, S_IXGRP},  {256, S_IROTH}, {512, S_IWOTH},  {1024, S_IXOTH}, {4096, S_IFDIR},
};
}  // namespace

uint32_t PosixMode(uint32_t languageMode) {
    uint32_t m = 0;
    for (const auto& b : kModeBits)
        if (languageMode & b.language) m |= b.posix;
    return m;
}

uint32_t LanguageMode(uint32_t posixMode) {
    uint32_t m = 0;
    for (const auto& b : kModeBits) {
        bool set = b.posix == S_IFDIR ? S_ISDIR(posixMode) : (posixMode & b.posix) != 0;
        if (set) m |= b.language;
    }
    return m;
}

std::string ExpandFileName(const std::string& name) {
    std::string path = name;
    if (path.empty() || path[0] != '/') {
        char cwd[4096];
        if (!getcwd(cwd, sizeof cwd)) return {};
        path = std::string(cwd) + "/" + path;
    }
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos) j = path.size();
        std::string part = path.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string full;
    for (const auto& p : parts) full += "/" + p;
    if (full.empty()) full = "/";
    if (name.size() > 1 && name.back() == '/' && full != "/") full += '/';
    return full;
}

void ReleaseDirs() {
    for (DIR*& d : g_dirs)
        if (d) closedir(d), d = nullptr;
    g_dirs.clear();
}

void RegisterDirRoutines() {
    static const struct {
        Std n;
        StdRoutine routine;
    } kRoutines[] = {
        {Std::OpenDir, OpenDir},         {Std::ReadDir, ReadDir},         {Std::CloseDir, CloseDir},
        {Std::RewindDir, RewindDir},     {Std::ChDir, ChDir},             {Std::MkDir, MkDir},
        {Std::RmDir, RmDir},             {Std::GetFileMode, GetFileMode}, {Std::GetFileDate, GetFileDate},
        {Std::GetFileTime, GetFileTime}, {Std::SetFileDate, SetFileDate}, {Std::SetFileTime, SetFileTime},
        {Std::FExpand, FExpand},         {Std::FSplit, FSplit},           {Std::FileMatch, FileMatch},
    };
    for (const auto& e : kRoutines) RegisterStd(vm::Number(e.n), e.routine);
}

}  // namespace tarn::rt
