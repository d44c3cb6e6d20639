// new, dispose and move.
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Std;

class Memory : public StdlibTest {
protected:
    void New(uint32_t size) {
        PushWord(kPtr);
        PushWord(size);
        Call(Std::New);
        ExpectEmptyStack();
    }
    void Dispose() {
        PushWord(kPtr);
        Call(Std::Dispose);
        ExpectEmptyStack();
    }
    void Move(uint32_t src, uint32_t dst, int32_t n) {
        PushWord(src);
        PushWord(dst);
        PushInt(n);
        Call(Std::Move);
        ExpectEmptyStack();
    }
    static constexpr uint32_t kPtr = 32;
};

TEST_F(Memory, NewGivesAnUndefinedBlockInsideTheWindow) {
    SetVmWord(kPtr, 0);
    New(40);
    uint32_t block = VmWord(kPtr);
    EXPECT_GE(block, kVmBytes);  // above VM memory
    EXPECT_GE(WindowBlockSize(block), 40u);
    for (uint32_t i = 0; i < 40; ++i) EXPECT_EQ(Mem()[block + i], 0xFF) << i;
    Mem()[block + 39] = 7;  // the program can use every byte
    Dispose();
    EXPECT_EQ(VmWord(kPtr), kUndefinedWord);
    EXPECT_EQ(WindowBlockSize(block), 0u);
}

// A new block gets exactly its size in undefined bytes: nothing before it, and nothing
// between its size and the end of its 8-byte rounding, is touched. Each size gets a block
// that held other bytes before (the head of its free list), between two live neighbours.
TEST_F(Memory, NewFillsExactlyItsSizeWithUndefinedBytes) {
    std::vector<uint32_t> sizes;
    for (uint32_t size = 1; size <= 72; ++size) sizes.push_back(size);
    for (uint32_t size : {100u, 500u, 4095u, 4100u, 10000u}) sizes.push_back(size);
    for (uint32_t size : sizes) {
        const uint32_t rounded = (size + 7) / 8 * 8;
        uint32_t before = WindowAlloc(8);
        uint32_t block = WindowAlloc(rounded);
        uint32_t after = WindowAlloc(8);
        std::memset(Mem() + before, 0x33, 8);
        std::memset(Mem() + block, 0x22, rounded);
        std::memset(Mem() + after, 0x44, 8);
        ASSERT_TRUE(WindowFree(block));
        New(size);
        ASSERT_EQ(VmWord(kPtr), block) << size;
        for (uint32_t i = 0; i < size; ++i) ASSERT_EQ(Mem()[block + i], 0xFF) << size << " at " << i;
        // The first word of a freed block held its list link; past it the old bytes stay.
        for (uint32_t i = std::max(size, 4u); i < rounded; ++i)
            ASSERT_EQ(Mem()[block + i], 0x22) << size << " at " << i;
        for (uint32_t i = 0; i < 8; ++i) {
            ASSERT_EQ(Mem()[before + i], 0x33) << size << " before the block, at " << i;
            ASSERT_EQ(Mem()[after + i], 0x44) << size << " after the block, at " << i;
        }
    }
}

TEST_F(Memory, BlocksDoNotOverlap) {
    New(16);
    uint32_t first = VmWord(kPtr);
    New(16);
    uint32_t second = VmWord(kPtr);
    EXPECT_TRUE(second >= first + 16 || first >= second + 16);
}

TEST_F(Memory, DisposeErrors) {
    SetVmWord(kPtr, 0);
    EXPECT_RUNTIME_ERROR(Dispose(), "Disposing nil pointer");
    New(8);
    Dispose();
    EXPECT_RUNTIME_ERROR(Dispose(), "Disposing undefined pointer");  // the same pointer twice
    SetVmWord(kPtr, kUndefinedWord);
    EXPECT_RUNTIME_ERROR(Dispose(), "Disposing undefined pointer");
}

TEST_F(Memory, DisposingACopyOfAFreedPointerIsCaught) {
    New(8);
    uint32_t copy = VmWord(kPtr);
    Dispose();
    SetVmWord(kPtr, copy);
    EXPECT_RUNTIME_ERROR(Dispose(), "Disposing undefined pointer");
}

TEST_F(Memory, AllocationFailureEndsTheRun) {
    std::string out = TempPath("new");
    EXPECT_EXIT(
        {
            int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, STDOUT_FILENO);
            New(0xFFFFFFF0u);
            std::_Exit(98);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(ReadFile(out), "[TARNRUN] ERROR: Memory allocation failure!\n");
    std::remove(out.c_str());
}

// A new of gigabytes fills its block with the undefined marker a slice at a time and looks
// at the user break between slices: with the break already set, the run ends with the
// "User abort" report and the program's exit code before most of the block is touched.
TEST_F(Memory, UserBreakStopsTheFillOfAHugeBlock) {
    std::string out = TempPath("huge-out"), rss = TempPath("huge-rss");
    EXPECT_EXIT(
        {
            static std::string rssPath = rss;
            int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, STDOUT_FILENO);
            std::atexit([] {
                struct rusage usage{};
                getrusage(RUSAGE_SELF, &usage);
                FILE* f = std::fopen(rssPath.c_str(), "w");
                std::fprintf(f, "%ld", usage.ru_maxrss);
                std::fclose(f);
            });
            g_userBreak = 1;
            New(0xC0000000u);  // 3 GiB
            std::_Exit(98);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadFile(out), "\nERROR: User abort\n");
    long maxKiB = std::atol(ReadFile(rss).c_str());
    EXPECT_GT(maxKiB, 0);
    EXPECT_LT(maxKiB, 1L << 20) << "KiB resident: the block was filled";
    std::remove(out.c_str());
    std::remove(rss.c_str());
}

TEST_F(Memory, NewRefusesAPointerVariableOutsideProgramMemory) {
    PushWord(0x80000000u);  // neither VM memory nor the heap
    PushWord(16);
    int exitCode = 0;
    EXPECT_RUNTIME_ERROR(CallStd(vm::Number(Std::New), r, exitCode), "Invalid memory access");
}

TEST_F(Memory, MoveCopiesOverlappingAreas) {
    const char text[] = "abcdefgh";
    std::memcpy(Mem() + 100, text, 8);
    Move(100, 102, 6);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(Mem() + 100), 8), "ababcdef");
    std::memcpy(Mem() + 100, text, 8);
    Move(102, 100, 6);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(Mem() + 100), 8), "cdefghgh");
    Move(100, 200, 0);
    Move(100, 200, -4);
    EXPECT_EQ(Mem()[200], 0xFF);
}

}  // namespace
}  // namespace tarn::rt::test
