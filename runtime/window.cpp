// The VM window and its block allocator. The allocator's bookkeeping lives in host memory
// outside the window, so a program that scribbles over its heap cannot corrupt it: the
// worst a stray store can do is change the program's own data.
#include "runtime/window.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <map>
#include <set>
#include <unordered_map>
#include <utility>

#include "runtime/engine.h"
#include "runtime/errors.h"

namespace tarn::rt {

namespace {

constexpr uint64_t kReservation = kWindowSpan + kWindowGuard;
constexpr uint32_t kAllocAlign = 8;
constexpr uint64_t kCommitStep = uint64_t{1} << 20;  // heap pages are committed a MiB at a time

struct Heap {
    uint32_t base = 0;       // first VM address the allocator may use
    uint32_t top = 0;        // end of the blocks handed out so far (bump pointer)
    uint64_t committed = 0;  // end of the read/write part of the window
    std::map<uint32_t, uint32_t> freeByAddr;              // address -> size
    std::set<std::pair<uint32_t, uint32_t>> freeBySize;   // (size, address), best fit
    std::unordered_map<uint32_t, uint32_t> live;          // address -> size
};

uint8_t* g_base = nullptr;
Heap g_heap;

uint64_t PageSize() {
    static const uint64_t size = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    return size;
}

uint64_t RoundUp(uint64_t n, uint64_t unit) { return (n + unit - 1) / unit * unit; }

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

void AddFree(uint32_t addr, uint32_t size) {
    g_heap.freeByAddr[addr] = size;
    g_heap.freeBySize.insert({size, addr});
}

void RemoveFree(std::map<uint32_t, uint32_t>::iterator it) {
    g_heap.freeBySize.erase({it->second, it->first});
    g_heap.freeByAddr.erase(it);
}

// Takes the smallest free block of at least size bytes, splitting off the rest; 0 if none.
uint32_t TakeFree(uint32_t size) {
    auto fit = g_heap.freeBySize.lower_bound({size, 0});
    if (fit == g_heap.freeBySize.end()) return 0;
    auto [blockSize, addr] = *fit;
    RemoveFree(g_heap.freeByAddr.find(addr));
    if (blockSize > size) AddFree(addr + size, blockSize - size);
    return addr;
}

// Extends the bump region by size bytes; 0 when the window is exhausted.
uint32_t TakeFresh(uint32_t size) {
    uint64_t end = uint64_t{g_heap.top} + size;
    if (end > kHeapLimit) return 0;
    if (end > g_heap.committed && !CommitTo(std::min<uint64_t>(RoundUp(end, kCommitStep), kHeapLimit)))
        return 0;
    uint32_t addr = g_heap.top;
    g_heap.top = static_cast<uint32_t>(end);
    return addr;
}

}  // namespace

bool WindowOpen(uint64_t vmBytes) {
    WindowClose();
    if (vmBytes > kVmMemoryLimit) return false;
    void* p = mmap(nullptr, kReservation, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                   -1, 0);
    if (p == MAP_FAILED) return false;
    g_base = static_cast<uint8_t*>(p);
    g_heap = Heap{};
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
    g_base = nullptr;
    g_heap = Heap{};
    g_engine.window = nullptr;
}

bool InWindow(const void* p) {
    auto a = reinterpret_cast<uintptr_t>(p);
    auto b = reinterpret_cast<uintptr_t>(g_base);
    return g_base != nullptr && a >= b && a - b < kReservation;
}

uint32_t WindowAlloc(uint32_t size) {
    if (g_base == nullptr || size > kHeapLimit) return 0;
    uint32_t rounded = static_cast<uint32_t>(RoundUp(size == 0 ? 1 : size, kAllocAlign));
    uint32_t addr = TakeFree(rounded);
    if (addr == 0) addr = TakeFresh(rounded);
    if (addr != 0) g_heap.live[addr] = rounded;
    return addr;
}

bool WindowFree(uint32_t addr) {
    auto it = g_heap.live.find(addr);
    if (it == g_heap.live.end()) return false;
    uint32_t size = it->second;
    g_heap.live.erase(it);
    // Merge with the free neighbours on either side.
    auto next = g_heap.freeByAddr.find(addr + size);
    if (next != g_heap.freeByAddr.end()) {
        size += next->second;
        RemoveFree(next);
    }
    auto prev = g_heap.freeByAddr.lower_bound(addr);
    if (prev != g_heap.freeByAddr.begin()) {
        --prev;
        if (prev->first + prev->second == addr) {
            addr = prev->first;
            size += prev->second;
            RemoveFree(prev);
        }
    }
    // A free block at the end of the bump region goes back to it (its pages stay committed).
    if (addr + size == g_heap.top)
        g_heap.top = addr;
    else
        AddFree(addr, size);
    return true;
}

uint32_t WindowBlockSize(uint32_t addr) {
    auto it = g_heap.live.find(addr);
    return it == g_heap.live.end() ? 0 : it->second;
}

// ---- Fault handler --------------------------------------------------------------------

namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS};
constexpr size_t kAltStackSize = 256 * 1024;  // room for the sanitizers' own frames

struct FaultState {
    bool installed = false;
    struct sigaction previous[2];
    stack_t previousStack;
    void* altStack = nullptr;
};

FaultState g_fault;

int SignalIndex(int sig) { return sig == SIGSEGV ? 0 : 1; }

void OnFault(int sig, siginfo_t* info, void*) {
    if (g_engine.running && InWindow(info->si_addr)) RunTimeError("Invalid memory access");
    // Not ours: hand the signal to whoever had it before. A hardware fault repeats when
    // the handler returns; a sent signal has to be raised again.
    sigaction(sig, &g_fault.previous[SignalIndex(sig)], nullptr);
    if (info->si_code <= 0) raise(sig);
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
