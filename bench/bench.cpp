// The dispatch benchmark. Each workload is a loop in image assembly whose body has a known
// number of instructions, so instructions executed = setup + body x iterations exactly. It
// runs through the engine's own entry point in this process, and the same work is done by
// a plain C++ loop for comparison. Times are the thread's CPU time.
//
//   tarn_bench           full run (a few seconds)
//   tarn_bench --smoke   tiny loops, checks that every workload still runs and ends right
#include <unistd.h>

#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/tarnrt.h"
#include "tools/asm.h"

namespace {

// CPU time of this thread: the machine may be shared, and time spent waiting for a core
// is not the interpreter's.
double CpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

struct Workload {
    const char* name;
    const char* body;      // the loop body, run once per iteration
    uint32_t bodyCount;    // instructions in body
    const char* subs;      // routines and data after the loop
    uint32_t perCallExtra; // instructions executed outside body per iteration (callee)
    uint64_t (*native)(uint32_t iterations);
};

// Loop control around every body: counter on the stack, SUBI 1, DUP, JNZ = 3 instructions.
// Set-up: PUSHI n (1); end: POP, CALLSTD 94 (2).
constexpr uint32_t kLoopControl = 3;
constexpr uint32_t kFixed = 3;

volatile uint32_t g_in3 = 3, g_in5 = 5, g_in7 = 7, g_in2 = 2;
volatile uint32_t g_sink;
uint8_t g_memory[64];

uint64_t NativeArith(uint32_t n) {
    for (uint32_t i = n; i; --i) g_sink = (g_in3 + g_in5) * g_in7 - g_in2;
    return n;
}
uint64_t NativeMemory(uint32_t n) {
    for (uint32_t i = n; i; --i) {
        uint32_t w;
        std::memcpy(&w, g_memory + 8, 4);
        w += 1;
        std::memcpy(g_memory + 8, &w, 4);
        g_sink = g_memory[12];
        asm volatile("" ::: "memory");
    }
    return n;
}
__attribute__((noinline)) void NativeCallee(volatile uint32_t* p) { *p = 0xFFFFFFFF; }
uint64_t NativeCalls(uint32_t n) {
    volatile uint32_t local;
    for (uint32_t i = n; i; --i) NativeCallee(&local);
    return n;
}
uint64_t NativeStrings(uint32_t n) {
    static const char a[] = "abcdefgh";
    for (uint32_t i = n; i; --i) {
        char x[8], y[8];
        std::memcpy(x, a, 8);
        std::memcpy(y, a, 8);
        asm volatile("" ::: "memory");
        g_sink = std::memcmp(x, y, 8);
    }
    return n;
}
uint64_t NativeSets(uint32_t n) {
    for (uint32_t i = n; i; --i) {
        uint32_t members[20];
        for (uint32_t v = 0; v < 20; ++v) members[v] = g_in2 - 1 + v;
        asm volatile("" ::: "memory");
        bool in = false;
        for (uint32_t v = 0; v < 20; ++v) in |= members[v] == g_in7;
        g_sink = in;
    }
    return n;
}

const Workload kWorkloads[] = {
    {"integer arithmetic", "PUSHI 3\nPUSHI 5\nADD\nPUSHI 7\nMUL\nPUSHI 2\nSUB\nPOP", 8, "", 0, NativeArith},
    {"loads and stores", "PUSHI 8\nPUSHI 8\nLOADW\nADDI 1\nSTOREW\nPUSHI 12\nLOADB\nPOP", 8, "", 0, NativeMemory},
    {"calls and returns", "CALL proc", 1,
     "proc: PUSHFP\nPUSHSP\nSETFP\nALLOC 4\nLEAVE\nRET\n", 6, NativeCalls},
    {"strings (LOADV, STRCMP)", "PUSHI @s\nPUSHI 8\nLOADV 1\nPUSHI @s\nPUSHI 8\nLOADV 1\nSTRCMP\nPOP", 8,
     ".data\ns: .ascii \"abcdefgh\"\n", 0, NativeStrings},
    {"sets (SETRNG, SETIN)", "PUSHI 7\nPUSHI 1\nPUSHI 20\nPUSHI 0\nPUSHI 255\nSETRNG 3\nSETIN 3\nPOP", 8, "", 0,
     NativeSets},
};

std::string Program(const Workload& w, uint32_t iterations) {
    return ".entry main\n.globals 64\n.code\nmain: PUSHI " + std::to_string(iterations) + "\nloop:\n" + w.body +
           "\nSUBI 1\nDUP\nJNZ loop\nPOP\nCALLSTD 94\n" + w.subs;
}

// Runs the image in this process; returns seconds, or a negative value on failure.
double RunImage(const std::vector<uint8_t>& image) {
    std::string path = "/tmp/tarn_bench_" + std::to_string(getpid()) + ".tvm";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
    char arg0[] = "bench.tvm";
    char* argv[] = {arg0, nullptr};
    double start = CpuSeconds();
    int code = RunConsoleFromFile(1, argv, path.c_str(), 0, 0, 0, 0, 0);
    double took = CpuSeconds() - start;
    std::remove(path.c_str());
    return code == 0 ? took : -1;
}

}  // namespace

int main(int argc, char** argv) {
    bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    uint32_t iterations = smoke ? 1000 : 20000000;
    std::printf("%-26s %14s %10s %12s %8s\n", "workload", "instructions", "ns/instr", "native ns/it", "ratio");
    int failures = 0;
    for (const Workload& w : kWorkloads) {
        std::string errors;
        std::vector<uint8_t> image = tarn::tools::Assemble(Program(w, iterations), w.name, errors);
        if (!errors.empty()) {
            std::fprintf(stderr, "%s: %s", w.name, errors.c_str());
            ++failures;
            continue;
        }
        uint64_t executed = kFixed + uint64_t{iterations} * (w.bodyCount + w.perCallExtra + kLoopControl);
        double seconds = RunImage(image);
        if (seconds < 0) {
            std::fprintf(stderr, "%s: the run did not end with exit code 0\n", w.name);
            ++failures;
            continue;
        }
        double start = CpuSeconds();
        w.native(iterations);
        double native = CpuSeconds() - start;
        double perIteration = seconds * 1e9 / iterations;
        double nativePerIteration = native * 1e9 / iterations;
        std::printf("%-26s %14llu %10.3f %12.3f %8.1f\n", w.name, static_cast<unsigned long long>(executed),
                    seconds * 1e9 / executed, nativePerIteration, perIteration / nativePerIteration);
    }
    return failures == 0 ? 0 : 1;
}
