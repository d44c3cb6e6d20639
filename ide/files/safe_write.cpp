// Safe file writing, whole-file reading and directory creation on POSIX.
#include "ide/files/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tarn::ide {

namespace {

std::string Reason(const std::string& path, int err) { return path + ": " + std::strerror(err); }

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(size_t(n));
    }
    return true;
}

}  // namespace

bool WriteFileSafely(const std::string& path, std::string_view data, bool backup,
                     std::string& error) {
    struct stat old {};
    bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {  // never rename a directory or device away
        error = Reason(path, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
        return false;
    }
    std::string tmp = path + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        error = Reason(path, errno);
        return false;
    }
    // The new file keeps the old one's permissions; a new file gets the usual 0666 & ~umask.
    mode_t mode = exists ? (old.st_mode & 07777) : [] {
        mode_t mask = ::umask(0);
        ::umask(mask);
        return mode_t(0666 & ~mask);
    }();
    bool ok = WriteAll(fd, data) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && backup && exists) {
        std::string bak = path;
        size_t slash = bak.rfind('/');
        size_t dot = bak.rfind('.');
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
            bak.resize(dot);
        bak += ".bak";
        ::unlink(bak.c_str());
        if (::rename(path.c_str(), bak.c_str()) != 0) {
            ok = false;
            err = errno;
        }
    }
    if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        error = Reason(path, err);
    }
    return ok;
}

bool ReadWholeFile(const std::string& path, std::string& data, std::string& error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = Reason(path, errno);
        return false;
    }
    data.clear();
    struct stat st {};
    if (::fstat(::fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        error = Reason(path, EISDIR);
        return false;
    }
    if (st.st_size > 0) data.reserve(size_t(st.st_size));
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.append(chunk, n);
    bool ok = !std::ferror(f);
    int err = errno;
    std::fclose(f);
    if (!ok) error = Reason(path, err);
    return ok;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MakeDirectories(const std::string& path, std::string& error) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i != path.size() && path[i] != '/') continue;
        std::string part = path.substr(0, i);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            error = Reason(part, errno);
            return false;
        }
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = Reason(path, ENOTDIR);
        return false;
    }
    return true;
}

bool CopyFile(const std::string& from, const std::string& to, std::string& error) {
    std::string data;
    return ReadWholeFile(from, data, error) && WriteFileSafely(to, data, false, error);
}

}  // namespace tarn::ide
