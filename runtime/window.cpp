// The VM window and its block allocator.
//
// Heap blocks are described by two bitmaps outside the window, one bit per 8-byte granule
// of the heap: `starts` marks where a block (live or free) begins, `live` marks the blocks
// handed out. A block runs from its start bit to the next start bit (or the top of the
// heap), so sizes need no storage the program could reach.
//
// Free blocks of up to kSmallMax bytes sit in one list per size, linked through their first
// word (inside the window, where a program writing through a dangling pointer can change
// it); a block taken from a list is checked against the bitmaps first, and a list whose
// link fails the check is dropped from there on. Small free blocks are not merged when
// freed; larger ones are kept in host-side maps (at most one entry per kSmallMax bytes of
// heap) and merged with free neighbours at once. When the heap cannot grow, one sweep over
// the bitmaps merges every run of free blocks and rebuilds all lists before giving up.
#include "runtime/window.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <utility>

#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/jit.h"

namespace tarn::rt {

namespace {

constexpr uint64_t kReservation = kWindowSpan + kWindowGuard;
constexpr uint32_t kGranule = 8;
constexpr uint64_t kCommitStep = uint64_t{1} << 20;  // heap pages are committed a MiB at a time
constexpr uint32_t kSmallMax = 4096;
constexpr uint32_t kSmallClasses = kSmallMax / kGranule;
// Host bytes a large free block's two map entries cost, counted against the memory limit.
constexpr uint64_t kLargeEntryCost = 128;
// A bitmap has one bit per granule of the whole window, indexed by VM address / 8, so no
// base is subtracted on the way; only the part over the heap is ever touched. A spare word
// at the end stays clear (NearNextStart reads the word after a granule's own).
constexpr uint64_t kBitmapWords = kWindowSpan / kGranule / 64 + 1;

struct Heap {
    uint32_t base = 0;       // first VM address the allocator may use
    uint32_t top = 0;        // end of the heap (bump pointer)
    uint64_t vmBytes = 0;    // VM memory [0, vmBytes)
    uint64_t committed = 0;  // end of the read/write part of the window
    uint64_t limit = kNoMemoryLimit;
    uint64_t* starts = nullptr;
    uint64_t* live = nullptr;
    uint64_t liveBlocks = 0;
    bool freedSinceSweep = false;
    uint32_t smallHeads[kSmallClasses] = {};    // VM address of the first free block; 0: none
    uint64_t smallNonEmpty[kSmallClasses / 64] = {};
    std::map<uint32_t, uint32_t> largeByAddr;             // address -> size
    std::set<std::pair<uint32_t, uint32_t>> largeBySize;  // (size, address), best fit
};

uint8_t* g_base = nullptr;
Heap g_heap;

uint64_t PageSize() {
    static const uint64_t size = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    return size;
}

uint64_t RoundUp(uint64_t n, uint64_t unit) { return (n + unit - 1) / unit * unit; }

// ---- Bitmaps --------------------------------------------------------------------------

uint64_t Granule(uint32_t addr) { return addr / kGranule; }
uint32_t AddressOf(uint64_t granule) { return static_cast<uint32_t>(granule * kGranule); }
bool Bit(const uint64_t* map, uint64_t g) { return (map[g / 64] >> (g % 64)) & 1; }
void SetBit(uint64_t* map, uint64_t g) { map[g / 64] |= uint64_t{1} << (g % 64); }
void ClearBit(uint64_t* map, uint64_t g) { map[g / 64] &= ~(uint64_t{1} << (g % 64)); }

// The first block start in [from, end), or end.
uint64_t NextStart(uint64_t from, uint64_t end) {
    if (from >= end) return end;
    uint64_t w = from / 64, last = (end - 1) / 64;
    uint64_t bits = g_heap.starts[w] & (~uint64_t{0} << (from % 64));
    for (;;) {
        if (bits != 0) return std::min(w * 64 + static_cast<uint64_t>(__builtin_ctzll(bits)), end);
        if (w == last) return end;
        bits = g_heap.starts[++w];
    }
}

// The first block start above granule g within g's word of the start bitmap or the next
// one; 0 when there is none that near. (The map has a spare word at its end, so the next
// word is always there.)
uint64_t NearNextStart(uint64_t g) {
    const uint64_t w = g / 64;
    const uint64_t above = g_heap.starts[w] & (~uint64_t{1} << (g % 64));
    if (above != 0) return w * 64 + static_cast<uint64_t>(__builtin_ctzll(above));
    const uint64_t next = g_heap.starts[w + 1];
    if (next != 0) return (w + 1) * 64 + static_cast<uint64_t>(__builtin_ctzll(next));
    return 0;
}

// The granule where the block starting at granule g ends: the next start bit, or the top.
uint64_t EndGranule(uint64_t g) {
    const uint64_t topG = Granule(g_heap.top);
    if (uint64_t near = NearNextStart(g)) return std::min(near, topG);
    return NextStart((g / 64 + 2) * 64, topG);
}

bool InHeapAligned(uint32_t addr) {
    return addr - g_heap.base < g_heap.top - g_heap.base && addr % kGranule == 0;
}

bool IsBlockStart(uint32_t addr) { return InHeapAligned(addr) && Bit(g_heap.starts, Granule(addr)); }

bool IsLiveBlock(uint32_t addr) { return IsBlockStart(addr) && Bit(g_heap.live, Granule(addr)); }

uint32_t BlockEnd(uint32_t addr) { return AddressOf(EndGranule(Granule(addr))); }

void MarkLive(uint32_t addr) {
    SetBit(g_heap.live, Granule(addr));
    ++g_heap.liveBlocks;
}

// Makes a new block boundary at addr (inside a free block being split).
void Split(uint32_t addr) { SetBit(g_heap.starts, Granule(addr)); }
void Unsplit(uint32_t addr) { ClearBit(g_heap.starts, Granule(addr)); }

// ---- Free lists -----------------------------------------------------------------------

uint32_t SmallClass(uint32_t size) { return size / kGranule - 1; }

void PushSmall(uint32_t addr, uint32_t size) {
    uint32_t c = SmallClass(size);
    StoreWord(g_base + addr, g_heap.smallHeads[c]);
    g_heap.smallHeads[c] = addr;
    g_heap.smallNonEmpty[c / 64] |= uint64_t{1} << (c % 64);
}

void EmptySmall(uint32_t c) {
    g_heap.smallHeads[c] = 0;
    g_heap.smallNonEmpty[c / 64] &= ~(uint64_t{1} << (c % 64));
}

// Unlinks addr, the checked head of list c, and returns it.
uint32_t UnlinkHead(uint32_t c, uint32_t addr) {
    uint32_t next = LoadWord(g_base + addr);
    g_heap.smallHeads[c] = next;
    if (next == 0) EmptySmall(c);
    return addr;
}

// The first block of list c, unlinked; 0 when the list is empty or its head is not a free
// block of the list's size (a link the program overwrote: the list is dropped).
uint32_t PopSmall(uint32_t c) {
    uint32_t addr = g_heap.smallHeads[c];
    if (addr == 0) return 0;
    bool intact = false;
    if (InHeapAligned(addr)) {
        uint64_t g = Granule(addr);
        intact = Bit(g_heap.starts, g) && !Bit(g_heap.live, g) && EndGranule(g) - g == c + 1;
    }
    if (!intact) {
        EmptySmall(c);
        return 0;
    }
    return UnlinkHead(c, addr);
}

// True when addr is a free block of exactly k granules that starts and ends in one word of
// the bitmaps below the top, so one mask settles it; false leaves the block to PopSmall's
// full check.
bool IsNearFreeBlockOf(uint32_t addr, uint64_t k) {
    if (!InHeapAligned(addr)) return false;
    const uint64_t g = Granule(addr), shift = g % 64;
    if (shift + k > 63 || g + k > Granule(g_heap.top)) return false;
    const uint64_t starts = g_heap.starts[g / 64] >> shift;
    const uint64_t live = g_heap.live[g / 64] >> shift;
    // A start at g, none inside the block, the next one at g + k; g not live.
    return (starts & ((uint64_t{2} << k) - 1)) == (1 | uint64_t{1} << k) && (live & 1) == 0;
}

// The first non-empty list at or above class c; kSmallClasses when none.
uint32_t NonEmptyFrom(uint32_t c) {
    for (uint32_t w = c / 64; w < kSmallClasses / 64; ++w) {
        uint64_t bits = g_heap.smallNonEmpty[w];
        if (w == c / 64) bits &= ~uint64_t{0} << (c % 64);
        if (bits != 0) return w * 64 + static_cast<uint32_t>(__builtin_ctzll(bits));
    }
    return kSmallClasses;
}

void AddLarge(uint32_t addr, uint32_t size) {
    g_heap.largeByAddr[addr] = size;
    g_heap.largeBySize.insert({size, addr});
}

void RemoveLarge(std::map<uint32_t, uint32_t>::iterator it) {
    g_heap.largeBySize.erase({it->second, it->first});
    g_heap.largeByAddr.erase(it);
}

// Files the free block [addr, addr + size) (its start bit set, its live bit clear).
void FileFree(uint32_t addr, uint32_t size) {
    if (size <= kSmallMax) PushSmall(addr, size);
    else AddLarge(addr, size);
}

// The free block [addr, end) ends at the top: the heap shrinks, also over a large free
// block that then ends at the top. Their pages stay committed.
void ReturnToTop(uint32_t addr) {
    Unsplit(addr);
    g_heap.top = addr;
    while (!g_heap.largeByAddr.empty()) {
        auto last = std::prev(g_heap.largeByAddr.end());
        if (last->first + last->second != g_heap.top) break;
        g_heap.top = last->first;
        Unsplit(last->first);
        RemoveLarge(last);
    }
}

// Hands out the first size bytes of the free block [addr, addr + blockSize); the rest
// becomes a free block of its own.
uint32_t Carve(uint32_t addr, uint32_t blockSize, uint32_t size) {
    if (blockSize > size) {
        Split(addr + size);
        FileFree(addr + size, blockSize - size);
    }
    return addr;
}

uint32_t TakeSmall(uint32_t size) {
    for (uint32_t c = NonEmptyFrom(SmallClass(size)); c < kSmallClasses; c = NonEmptyFrom(c)) {
        if (uint32_t addr = PopSmall(c)) return Carve(addr, (c + 1) * kGranule, size);
    }
    return 0;
}

uint32_t TakeLarge(uint32_t size) {
    auto fit = g_heap.largeBySize.lower_bound({size, 0});
    if (fit == g_heap.largeBySize.end()) return 0;
    auto [blockSize, addr] = *fit;
    RemoveLarge(g_heap.largeByAddr.find(addr));
    return Carve(addr, blockSize, size);
}

// Everything the run uses with the heap's top at top: the window below it and the
// bookkeeping (both bitmaps, the large free blocks' map entries).
uint64_t Usage(uint64_t top) {
    return top + 2 * ((top - g_heap.base) / kGranule / 8) + g_heap.largeByAddr.size() * kLargeEntryCost;
}

// Makes [0, end) of the window read/write (end is rounded up to whole pages).
bool CommitTo(uint64_t end) {
    end = RoundUp(end, PageSize());
    if (end <= g_heap.committed) return true;
    if (end > kReservation) return false;
    if (mprotect(g_base + g_heap.committed, end - g_heap.committed, PROT_READ | PROT_WRITE) != 0)
        return false;
    g_heap.committed = end;
    return true;
}

// Extends the heap by size bytes; 0 when the window or the memory limit is exhausted.
uint32_t TakeFresh(uint32_t size) {
    uint64_t end = uint64_t{g_heap.top} + size;
    if (end > kHeapLimit || Usage(end) > g_heap.limit) return 0;
    if (end > g_heap.committed && !CommitTo(std::min<uint64_t>(RoundUp(end, kCommitStep), kHeapLimit)))
        return 0;
    uint32_t addr = g_heap.top;
    g_heap.top = static_cast<uint32_t>(end);
    Split(addr);
    return addr;
}

// Merges every run of free blocks and rebuilds the free lists from the bitmaps alone, so
// it also repairs lists whose links the program overwrote.
void Sweep() {
    std::fill(std::begin(g_heap.smallHeads), std::end(g_heap.smallHeads), 0);
    std::fill(std::begin(g_heap.smallNonEmpty), std::end(g_heap.smallNonEmpty), 0);
    g_heap.largeByAddr.clear();
    g_heap.largeBySize.clear();
    g_heap.freedSinceSweep = false;
    const uint64_t end = Granule(g_heap.top);
    for (uint64_t g = Granule(g_heap.base); g < end;) {
        uint64_t next = NextStart(g + 1, end);
        if (Bit(g_heap.live, g)) {
            g = next;
            continue;
        }
        while (next < end && !Bit(g_heap.live, next)) {
            ClearBit(g_heap.starts, next);
            next = NextStart(next + 1, end);
        }
        if (next == end) {
            ReturnToTop(AddressOf(g));
            return;
        }
        FileFree(AddressOf(g), AddressOf(next) - AddressOf(g));
        g = next;
    }
}

uint32_t Take(uint32_t size) {
    uint32_t addr = size <= kSmallMax ? TakeSmall(size) : 0;
    if (addr == 0) addr = TakeLarge(size);
    if (addr == 0) addr = TakeFresh(size);
    return addr;
}

// WindowAlloc when the size's own list has nothing to give.
[[gnu::noinline]] uint32_t AllocateSlowly(uint32_t size) {
    if (g_base == nullptr || size > kHeapLimit) return 0;
    uint32_t rounded = static_cast<uint32_t>(RoundUp(size == 0 ? 1 : size, kGranule));
    uint32_t addr = Take(rounded);
    if (addr == 0 && g_heap.freedSinceSweep) {
        Sweep();
        addr = Take(rounded);
    }
    if (addr != 0) MarkLive(addr);
    return addr;
}

// WindowFree of the live block at addr when it is large, ends at the top, or its end is not
// found near its start.
[[gnu::noinline]] bool FreeSlowly(uint32_t addr) {
    const uint64_t g = Granule(addr);
    uint32_t end = AddressOf(EndGranule(g));
    ClearBit(g_heap.live, g);
    --g_heap.liveBlocks;
    g_heap.freedSinceSweep = true;
    if (end - addr <= kSmallMax) {
        if (end == g_heap.top) ReturnToTop(addr);
        else PushSmall(addr, end - addr);
        return true;
    }
    // Merge with the large free neighbours on either side.
    auto next = g_heap.largeByAddr.find(end);
    if (next != g_heap.largeByAddr.end()) {
        Unsplit(end);
        end += next->second;
        RemoveLarge(next);
    }
    auto prev = g_heap.largeByAddr.lower_bound(addr);
    if (prev != g_heap.largeByAddr.begin()) {
        --prev;
        if (prev->first + prev->second == addr) {
            Unsplit(addr);
            addr = prev->first;
            RemoveLarge(prev);
        }
    }
    if (end == g_heap.top) ReturnToTop(addr);
    else AddLarge(addr, end - addr);
    return true;
}

void UnmapBitmaps() {
    if (g_heap.starts != nullptr) munmap(g_heap.starts, 2 * kBitmapWords * sizeof(uint64_t));
    g_heap.starts = g_heap.live = nullptr;
}

}  // namespace

bool WindowOpen(uint64_t vmBytes, uint64_t memoryLimit) {
    WindowClose();
    if (vmBytes > kVmMemoryLimit || vmBytes > memoryLimit) return false;
    void* p = mmap(nullptr, kReservation, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                   -1, 0);
    if (p == MAP_FAILED) return false;
    // Large arrays in 2 MiB pages where the kernel offers them: a program that sweeps a
    // big array with a stride would otherwise miss the TLB on nearly every access. (A hint
    // only; it changes nothing a program can see.)
    (void)madvise(p, kReservation, MADV_HUGEPAGE);
    // The bitmaps are reserved whole and filled in as the heap grows (untouched pages cost
    // nothing).
    void* maps = mmap(nullptr, 2 * kBitmapWords * sizeof(uint64_t), PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (maps == MAP_FAILED) {
        munmap(p, kReservation);
        return false;
    }
    g_base = static_cast<uint8_t*>(p);
    g_heap.starts = static_cast<uint64_t*>(maps);
    g_heap.live = g_heap.starts + kBitmapWords;
    g_heap.limit = memoryLimit;
    g_heap.vmBytes = vmBytes;
    if (!CommitTo(vmBytes)) {
        WindowClose();
        return false;
    }
    // One untouched page between the stack top and the first block catches a run-away
    // access just above VM memory.
    g_heap.base = static_cast<uint32_t>(RoundUp(vmBytes, PageSize()) + PageSize());
    g_heap.top = g_heap.base;
    g_heap.committed = g_heap.base;  // the guard page stays inaccessible
    g_engine.window = g_base;
    return true;
}

void WindowClose() {
    if (g_base != nullptr) munmap(g_base, kReservation);
    UnmapBitmaps();
    g_base = nullptr;
    g_heap = Heap{};
    g_engine.window = nullptr;
}

uint64_t MemoryLimitFromEnvironment() {
    const char* text = std::getenv("TARN_MEMORY_LIMIT");
    if (text == nullptr || *text == 0) return kNoMemoryLimit;
    char* end = nullptr;
    unsigned long long mib = std::strtoull(text, &end, 10);
    if (*end != 0 || mib == 0 || mib > (uint64_t{1} << 20)) return kNoMemoryLimit;
    return uint64_t{mib} << 20;
}

bool InWindow(const void* p) {
    auto a = reinterpret_cast<uintptr_t>(p);
    auto b = reinterpret_cast<uintptr_t>(g_base);
    return g_base != nullptr && a >= b && a - b < kReservation;
}

uint32_t WindowAlloc(uint32_t size) {
    // A small size whose own list holds a block: the usual case of a program that disposes
    // and allocates records of one type, taken here without searching the other lists. A
    // head this check does not settle is left to AllocateSlowly, which checks it in full
    // and drops its list if it fails. (A closed window has no lists and ends in
    // AllocateSlowly's check.)
    if (size - 1 < kSmallMax) {
        const uint32_t c = (size - 1) / kGranule;
        const uint32_t addr = g_heap.smallHeads[c];
        if (addr != 0 && IsNearFreeBlockOf(addr, c + 1)) {
            MarkLive(UnlinkHead(c, addr));
            return addr;
        }
    }
    return AllocateSlowly(size);
}

bool WindowFree(uint32_t addr) {
    // A closed window has base = top = 0: no address lies in its heap.
    if (!InHeapAligned(addr)) return false;
    const uint64_t g = Granule(addr);
    uint64_t& liveWord = g_heap.live[g / 64];
    const uint64_t bit = uint64_t{1} << (g % 64);
    if ((liveWord & bit) == 0 || !Bit(g_heap.starts, g)) return false;
    // The usual block: small, its end (the next start) near and below the top. Anything
    // else is filed by FreeSlowly.
    const uint64_t end = NearNextStart(g);
    if (end == 0 || end >= Granule(g_heap.top)) return FreeSlowly(addr);
    liveWord &= ~bit;
    --g_heap.liveBlocks;
    g_heap.freedSinceSweep = true;
    PushSmall(addr, static_cast<uint32_t>((end - g) * kGranule));
    return true;
}

uint32_t WindowBlockSize(uint32_t addr) {
    if (g_base == nullptr || !IsLiveBlock(addr)) return 0;
    return BlockEnd(addr) - addr;
}

uint64_t WindowLiveBlocks() { return g_heap.liveBlocks; }

uint8_t* VmSpan(uint32_t addr, uint64_t n) {
    uint64_t end = uint64_t{addr} + n;
    bool inVmMemory = end <= g_heap.vmBytes;
    bool inHeap = addr >= g_heap.base && end <= g_heap.top;
    if (n != 0 && !inVmMemory && !inHeap) RunTimeError("Invalid memory access");
    return g_base + addr;
}

uint64_t VmRoom(uint32_t addr) {
    if (addr < g_heap.vmBytes) return g_heap.vmBytes - addr;
    if (addr >= g_heap.base && addr < g_heap.top) return g_heap.top - addr;
    return 0;
}

void InternalError(const char* what) {
    static constexpr char kPrefix[] = "[TARNRUN] Internal error: ";
    auto put = [](const char* s, size_t n) { (void)!write(STDERR_FILENO, s, n); };
    put(kPrefix, sizeof kPrefix - 1);
    put(what, std::strlen(what));
    put("\n", 1);
    // The launchers report SIGABRT as a run-time error; this must not pass as one.
    signal(SIGABRT, SIG_DFL);
    sigset_t abrt;
    sigemptyset(&abrt);
    sigaddset(&abrt, SIGABRT);
    sigprocmask(SIG_UNBLOCK, &abrt, nullptr);
    std::abort();
}

// ---- Fault handler --------------------------------------------------------------------

namespace {

// SIGSEGV and SIGBUS are the engine's own: a fault inside the window is the program's
// "Invalid memory access". The others belong to whoever handled them before (a launcher
// reports them as run-time errors); the engine only notes first which VM instruction was
// running, because translated code does not keep CUR up to date.
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t kSignalCount = sizeof kFaultSignals / sizeof kFaultSignals[0];
constexpr size_t kAltStackSize = 256 * 1024;  // room for the sanitizers' own frames

struct FaultState {
    bool installed = false;
    struct sigaction previous[kSignalCount];
    stack_t previousStack;
    void* altStack = nullptr;
};

FaultState g_fault;

size_t SignalIndex(int sig) {
    size_t i = 0;
    while (i + 1 < kSignalCount && kFaultSignals[i] != sig) ++i;
    return i;
}

bool IsMemoryFault(int sig) { return sig == SIGSEGV || sig == SIGBUS; }

// Hands the signal to the action InstallFaultHandler replaced: a handler is called
// directly (it may report and end the run); a default action is put back, and takes effect
// when a hardware fault repeats on return or, for a sent signal, at once.
void PassOn(int sig, siginfo_t* info, void* context) {
    const struct sigaction& before = g_fault.previous[SignalIndex(sig)];
    if (before.sa_flags & SA_SIGINFO) {
        if (before.sa_sigaction != nullptr) return before.sa_sigaction(sig, info, context);
    } else if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
        return before.sa_handler(sig);
    } else if (before.sa_handler == SIG_IGN && info->si_code <= 0) {
        return;
    }
    sigaction(sig, &before, nullptr);
    if (info->si_code <= 0) raise(sig);
}

void OnFault(int sig, siginfo_t* info, void* context) {
    if (g_engine.running) NoteNativeFault(context);
    if (IsMemoryFault(sig) && info->si_code > 0 && g_engine.running) {
        if (InWindow(info->si_addr)) RunTimeError("Invalid memory access");
        // A real fault anywhere else while a program runs: the engine touched memory that
        // is not the program's.
        InternalError("memory fault outside the VM window");
    }
    PassOn(sig, info, context);
}

}  // namespace

void InstallFaultHandler() {
    if (g_fault.installed) return;
    g_fault.altStack = std::malloc(kAltStackSize);
    if (g_fault.altStack != nullptr) {
        stack_t ss{};
        ss.ss_sp = g_fault.altStack;
        ss.ss_size = kAltStackSize;
        sigaltstack(&ss, &g_fault.previousStack);
    }
    struct sigaction sa{};
    sa.sa_sigaction = OnFault;
    // SA_NODEFER: a fault while the report is being written re-enters the handler, which
    // ends the process with exit code 1, instead of the kernel killing it with the signal.
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&sa.sa_mask);
    for (int sig : kFaultSignals) sigaction(sig, &sa, &g_fault.previous[SignalIndex(sig)]);
    g_fault.installed = true;
}

void RemoveFaultHandler() {
    if (!g_fault.installed) return;
    for (int sig : kFaultSignals) sigaction(sig, &g_fault.previous[SignalIndex(sig)], nullptr);
    if (g_fault.altStack != nullptr) {
        sigaltstack(&g_fault.previousStack, nullptr);
        std::free(g_fault.altStack);
        g_fault.altStack = nullptr;
    }
    g_fault.installed = false;
}

}  // namespace tarn::rt
