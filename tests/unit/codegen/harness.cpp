#include "harness.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "compiler/codegen/output.h"
#include "compiler/driver/alloc.h"
#include "compiler/driver/messages.h"
#include "compiler/driver/options.h"

namespace tarn::tpc::test {

namespace {

std::vector<CapturedMessage> g_messages;

void CapturePrinter(MsgKind, int number, const char*, uint32_t, int32_t, const char* text,
                    const Position*) {
    g_messages.push_back({number, text});
}

}  // namespace

void CompilerTest::SetUp() {
    g_messages.clear();
    InitOptions();
    InitMessages();
    SetMessagePrinter(CapturePrinter);
    SetCompiling(true);
    InitOutputState();
    SetGenerateCode(true);
    SetLauncherDirectory("");
    std::string pattern = (std::filesystem::temp_directory_path() / "tarn-codegen-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
}

void CompilerTest::TearDown() {
    InitOutputState();  // drops the buffers of this test
    ReleaseAll();
    SetCompiling(false);
    if (!dir.empty()) std::filesystem::remove_all(dir);
}

const std::vector<CapturedMessage>& CompilerTest::Messages() { return g_messages; }

std::string CompilerTest::MessageText(int number) {
    for (auto it = g_messages.rbegin(); it != g_messages.rend(); ++it)
        if (it->number == number) return it->text;
    return {};
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
}

uint32_t Word(const uint8_t* at) {
    return (uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 | (uint32_t)at[3] << 24;
}

std::vector<const ImageRecord*> ParsedImage::RecordsOf(uint8_t id) const {
    std::vector<const ImageRecord*> out;
    for (const auto& r : records)
        if (r.id == id) out.push_back(&r);
    return out;
}

std::vector<uint8_t> ParsedImage::Concatenated(uint8_t id) const {
    std::vector<uint8_t> out;
    for (const auto* r : RecordsOf(id)) out.insert(out.end(), r->data.begin(), r->data.end());
    return out;
}

ParsedImage ParseImage(const std::vector<uint8_t>& bytes, size_t start) {
    ParsedImage img;
    size_t at = start;
    auto need = [&](size_t n) { return bytes.size() >= at && bytes.size() - at >= n; };
    if (need(2) && bytes[at] == '#' && bytes[at + 1] == '!') {
        size_t lf = at + 2;
        while (lf < bytes.size() && bytes[lf] != '\n') ++lf;
        if (lf == bytes.size()) { img.error = "script line without line feed"; return img; }
        img.scriptLine.assign(bytes.begin() + (long)at + 2, bytes.begin() + (long)lf);
        at = lf + 1;
    }
    if (!need(7 + 4 * vm::kHeaderWords)) { img.error = "short header"; return img; }
    for (size_t i = 0; i < 5; ++i) img.magic[i] = bytes[at + i];
    img.wordBits = bytes[at + 5];
    img.byteOrder = bytes[at + 6];
    at += 7;
    for (size_t i = 0; i < vm::kHeaderWords; ++i, at += 4) img.header[i] = Word(&bytes[at]);
    for (;;) {
        if (!need(5)) { img.error = "record head cut short"; return img; }
        ImageRecord r;
        r.id = bytes[at];
        uint32_t length = Word(&bytes[at + 1]);
        if (!need(5 + (size_t)length + 1)) { img.error = "record cut short"; return img; }
        r.byteSum = 0;
        for (size_t i = 0; i < 5 + (size_t)length + 1; ++i) r.byteSum += bytes[at + i];
        r.byteSum &= 0xff;
        r.data.assign(bytes.begin() + (long)at + 5, bytes.begin() + (long)at + 5 + length);
        at += 5 + (size_t)length + 1;
        img.records.push_back(std::move(r));
        if (img.records.back().id == vm::REC_END) break;
    }
    if (!need(4)) { img.error = "no line table count"; return img; }
    img.hasLineTable = true;
    uint32_t n = Word(&bytes[at]);
    at += 4;
    if (!need(4 * (size_t)n)) { img.error = "line table cut short"; return img; }
    for (uint32_t i = 0; i < n; ++i, at += 4) img.lineTable.push_back(Word(&bytes[at]));
    img.trailing = bytes.size() - at;
    img.ok = true;
    return img;
}

RunResult RunProgram(const std::vector<std::string>& argv) {
    RunResult result;
    int pipefd[2];
    if (pipe(pipefd) != 0) return result;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipefd[1], 1);
        dup2(pipefd[1], 2);
        close(pipefd[0]);
        close(pipefd[1]);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(pipefd[1]);
    char chunk[4096];
    for (ssize_t n; (n = read(pipefd[0], chunk, sizeof chunk)) > 0;) result.output.append(chunk, (size_t)n);
    close(pipefd[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

std::filesystem::path BinDir() { return TARN_BIN_DIR; }

}  // namespace tarn::tpc::test
