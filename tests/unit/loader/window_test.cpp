// The VM window: VM memory at its start, the block allocator above it, and the fault
// handler that turns stray VM addresses into "Invalid memory access".
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "runtime/engine.h"
#include "runtime/window.h"
#include "support.h"

namespace tarn::rt::test {
namespace {

constexpr uint64_t kVmBytes = 64 * 1024 + 4;

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(WindowOpen(kVmBytes)); }
    void TearDown() override { WindowClose(); }
};

TEST_F(WindowTest, VmMemoryIsWritableFromAddressZeroToItsEnd) {
    Mem()[0] = 1;
    Mem()[kVmBytes - 1] = 2;
    EXPECT_EQ(Mem()[0], 1);
    EXPECT_EQ(Mem()[kVmBytes - 1], 2);
    EXPECT_TRUE(InWindow(Mem() + 0xFFFFFFFFu));
    EXPECT_TRUE(InWindow(Mem() + 0xFFFFFFFFu + 8));  // an operand past the last address
    EXPECT_FALSE(InWindow(&kVmBytes));
}

TEST_F(WindowTest, BlocksLieAboveVmMemoryAlignedAndApart) {
    std::vector<std::pair<uint32_t, uint32_t>> blocks;
    for (uint32_t size : {1u, 7u, 8u, 100u, 4096u, 70000u, 0u}) {
        uint32_t a = WindowAlloc(size);
        ASSERT_NE(a, 0u) << size;
        EXPECT_GT(a, kVmBytes);
        EXPECT_EQ(a % 8, 0u);
        EXPECT_GE(WindowBlockSize(a), size);
        // Writable end to end.
        std::memset(Mem() + a, 0xAB, size);
        blocks.push_back({a, WindowBlockSize(a)});
    }
    std::sort(blocks.begin(), blocks.end());
    for (size_t i = 1; i < blocks.size(); ++i)
        EXPECT_LE(uint64_t{blocks[i - 1].first} + blocks[i - 1].second, blocks[i].first);
}

TEST_F(WindowTest, FreedBlockIsReused) {
    uint32_t a = WindowAlloc(256);
    uint32_t b = WindowAlloc(256);
    ASSERT_TRUE(WindowFree(a));
    EXPECT_EQ(WindowAlloc(200), a);
    EXPECT_NE(b, a);
}

TEST_F(WindowTest, NeighbouringFreeBlocksMerge) {
    uint32_t a = WindowAlloc(64);
    uint32_t b = WindowAlloc(64);
    uint32_t guard = WindowAlloc(64);  // keeps a and b away from the bump region's end
    ASSERT_TRUE(WindowFree(b));
    ASSERT_TRUE(WindowFree(a));
    EXPECT_EQ(WindowAlloc(128), a);
    EXPECT_NE(guard, 0u);
}

TEST_F(WindowTest, FreeOfUnknownOrFreedAddressIsRefused) {
    uint32_t a = WindowAlloc(16);
    EXPECT_FALSE(WindowFree(a + 8));
    EXPECT_FALSE(WindowFree(12345));
    EXPECT_TRUE(WindowFree(a));
    EXPECT_FALSE(WindowFree(a));
    EXPECT_EQ(WindowBlockSize(a), 0u);
}

TEST_F(WindowTest, ExhaustionReturnsZeroAndFreeingMakesRoomAgain) {
    constexpr uint32_t kBig = 512u << 20;
    std::vector<uint32_t> got;
    for (int i = 0; i < 16; ++i) {
        uint32_t a = WindowAlloc(kBig);
        if (a == 0) break;
        EXPECT_LE(uint64_t{a} + kBig, kHeapLimit);
        got.push_back(a);
    }
    ASSERT_GE(got.size(), 5u);  // about 4 GiB minus VM memory, in 512 MiB blocks
    ASSERT_LT(got.size(), 8u);
    EXPECT_EQ(WindowAlloc(kBig), 0u);
    EXPECT_EQ(WindowAlloc(0xFFFFFFFFu), 0u);
    ASSERT_TRUE(WindowFree(got[1]));
    EXPECT_EQ(WindowAlloc(kBig), got[1]);
}

TEST(Window, ClosedWindowHandsOutNothing) {
    WindowClose();
    EXPECT_EQ(WindowAlloc(8), 0u);
    EXPECT_EQ(g_engine.window, nullptr);
}

TEST(Window, VmMemoryAboveTheLimitIsRefused) {
    EXPECT_FALSE(WindowOpen(kVmMemoryLimit + 1));
    EXPECT_EQ(g_engine.window, nullptr);
}

TEST(Window, WindowIsReleasedAndReservedAgain) {
    ASSERT_TRUE(WindowOpen(4096));
    uint32_t a = WindowAlloc(32);
    WindowClose();
    ASSERT_TRUE(WindowOpen(4096));
    EXPECT_EQ(WindowBlockSize(a), 0u);  // the old blocks are gone
    WindowClose();
}

// ---- Fault handler (each case in a child: it ends the process) -------------------------

TEST(FaultHandler, StrayVmAddressIsInvalidMemoryAccess) {
    ChildResult r = RunInChild([] {
        WindowOpen(4096);
        InstallFaultHandler();
        g_engine.running = true;
        volatile uint8_t* p = Mem() + 0x10000000u;  // reserved, never committed
        return static_cast<int>(*p) + 100;
    });
    EXPECT_EQ(r.Code(), 1) << r.out << r.err;
    EXPECT_NE(r.out.find("Invalid memory access"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
}

TEST(FaultHandler, WriteToTheGuardPageAboveVmMemoryIsCaught) {
    ChildResult r = RunInChild([] {
        WindowOpen(4096);
        InstallFaultHandler();
        g_engine.running = true;
        uint32_t first = WindowAlloc(8);
        Mem()[first - 1] = 1;  // the page between VM memory and the blocks
        return 100;
    });
    EXPECT_EQ(r.Code(), 1) << r.out << r.err;
    EXPECT_NE(r.out.find("Invalid memory access"), std::string::npos) << r.out;
}

TEST(FaultHandler, FaultOutsideTheWindowIsNotReportedAsOurs) {
    ChildResult r = RunInChild([] {
        WindowOpen(4096);
        InstallFaultHandler();
        g_engine.running = true;
        // The address goes through a volatile so the optimiser cannot see the null page.
        volatile uintptr_t where = 16;
        volatile uint8_t* p = reinterpret_cast<volatile uint8_t*>(where);
        return static_cast<int>(*p) + 100;
    });
    EXPECT_EQ(r.out.find("Invalid memory access"), std::string::npos) << r.out;
    // Either the default action (a signal) or the sanitizer's own handler took it.
    bool signalled = r.Signal() == SIGSEGV;
    bool sanitizer = r.err.find("SEGV") != std::string::npos;
    EXPECT_TRUE(signalled || sanitizer) << "status " << r.status << "\n" << r.err;
}

TEST(FaultHandler, FaultInTheWindowWhileNoProgramRunsIsNotReported) {
    ChildResult r = RunInChild([] {
        WindowOpen(4096);
        InstallFaultHandler();
        g_engine.running = false;
        volatile uint8_t* p = Mem() + 0x10000000u;
        return static_cast<int>(*p) + 100;
    });
    EXPECT_EQ(r.out.find("Invalid memory access"), std::string::npos) << r.out;
    EXPECT_NE(r.Code(), 100);
}

TEST(FaultHandler, RemovedHandlerGivesTheSignalBack) {
    struct sigaction before{}, after{};
    sigaction(SIGSEGV, nullptr, &before);
    InstallFaultHandler();
    RemoveFaultHandler();
    sigaction(SIGSEGV, nullptr, &after);
    EXPECT_EQ(before.sa_sigaction, after.sa_sigaction);
}

}  // namespace
}  // namespace tarn::rt::test
