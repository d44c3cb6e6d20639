// The VM window: VM memory at its start, the block allocator above it, and the fault
// handler that turns stray VM addresses into "Invalid memory access".
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <random>
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

TEST_F(WindowTest, NeighbouringLargeFreeBlocksMerge) {
    uint32_t a = WindowAlloc(8192);
    uint32_t b = WindowAlloc(8192);
    uint32_t guard = WindowAlloc(64);  // keeps a and b away from the heap's top
    ASSERT_TRUE(WindowFree(b));
    ASSERT_TRUE(WindowFree(a));
    EXPECT_EQ(WindowAlloc(16384), a);
    EXPECT_NE(guard, 0u);
}

TEST_F(WindowTest, BlocksFreedAtTheTopAreGivenBackToTheHeap) {
    uint32_t a = WindowAlloc(64);
    uint32_t b = WindowAlloc(100000);
    ASSERT_TRUE(WindowFree(b));
    ASSERT_TRUE(WindowFree(a));
    EXPECT_EQ(WindowAlloc(200000), a);
}

TEST_F(WindowTest, LiveBlocksAreCounted) {
    uint64_t before = WindowLiveBlocks();
    uint32_t a = WindowAlloc(16), b = WindowAlloc(9000);
    EXPECT_EQ(WindowLiveBlocks(), before + 2);
    WindowFree(a);
    WindowFree(b);
    EXPECT_FALSE(WindowFree(b));
    EXPECT_EQ(WindowLiveBlocks(), before);
}

// A program can write into a freed block, where the allocator keeps its free-list links.
// Whatever it writes there, no block is handed out twice and nothing outside the heap is
// handed out at all.
TEST_F(WindowTest, OverwrittenFreeListLinksNeverYieldALiveBlock) {
    const uint32_t forged[] = {0, 8, 12345, 0xFFFFFFF0u, kHeapLimit};
    for (uint32_t link : forged) {
        uint32_t live = WindowAlloc(24);
        uint32_t a = WindowAlloc(24), b = WindowAlloc(24);
        WindowAlloc(24);  // keeps the blocks away from the top
        ASSERT_TRUE(WindowFree(b));
        ASSERT_TRUE(WindowFree(a));
        SetVmWord(a, link == 0 ? live : link);  // a's link pointed at b
        std::set<uint32_t> got;
        for (int i = 0; i < 4; ++i) {
            uint32_t c = WindowAlloc(24);
            ASSERT_NE(c, 0u);
            EXPECT_NE(c, live) << link;
            EXPECT_TRUE(got.insert(c).second) << "handed out twice: " << c;
            EXPECT_EQ(WindowBlockSize(c), 24u);
        }
    }
}

TEST_F(WindowTest, LinkToAnotherFreeBlockOfTheSameSizeIsTakenOnce) {
    uint32_t a = WindowAlloc(40), b = WindowAlloc(40), c = WindowAlloc(40);
    WindowAlloc(40);
    WindowFree(c);
    WindowFree(b);
    WindowFree(a);      // list: a -> b -> c
    SetVmWord(a, c);    // now a -> c, and b is lost from the list
    std::set<uint32_t> got;
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(got.insert(WindowAlloc(40)).second);
    EXPECT_EQ(got.count(a) + got.count(c), 2u);
}

// A free block that comes to end at the heap's top (its upper neighbour was given back to
// the heap) is still a whole block of its size, and is reused as one.
TEST_F(WindowTest, FreeBlockEndingAtTheTopIsReusedWhole) {
    for (uint32_t size : {8u, 24u, 504u, 512u, 4096u}) {
        uint32_t a = WindowAlloc(size), b = WindowAlloc(size);
        ASSERT_TRUE(WindowFree(a));
        ASSERT_TRUE(WindowFree(b));  // b was the top block: the heap ends at b again
        EXPECT_EQ(WindowAlloc(size), a) << size;
        EXPECT_EQ(WindowBlockSize(a), size);
        EXPECT_EQ(WindowAlloc(size), b) << size;
        EXPECT_EQ(WindowBlockSize(b), size);
    }
}

// Links forged to point at free memory that is not a free block of the list's size: the
// middle of a free block, a free block of another size, a larger free block, the block
// itself (a cycle), and a smaller free block whose live neighbour ends where a block of the
// list's size would. Whatever the link, the blocks handed out have the list's size, none is
// handed out twice, and using them in full leaves every live block as it was.
TEST_F(WindowTest, ForgedLinksIntoFreeMemoryNeverSplitOrDoubleABlock) {
    std::vector<uint32_t> keepers;
    for (uint32_t size : {16u, 496u, 1024u}) {
        for (int target = 0; target < 5; ++target) {
            uint32_t a = WindowAlloc(size), b = WindowAlloc(size);
            uint32_t wide = WindowAlloc(2 * size), other = WindowAlloc(size + 8);
            uint32_t tiny = WindowAlloc(8), neighbour = WindowAlloc(size - 8);
            uint32_t keeper = WindowAlloc(8);  // live, and keeps the others away from the top
            for (uint32_t k : {neighbour, keeper}) {
                SetVmWord(k, k);
                keepers.push_back(k);
            }
            ASSERT_TRUE(WindowFree(tiny));
            ASSERT_TRUE(WindowFree(wide));
            ASSERT_TRUE(WindowFree(other));
            ASSERT_TRUE(WindowFree(b));
            ASSERT_TRUE(WindowFree(a));  // the list of size: a -> b -> ...
            const uint32_t links[] = {wide + size, other, wide, a, tiny};
            SetVmWord(a, links[target]);
            std::set<uint32_t> got;
            for (int i = 0; i < 3; ++i) {
                uint32_t c = WindowAlloc(size);
                ASSERT_NE(c, 0u);
                EXPECT_EQ(WindowBlockSize(c), size) << size << " target " << target;
                EXPECT_TRUE(got.insert(c).second) << "handed out twice: " << c;
            }
            for (uint32_t c : got) std::memset(Mem() + c, 0x5A, size);
            for (uint32_t k : keepers) ASSERT_EQ(VmWord(k), k) << size << " target " << target;
        }
    }
}

// Many sizes around every threshold of the allocator, taken and given back in random order,
// with and without a memory limit (which brings sweeps): every live block keeps its
// contents, has exactly its rounded size, and the live count stays right.
TEST(WindowStress, RandomAllocationAndFreeKeepEveryLiveBlockIntact) {
    const uint32_t sizes[] = {1,   4,   8,   12,   16,   24,   40,   64,   100,  496,
                              504, 505, 512, 513,  1000, 4095, 4096, 4097, 9000, 70000};
    struct Block {
        uint32_t addr, size;
        uint8_t tag;
    };
    for (uint64_t limit : {kNoMemoryLimit, uint64_t{3} << 20}) {
        ASSERT_TRUE(WindowOpen(kVmBytes, limit));
        std::mt19937 rng(2026);
        std::vector<Block> live;
        auto intact = [](const Block& b) {
            for (uint32_t i = 0; i < b.size; ++i)
                if (Mem()[b.addr + i] != b.tag) return false;
            return true;
        };
        auto freeOne = [&] {
            size_t i = rng() % live.size();
            EXPECT_TRUE(intact(live[i])) << "block " << live[i].addr << " of " << live[i].size;
            EXPECT_TRUE(WindowFree(live[i].addr));
            live[i] = live.back();
            live.pop_back();
        };
        int failures = 0;
        for (int step = 0; step < 30000; ++step) {
            if (!live.empty() && (live.size() >= 2000 || rng() % 100 < 45)) {
                freeOne();
                continue;
            }
            uint32_t size = sizes[rng() % std::size(sizes)];
            uint32_t a = WindowAlloc(size);
            if (a == 0) {
                ASSERT_NE(limit, kNoMemoryLimit) << "size " << size;
                ++failures;
                for (int i = 0; i < 20 && !live.empty(); ++i) freeOne();
                continue;
            }
            ASSERT_EQ(a % 8, 0u);
            ASSERT_GT(a, kVmBytes);
            ASSERT_EQ(WindowBlockSize(a), (size + 7) / 8 * 8) << size;
            Block b{a, size, static_cast<uint8_t>(rng())};
            std::memset(Mem() + a, b.tag, size);
            live.push_back(b);
            if (step % 1000 == 0) {
                for (const Block& x : live) ASSERT_TRUE(intact(x)) << "block " << x.addr;
                ASSERT_EQ(WindowLiveBlocks(), live.size());
            }
        }
        if (limit != kNoMemoryLimit) {
            EXPECT_GT(failures, 0);  // the limit was reached
        }
        while (!live.empty()) freeOne();
        EXPECT_EQ(WindowLiveBlocks(), 0u);
        WindowClose();
    }
}

TEST(WindowLimit, HeapStopsAtTheMemoryLimitBookkeepingIncluded) {
    constexpr uint64_t kLimit = 8u << 20;
    ASSERT_TRUE(WindowOpen(kVmBytes, kLimit));
    uint64_t handedOut = 0;
    while (uint32_t a = WindowAlloc(16)) {
        handedOut += 16;
        ASSERT_LE(uint64_t{a} + 16, kLimit);
    }
    // VM memory, the guard page and 1/32 for the bitmaps leave a little under 7.5 MiB.
    EXPECT_GT(handedOut, kLimit * 8 / 10);
    EXPECT_LT(handedOut, kLimit);
    WindowClose();
}

TEST(WindowLimit, SmallFreeBlocksMergeWhenTheHeapCanGrowNoMore) {
    ASSERT_TRUE(WindowOpen(kVmBytes, 4u << 20));
    std::vector<uint32_t> blocks;
    while (uint32_t a = WindowAlloc(32)) blocks.push_back(a);
    ASSERT_GT(blocks.size(), 1000u);
    // Every other block freed: lots of free space, none of it 64 bytes in one piece.
    for (size_t i = 0; i < blocks.size(); i += 2) ASSERT_TRUE(WindowFree(blocks[i]));
    EXPECT_EQ(WindowAlloc(64), 0u);
    // Two neighbours freed: their 64 bytes are found after a sweep.
    ASSERT_TRUE(WindowFree(blocks[101]));
    uint32_t merged = WindowAlloc(64);
    EXPECT_TRUE(merged == blocks[100] || merged == blocks[101]) << merged;
    EXPECT_EQ(WindowBlockSize(merged), 64u);
    WindowClose();
}

TEST(WindowLimit, VmMemoryAboveTheLimitIsRefused) {
    EXPECT_FALSE(WindowOpen(2u << 20, 1u << 20));
    EXPECT_EQ(g_engine.window, nullptr);
}

TEST(WindowLimit, LimitComesFromTheEnvironmentInMiB) {
    const struct {
        const char* value;
        uint64_t limit;
    } cases[] = {{"64", 64u << 20}, {"1", 1u << 20}, {"", kNoMemoryLimit}, {"0", kNoMemoryLimit},
                 {"12x", kNoMemoryLimit}, {"-5", kNoMemoryLimit}, {nullptr, kNoMemoryLimit}};
    for (const auto& c : cases) {
        if (c.value) setenv("TARN_MEMORY_LIMIT", c.value, 1);
        else unsetenv("TARN_MEMORY_LIMIT");
        EXPECT_EQ(MemoryLimitFromEnvironment(), c.limit) << (c.value ? c.value : "(unset)");
    }
    unsetenv("TARN_MEMORY_LIMIT");
}

// ---- Spans: what the engine may touch for the program ------------------------------------

TEST_F(WindowTest, SpansInsideVmMemoryOrTheHeapAreGranted) {
    uint32_t a = WindowAlloc(100);
    EXPECT_EQ(VmSpan(0, kVmBytes), Mem());
    EXPECT_EQ(VmSpan(a, 104), Mem() + a);
    EXPECT_EQ(VmRoom(10), kVmBytes - 10);
    EXPECT_GE(VmRoom(a), 104u);
    EXPECT_EQ(VmRoom(static_cast<uint32_t>(kVmBytes)), 0u);  // the gap above VM memory
}

TEST(WindowSpan, SpanOutsideWhatTheProgramCanAddressIsInvalidMemoryAccess) {
    struct Case {
        const char* name;
        uint32_t addr;
        uint64_t n;
    };
    const Case cases[] = {
        {"past VM memory", static_cast<uint32_t>(kVmBytes - 4), 8},
        {"into the gap page", static_cast<uint32_t>(kVmBytes), 1},
        {"beyond the heap top", 0x80000000u, 4},
        {"4 GiB long", 0x10, uint64_t{1} << 32},
        {"past the end of the address space", 0xFFFFFFF0u, 0x7FFFFFFFu},
    };
    for (const Case& c : cases) {
        ChildResult r = RunInChild([&] {
            WindowOpen(kVmBytes);
            g_engine.running = true;
            WindowAlloc(64);
            VmSpan(c.addr, c.n);
            return 100;
        });
        EXPECT_EQ(r.Code(), 1) << c.name << "\n" << r.out << r.err;
        EXPECT_NE(r.out.find("Invalid memory access"), std::string::npos) << c.name << r.out;
    }
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

// While a program runs, the engine touching host memory that is not the window is a bug
// in the engine: it must end in an internal-error report and an abort, never pass as the
// program's "Invalid memory access" (nor be handed to a launcher that would report it so).
TEST(FaultHandler, FaultOutsideTheWindowWhileRunningIsAnInternalError) {
    const struct {
        const char* name;
        bool write;
        bool launcherHandler;
    } cases[] = {{"read", false, false}, {"write", true, false}, {"behind a launcher", true, true}};
    for (const auto& c : cases) {
        ChildResult r = RunInChild([&] {
            if (c.launcherHandler) {
                signal(SIGSEGV, [](int) { _exit(42); });
                signal(SIGABRT, [](int) { _exit(43); });
            }
            WindowOpen(4096);
            InstallFaultHandler();
            g_engine.running = true;
            // A host page of our own, inaccessible, well away from the window.
            void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            volatile uint8_t* p = static_cast<volatile uint8_t*>(page);
            if (c.write) *p = 1;
            return static_cast<int>(*p) + 100;
        });
        EXPECT_EQ(r.Signal(), SIGABRT) << c.name << " status " << r.status << "\n" << r.err;
        EXPECT_NE(r.err.find("[TARNRUN] Internal error: memory fault outside the VM window\n"), std::string::npos)
            << c.name << r.err;
        EXPECT_EQ(r.out.find("Invalid memory access"), std::string::npos) << c.name << r.out;
    }
}

TEST(FaultHandler, FaultOutsideTheWindowWithNoProgramRunningIsNotOurs) {
    ChildResult r = RunInChild([] {
        WindowOpen(4096);
        InstallFaultHandler();
        g_engine.running = false;
        // The address goes through a volatile so the optimiser cannot see the null page.
        volatile uintptr_t where = 16;
        volatile uint8_t* p = reinterpret_cast<volatile uint8_t*>(where);
        return static_cast<int>(*p) + 100;
    });
    EXPECT_EQ(r.out.find("Invalid memory access"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("Internal error"), std::string::npos) << r.err;
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
