// The VM window: one reserved range of address space per run that holds everything a VM
// address can reach. VM memory (globals, fixed data, stack) sits at its start, so VM
// address a is window + a; above it an allocator hands out blocks for `new`, list chunks
// and object records. A VM address is a uint32, so base + address never leaves the
// reservation; pages that were never committed fault, and while a program runs such a
// fault is reported as the run-time error "Invalid memory access". A fault outside the
// window while a program runs is the engine's own fault: an internal error.
//
// Which addresses start a block, and which blocks are live, is kept in two bitmaps outside
// the window (one bit per 8 bytes of heap each, so bookkeeping grows with the heap and
// never beyond 1/32 of it). Only the links of free-block lists live in the window; the
// allocator validates every block it takes from a list against the bitmaps, so a program
// that overwrites freed memory can at worst lose free blocks, never obtain a live block
// twice or make the allocator write outside the heap.
#pragma once

#include <cstdint>

namespace tarn::rt {

// 4 GiB of VM addresses plus a guard, so that base + uint32 + a few bytes of an operand
// still lands inside the reservation.
inline constexpr uint64_t kWindowSpan = uint64_t{1} << 32;
inline constexpr uint64_t kWindowGuard = uint64_t{16} << 20;

// Largest VM memory block (STKTOP + 4) a program may ask for; the rest of the window is
// for the allocator. A header that asks for more is refused like a failed allocation.
inline constexpr uint64_t kVmMemoryLimit = uint64_t{1} << 30;

// The allocator never hands out addresses at or above this, so no block reaches the
// undefined marker 0xFFFFFFFF.
inline constexpr uint32_t kHeapLimit = 0xFFFF0000u;

// No limit of its own: the window's size is the limit.
inline constexpr uint64_t kNoMemoryLimit = ~uint64_t{0};

// Reserves the window (no access) and commits VM memory [0, vmBytes) read/write; sets
// g_engine.window. A previous window is released first. memoryLimit bounds everything the
// run uses: VM memory, the heap and the allocator's bookkeeping. False when the address
// space or the memory is not there, or VM memory alone exceeds the limit.
bool WindowOpen(uint64_t vmBytes, uint64_t memoryLimit = kNoMemoryLimit);

// The run's memory limit from the environment variable TARN_MEMORY_LIMIT (a number of
// MiB); kNoMemoryLimit when it is not set or not a positive number.
uint64_t MemoryLimitFromEnvironment();

// Unmaps the window and forgets every block; g_engine.window becomes null.
void WindowClose();

// True when host address p lies inside the reservation (guard included).
bool InWindow(const void* p);

// Allocates size bytes (8-aligned) inside the window above VM memory and returns the VM
// address; 0 when the window or the memory limit is exhausted, or the window is not open.
// Contents are not initialised.
uint32_t WindowAlloc(uint32_t size);

// Returns a block from WindowAlloc for reuse. False when addr is not a live block.
bool WindowFree(uint32_t addr);

// The rounded size of the live block at addr; 0 when addr is not a live block.
uint32_t WindowBlockSize(uint32_t addr);

// Live blocks right now. A chain of distinct blocks can be no longer, so walks over chains
// kept in program memory use it as a bound the program cannot raise.
uint64_t WindowLiveBlocks();

// Host pointer to the n bytes at VM address addr, which must lie inside what the program
// can address: VM memory or the heap handed out so far. Anything else (including a span
// whose end wraps or leaves the window) is the run-time error "Invalid memory access".
// Every copy the engine makes to or from VM memory with an address and a length taken
// from the program goes through here.
uint8_t* VmSpan(uint32_t addr, uint64_t n);

// How many bytes from addr on VmSpan accepts; 0 when addr itself is not addressable.
uint64_t VmRoom(uint32_t addr);

// Reports "[TARNRUN] Internal error: <what>" on standard error and aborts. For faults the
// engine made itself, which must never pass as the program's run-time error.
[[noreturn]] void InternalError(const char* what);

// Faults inside the window while a program runs become "Invalid memory access" (exit
// code 1); a fault outside it while a program runs is an internal error (InternalError);
// any other SIGSEGV/SIGBUS goes to the action that was installed before. The
// handler runs on its own signal stack, so it works whatever state the faulting stack is in.
void InstallFaultHandler();

// Puts back the actions (and signal stack) that InstallFaultHandler replaced.
void RemoveFaultHandler();

}  // namespace tarn::rt
