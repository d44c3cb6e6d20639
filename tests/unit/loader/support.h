// Helpers for the loader tests: a byte-level image builder (so that tests can write exactly
// the broken image they mean, field by field, in either byte order), and ways to run the
// loader or a program in a child process and see its output and exit status.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "vm/bytes.h"
#include "vm/image.h"
#include "vm/opcodes.h"

namespace tarn::rt::test {

// ---- Image builder --------------------------------------------------------------------

// Code and data are kept in the image's own byte order, as a writer would emit them.
struct TestImage {
    bool big = false;
    uint32_t version = vm::kFormatVersion;
    uint32_t flags = 0;
    uint8_t wordBits = vm::kWordBits;
    std::array<uint8_t, 5> magic = vm::kImageMagic;
    std::optional<std::string> script;  // "#!" + text + "\n" before the header
    uint32_t dataBase = 16;
    uint32_t stackSize = 1024;
    uint32_t entry = 0;
    std::optional<uint32_t> codeSize;  // override of the computed size
    std::optional<uint32_t> dataSize;
    std::vector<std::string> sources;
    std::vector<uint8_t> code;
    std::vector<uint8_t> data;
    std::vector<std::pair<uint32_t, uint32_t>> fixups;  // code offset, addend
    std::vector<std::pair<uint32_t, uint32_t>> swaps;   // data offset, word count
    std::vector<uint32_t> lines;
    std::optional<uint32_t> lineCount;  // override of the line table's count word

    bool WordOps() const { return (flags & vm::kFlagWordOpcodes) != 0; }

    void Op(vm::Op op) {
        if (WordOps())
            vm::Append32(code, static_cast<uint32_t>(op), big);
        else
            code.push_back(static_cast<uint8_t>(op));
    }
    void Op(vm::Op op, uint32_t w) { Op(op), vm::Append32(code, w, big); }
    void Op(vm::Op op, uint32_t a, uint32_t b) { Op(op, a), vm::Append32(code, b, big); }
    void OpReal(vm::Op op, double r) { Op(op), vm::AppendReal64(code, r, big); }
    void DataWord(uint32_t w) { vm::Append32(data, w, big); }

    static void Record(std::vector<uint8_t>& out, uint8_t id, const std::vector<uint8_t>& payload, bool big) {
        out.push_back(id);
        vm::Append32(out, static_cast<uint32_t>(payload.size()), big);
        out.insert(out.end(), payload.begin(), payload.end());
        out.push_back(vm::RecordCheckByte(id, static_cast<uint32_t>(payload.size()), payload.data()));
    }

    void Chunked(std::vector<uint8_t>& out, uint8_t id, const std::vector<uint8_t>& bytes) const {
        for (size_t at = 0; at < bytes.size(); at += vm::kMaxRecordData) {
            size_t n = std::min<size_t>(vm::kMaxRecordData, bytes.size() - at);
            Record(out, id, {bytes.begin() + at, bytes.begin() + at + n}, big);
        }
    }

    std::vector<uint8_t> Header() const {
        std::vector<uint8_t> out;
        if (script) {
            out.push_back('#'), out.push_back('!');
            out.insert(out.end(), script->begin(), script->end());
            out.push_back('\n');
        }
        out.insert(out.end(), magic.begin(), magic.end());
        out.push_back(wordBits);
        out.push_back(big ? vm::kBigEndian : vm::kLittleEndian);
        uint32_t words[] = {version, flags, 124, 0, 1, 12, 0, 0,
                            codeSize.value_or(static_cast<uint32_t>(code.size())), dataBase,
                            dataSize.value_or(static_cast<uint32_t>(data.size())), stackSize, entry};
        for (uint32_t w : words) vm::Append32(out, w, big);
        return out;
    }

    // The records in the order the image writer emits them, up to and including REC_END.
    std::vector<uint8_t> Records() const {
        std::vector<uint8_t> out;
        for (const auto& s : sources) Record(out, vm::REC_SOURCE_NAME, {s.begin(), s.end()}, big);
        Chunked(out, vm::REC_CODE, code);
        Chunked(out, vm::REC_DATA, data);
        auto pairs = [&](uint8_t id, const std::vector<std::pair<uint32_t, uint32_t>>& list) {
            for (auto [a, b] : list) {
                std::vector<uint8_t> p;
                vm::Append32(p, a, big), vm::Append32(p, b, big);
                Record(out, id, p, big);
            }
        };
        pairs(vm::REC_CODE_FIXUP, fixups);
        pairs(vm::REC_DATA_SWAP, swaps);
        Record(out, vm::REC_END, {0, 0, 0, 0}, big);
        return out;
    }

    std::vector<uint8_t> LineTable() const {
        std::vector<uint8_t> out;
        vm::Append32(out, lineCount.value_or(static_cast<uint32_t>(lines.size())), big);
        for (uint32_t l : lines) vm::Append32(out, l, big);
        return out;
    }

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out = Header();
        auto r = Records();
        auto l = LineTable();
        out.insert(out.end(), r.begin(), r.end());
        out.insert(out.end(), l.begin(), l.end());
        return out;
    }
};

// A program that ends at once with exit code `code`: registers the exit-code variable at
// VM address 4, stores the code and halts.
inline void EmitExit(TestImage& img, uint32_t code) {
    img.Op(vm::Op::PUSHI, 4);
    img.Op(vm::Op::CALLSTD, 63);
    img.Op(vm::Op::PUSHI, 4);
    img.Op(vm::Op::PUSHI, code);
    img.Op(vm::Op::STOREW);
    img.Op(vm::Op::CALLSTD, 94);
}

// ---- Files -------------------------------------------------------------------------------

inline std::string TempDir() {
    static std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string t = std::string(base && *base ? base : "/tmp") + "/tarn-loader-XXXXXX";
        if (mkdtemp(t.data()) == nullptr) std::abort();
        // Removed when the test process ends; children (which share the path) leave it.
        static const pid_t owner = getpid();
        static std::string removeMe = t;
        std::atexit([] {
            if (getpid() == owner) std::filesystem::remove_all(removeMe);
        });
        return t;
    }();
    return dir;
}

inline std::string TempPath(const std::string& name) { return TempDir() + "/" + name; }

inline std::string WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string ReadText(const std::string& path) {
    auto b = ReadBytes(path);
    return {b.begin(), b.end()};
}

// ---- Child processes -------------------------------------------------------------------

struct ChildResult {
    int status = 0;
    std::string out;
    std::string err;

    bool Exited() const { return WIFEXITED(status); }
    int Code() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
    int Signal() const { return WIFSIGNALED(status) ? WTERMSIG(status) : 0; }
};

// Runs child() in a forked process with standard output and error captured; the child's
// result is its exit code unless it ends the process itself.
inline ChildResult RunInChild(const std::function<int()>& child) {
    std::string outPath = TempPath("child-out"), errPath = TempPath("child-err");
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1), dup2(err, 2);
        close(out), close(err);
        int code = child();
        std::fflush(nullptr);
        _exit(code);
    }
    ChildResult r;
    waitpid(pid, &r.status, 0);
    r.out = ReadText(outPath);
    r.err = ReadText(errPath);
    return r;
}

// Runs a program with arguments (argv[0] is the path) and the environment of this process.
inline ChildResult RunCommand(const std::vector<std::string>& args) {
    return RunInChild([&] {
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        return 127;
    });
}

}  // namespace tarn::rt::test
