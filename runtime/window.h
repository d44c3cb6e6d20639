// The VM window: one reserved range of address space per run that holds everything a VM
// address can reach. VM memory (globals, fixed data, stack) sits at its start, so VM
// address a is window + a; above it an allocator hands out blocks for `new`, list chunks
// and object records. A VM address is a uint32, so base + address never leaves the
// reservation; pages that were never committed fault, and while a program runs such a
// fault is reported as the run-time error "Invalid memory access".
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

// Reserves the window (no access) and commits VM memory [0, vmBytes) read/write; sets
// g_engine.window. A previous window is released first. False when the address space or
// the memory is not there.
bool WindowOpen(uint64_t vmBytes);

// Unmaps the window and forgets every block; g_engine.window becomes null.
void WindowClose();

// True when host address p lies inside the reservation (guard included).
bool InWindow(const void* p);

// Allocates size bytes (8-aligned) inside the window above VM memory and returns the VM
// address; 0 when the window is exhausted or not open. Contents are not initialised.
uint32_t WindowAlloc(uint32_t size);

// Returns a block from WindowAlloc for reuse. False when addr is not a live block.
bool WindowFree(uint32_t addr);

// The rounded size of the live block at addr; 0 when addr is not a live block.
uint32_t WindowBlockSize(uint32_t addr);

// Faults inside the window while a program runs become "Invalid memory access" (exit
// code 1); any other SIGSEGV/SIGBUS goes to the action that was installed before. The
// handler runs on its own signal stack, so it works whatever state the faulting stack is in.
void InstallFaultHandler();

// Puts back the actions (and signal stack) that InstallFaultHandler replaced.
void RemoveFaultHandler();

}  // namespace tarn::rt
