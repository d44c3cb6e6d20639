// Tarn.FileSystem: files and folders by path. Failures raise exceptions that carry the
// system's reason, so a program sees error 47 with, for example,
// "DeleteFile 'x.txt': No such file or directory".
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "server_object.h"

namespace tarn::servers {

namespace {

enum Id : int32_t {
    FileExists, FolderExists, CreateFolder, DeleteFile, DeleteFolder, CopyFile, MoveFile, FileSize, ReadAll,
    WriteText, AppendText, GetFileName, GetParentFolderName, GetExtensionName, BuildPath, DateLastModified,
    TempFolder, ListFolder,
};

constexpr Member kMembers[] = {
    {"FileExists", FileExists},       {"FolderExists", FolderExists},
    {"CreateFolder", CreateFolder},   {"DeleteFile", DeleteFile},
    {"DeleteFolder", DeleteFolder},   {"CopyFile", CopyFile},
    {"MoveFile", MoveFile},           {"FileSize", FileSize},
    {"ReadAll", ReadAll},             {"WriteText", WriteText},
    {"AppendText", AppendText},       {"GetFileName", GetFileName},
    {"GetParentFolderName", GetParentFolderName}, {"GetExtensionName", GetExtensionName},
    {"BuildPath", BuildPath},         {"DateLastModified", DateLastModified},
    {"TempFolder", TempFolder},       {"ListFolder", ListFolder},
};

// The argument count each member takes (min, max).
struct Arity {
    uint32_t min, max;
};
constexpr Arity kArity[] = {
    {1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}, {2, 3}, {2, 2}, {1, 1}, {1, 1},
    {2, 2}, {2, 2}, {1, 1}, {1, 1}, {1, 1}, {2, 2}, {1, 1}, {0, 0}, {1, 1},
};

tarn_result Failed(Call& call, const char* what, const std::string& path, int err) {
    return call.Raise(std::string(what) + " '" + path + "': " + std::strerror(err));
}

bool IsKind(const std::string& path, mode_t kind) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == kind;
}

std::string FileName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ParentName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ExtensionName(const std::string& path) {
    std::string name = FileName(path);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? "" : name.substr(dot + 1);
}

// Seconds since 1970 to an automation date (days since 1899-12-30), in local time, as
// a file manager shows it.
double AutomationDate(time_t t) {
    struct tm local;
    localtime_r(&t, &local);
    return static_cast<double>(t + local.tm_gmtoff) / 86400.0 + 25569.0;
}

tarn_result Copy(Call& call, const std::string& from, const std::string& to, bool overwrite) {
    if (!overwrite && access(to.c_str(), F_OK) == 0) return call.Raise("CopyFile: '" + to + "' already exists");
    std::ifstream in(from, std::ios::binary);
    if (!in) return Failed(call, "CopyFile", from, errno);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!out) return Failed(call, "CopyFile", to, errno);
    out << in.rdbuf();
    out.flush();
    if (!out) return Failed(call, "CopyFile", to, errno ? errno : EIO);
    return TARN_OK;
}

tarn_result Write(Call& call, const std::string& path, const std::string& text, bool append) {
    std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    if (!out) return Failed(call, append ? "AppendText" : "WriteText", path, errno);
    out << text;
    out.flush();
    if (!out) return Failed(call, append ? "AppendText" : "WriteText", path, errno ? errno : EIO);
    return TARN_OK;
}

// A Tarn.Dictionary of the folder's entries, sorted by name, each with its size in bytes
// (-1 for a folder).
tarn_result List(Call& call, const std::string& path) {
    DIR* dir = opendir(path.c_str());
    if (!dir) return Failed(call, "ListFolder", path, errno);
    std::map<std::string, int64_t> names;
    while (dirent* d = readdir(dir)) {
        std::string name = d->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        std::string full = path + "/" + name;
        int64_t size = stat(full.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) ? static_cast<int64_t>(st.st_size) : -1;
        names[name] = size;
    }
    closedir(dir);
    tarn_dispatch* dictionary = NewDictionary();
    for (const auto& [name, size] : names) {
        tarn_variant args[2];  // reversed: value, then key
        args[0].vt = TARN_VT_R8;
        args[0].u.r8 = static_cast<double>(size);
        args[1].vt = TARN_VT_BSTR;
        args[1].u.bstr = tarn_sysstr_from_bytes(name.data(), static_cast<uint32_t>(name.size()));
        tarn_params params{args, nullptr, 2, 0};
        tarn_sysstr add = tarn_sysstr_from_cstr("Add");
        int32_t id = 0;
        dictionary->vtbl->get_ids_of_names(dictionary, &add, 1, TARN_LOCALE_USER_DEFAULT, &id);
        tarn_exception ex{};
        uint32_t bad = 0;
        dictionary->vtbl->invoke(dictionary, id, TARN_LOCALE_USER_DEFAULT, TARN_DISPATCH_METHOD, &params, nullptr, &ex, &bad);
        tarn_sysstr_free(add);
        tarn_variant_clear(&args[1]);
    }
    return call.ReturnObject(dictionary);
}

class FileSystem final : public ServerObject {
protected:
    const Member* Members(size_t& count) const override {
        count = std::size(kMembers);
        return kMembers;
    }
    tarn_result Invoke(int32_t id, Call& call) override;
};

tarn_result FileSystem::Invoke(int32_t id, Call& call) {
    if (id < 0 || id > ListFolder || call.IsPut()) return TARN_E_MEMBER_NOT_FOUND;
    if (!call.Arity(kArity[id].min, kArity[id].max)) return TARN_E_BAD_PARAM_COUNT;
    std::string a, b;
    if (kArity[id].min >= 1 && !call.Text(0, a)) return TARN_E_EXCEPTION;
    if (kArity[id].min >= 2 && !call.Text(1, b)) return TARN_E_EXCEPTION;
    struct stat st;
    switch (id) {
        case FileExists: return call.ReturnBoolean(IsKind(a, S_IFREG));
        case FolderExists: return call.ReturnBoolean(IsKind(a, S_IFDIR));
        case CreateFolder: return mkdir(a.c_str(), 0777) == 0 ? TARN_OK : Failed(call, "CreateFolder", a, errno);
        case DeleteFile:
            if (IsKind(a, S_IFDIR)) return Failed(call, "DeleteFile", a, EISDIR);
            return unlink(a.c_str()) == 0 ? TARN_OK : Failed(call, "DeleteFile", a, errno);
        case DeleteFolder: return rmdir(a.c_str()) == 0 ? TARN_OK : Failed(call, "DeleteFolder", a, errno);
        case CopyFile: {
            bool overwrite = true;
            if (call.Arg(2) && !call.Boolean(2, overwrite)) return TARN_E_EXCEPTION;
            return Copy(call, a, b, overwrite);
        }
        case MoveFile: return rename(a.c_str(), b.c_str()) == 0 ? TARN_OK : Failed(call, "MoveFile", a, errno);
        case FileSize:
            if (stat(a.c_str(), &st) != 0) return Failed(call, "FileSize", a, errno);
            return call.ReturnInteger(static_cast<int64_t>(st.st_size));
        case ReadAll: {
            std::ifstream in(a, std::ios::binary);
            if (!in) return Failed(call, "ReadAll", a, errno);
            std::ostringstream text;
            text << in.rdbuf();
            return call.ReturnText(text.str());
        }
        case WriteText: return Write(call, a, b, false);
        case AppendText: return Write(call, a, b, true);
        case GetFileName: return call.ReturnText(FileName(a));
        case GetParentFolderName: return call.ReturnText(ParentName(a));
        case GetExtensionName: return call.ReturnText(ExtensionName(a));
        case BuildPath:
            if (a.empty() || a.back() == '/') return call.ReturnText(a + b);
            return call.ReturnText(a + "/" + b);
        case DateLastModified:
            if (stat(a.c_str(), &st) != 0) return Failed(call, "DateLastModified", a, errno);
            return call.ReturnDate(AutomationDate(st.st_mtime));
        case TempFolder: {
            const char* tmp = std::getenv("TMPDIR");
            return call.ReturnText(tmp && *tmp ? tmp : "/tmp");
        }
        case ListFolder: return List(call, a);
    }
    return TARN_E_MEMBER_NOT_FOUND;
}

}  // namespace

tarn_dispatch* NewFileSystem() { return new FileSystem; }

}  // namespace tarn::servers
