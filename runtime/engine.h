// Process-wide state of the run-time engine: the loaded image, the VM memory window and
// the settings of the current run. One program runs at a time in a process.
//
// VM memory lives at the start of one reserved 4 GiB address window (window.h), so every
// VM address is Mem() + uint32 and can never reach host memory outside the window.
#pragma once

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "vm/bytes.h"

namespace tarn::rt {

struct Engine {
    // The VM window: VM address 0 is window[0].
    uint8_t* window = nullptr;

    // Code segment (host memory; code offsets index it).
    uint8_t* code = nullptr;
    uint32_t codeSize = 0;
    uint32_t entryOffset = 0;
    bool wordOpcodes = false;  // image flag bit 0
    bool swapped = false;      // image byte order differs from the host's

    // VM memory layout: [0, dataBase) globals, [dataBase, dataBase+dataSize) fixed data,
    // [stackLow, stackTop) the stack, growing down from stackTop (STKTOP).
    uint32_t dataBase = 0;
    uint32_t dataSize = 0;
    uint32_t stackSize = 0;
    uint32_t stackLow = 0;
    uint32_t stackTop = 0;

    std::vector<uint32_t> lineTable;  // entry i: code offset where source line i+1 begins

    std::string imageName;  // empty when none
    std::string logName;    // empty when no log file

    // Program arguments as the run functions received them.
    int argc = 0;
    char** argv = nullptr;
    int skipCount = 0;

    bool trace = false;
    bool showAddresses = false;
    uint32_t stopEvent = 0;

    // Offset of the instruction being executed (CUR), for error reports. Kept in memory
    // by the dispatch loop so that signal handlers and standard routines can see it.
    volatile uint32_t cur = 0;
    bool running = false;  // the dispatch loop is active (cur is meaningful)

    // VM addresses of the program's registered exit-code and error-code variables (0: none).
    uint32_t exitCodeVar = 0;
    uint32_t errorCodeVar = 0;
};

extern Engine g_engine;

// Set by SetUserBreak (possibly from a signal handler); tested before every instruction.
extern volatile std::sig_atomic_t g_userBreak;

inline uint8_t* Mem() { return g_engine.window; }

// VM memory and converted code are in host order, at any alignment.
using vm::LoadReal;
using vm::LoadWord;
using vm::StoreReal;
using vm::StoreWord;

inline uint32_t VmWord(uint32_t addr) { return LoadWord(Mem() + addr); }

// Integer DIV and MOD as the VM computes them, once their divisor is known to be valid:
// DIV (b != 0) truncates toward zero, and INT_MIN div -1 wraps to INT_MIN instead of
// trapping the host; MOD (b > 0) lies in 0 .. b-1.
inline uint32_t DivideWrapping(int32_t a, int32_t b) {
    if (b == -1) return 0u - static_cast<uint32_t>(a);
    return static_cast<uint32_t>(a / b);
}
inline uint32_t ModPositive(int32_t a, int32_t b) {
    const int32_t r = a % b;
    return static_cast<uint32_t>(r < 0 ? r + b : r);
}
inline void SetVmWord(uint32_t addr, uint32_t v) { StoreWord(Mem() + addr, v); }

// Registers the interpreter hands to standard routines. SP and FP are VM addresses.
struct Regs {
    uint32_t sp;
    uint32_t fp;
};

inline uint32_t Pop(Regs& r) { uint32_t v = VmWord(r.sp); r.sp += 4; return v; }
inline void Push(Regs& r, uint32_t v) { r.sp -= 4; SetVmWord(r.sp, v); }
inline double PopReal(Regs& r) { double v = LoadReal(Mem() + r.sp); r.sp += 8; return v; }
inline void PushReal(Regs& r, double v) { r.sp -= 8; StoreReal(Mem() + r.sp, v); }

// The undefined marker: fresh memory is filled with 0xFF bytes.
inline constexpr uint32_t kUndefinedWord = 0xFFFFFFFFu;
inline constexpr uint8_t kUndefinedByte = 0xFF;

}  // namespace tarn::rt
