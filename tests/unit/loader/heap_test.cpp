// Heap limits seen from tvm: a program that allocates without end stops at the run's
// memory limit with the allocation-failure report, and the process's resident memory stays
// within that limit (the allocator keeps no host memory per block).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Op;

const std::string kTvm = TVM_PATH;

struct Outcome {
    int status = 0;
    long maxResidentKiB = 0;
    std::string out;
};

// Runs tvm on image with TARN_MEMORY_LIMIT set to limitMiB and measures its peak
// resident memory.
Outcome RunWithLimit(const std::string& image, int limitMiB) {
    std::string outPath = TempPath("heap-out");
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 1);
        close(fd);
        setenv("TARN_MEMORY_LIMIT", std::to_string(limitMiB).c_str(), 1);
        execl(kTvm.c_str(), kTvm.c_str(), image.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    Outcome o;
    struct rusage usage{};
    wait4(pid, &o.status, 0, &usage);
    o.maxResidentKiB = usage.ru_maxrss;
    o.out = ReadText(outPath);
    return o;
}

// while true do new(p), with p at global address 8.
TestImage NewForever(uint32_t blockSize) {
    TestImage img;
    img.Op(Op::PUSHI, 8);
    img.Op(Op::PUSHI, blockSize);
    img.Op(Op::CALLSTD, 93);
    img.Op(Op::JMP, 0);
    return img;
}

// while true do append(l), with the list variable at global address 8.
TestImage AppendForever() {
    TestImage img;
    img.Op(Op::PUSHI, 8);
    img.Op(Op::PUSHI, 4);
    img.Op(Op::PUSH0);
    img.Op(Op::CALLSTD, 72);  // new(l), one word per chunk
    uint32_t loop = static_cast<uint32_t>(img.code.size());
    img.Op(Op::PUSHI, 8);
    img.Op(Op::CALLSTD, 66);
    img.Op(Op::POP);
    img.Op(Op::JMP, loop);
    return img;
}

TEST(HeapLimit, EndlessAllocationStopsAtTheLimitWithinBoundedHostMemory) {
    constexpr int kLimitMiB = 48;
    const struct {
        const char* name;
        TestImage image;
    } cases[] = {{"new of 16 bytes", NewForever(16)}, {"new of 1 byte", NewForever(1)},
                 {"list append", AppendForever()}};
    for (const auto& c : cases) {
        std::string path = WriteFile(TempPath("endless.tvm"), c.image.Bytes());
        Outcome o = RunWithLimit(path, kLimitMiB);
        ASSERT_TRUE(WIFEXITED(o.status)) << c.name << " status " << o.status;
        EXPECT_EQ(WEXITSTATUS(o.status), 1) << c.name;
        EXPECT_EQ(o.out, "[TARNRUN] ERROR: Memory allocation failure!\n") << c.name;
        // The limit plus what the process needs anyway (its code, libraries and, under the
        // sanitizers, their own tables).
        EXPECT_LT(o.maxResidentKiB, (kLimitMiB + 40) * 1024L) << c.name;
    }
}

}  // namespace
}  // namespace tarn::rt::test
