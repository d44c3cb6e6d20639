#include "harness.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "compiler/writer/image.h"
#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"

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

void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
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
