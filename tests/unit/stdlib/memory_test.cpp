// new, dispose and move.
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
