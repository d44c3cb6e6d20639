// lexbench: how fast the scanner turns source text into tokens.
//
// Writes a generated Pascal source of N lines (default 1,000,000) to a temporary file,
// then scans it to the end a few times, each a fresh compilation (lexer, identifier
// table, options), and prints the best run in lines per second. Every token kind the
// scanner produces in everyday programs occurs: reserved words, identifiers from a pool
// of a few thousand names, numbers, reals, literals with doubled quotes, comments of all
// three kinds, and blank-heavy indentation.
//
// The figure is taken from the process's CPU time, which other work on a shared machine
// disturbs far less than the wall clock; both are printed.
//
// Usage: lexbench [lines] [runs]
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "compiler/writer/image.h"
#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/idtable.h"
#include "compiler/front/lexer.h"

using namespace tarn::tpc;

namespace {

// One of eight line shapes, with names drawn from a pool of 4096.
void AppendLine(std::string& out, unsigned long n) {
    const unsigned long a = (n * 2654435761u) % 4096, b = (n * 40503u + 17) % 4096;
    char line[256];
    switch (n % 8) {
    case 0: std::snprintf(line, sizeof line, "procedure Proc%lu(var v%lu: integer; r: real);\n", a, b); break;
    case 1: std::snprintf(line, sizeof line, "begin { block %lu }\n", n); break;
    case 2: std::snprintf(line, sizeof line, "  count%lu := count%lu + %lu * (total%lu - 3.25e2);\n", a, a, n % 1000, b); break;
    case 3: std::snprintf(line, sizeof line, "  if (item%lu <> nil) and (k%lu <= $%lX) then\n", a, b, n % 65536); break;
    case 4: std::snprintf(line, sizeof line, "    writeln('value ''%lu''', x%lu:8:2, #13, name_%lu);\n", n % 97, a, b); break;
    case 5: std::snprintf(line, sizeof line, "  for i := 1 to %lu do s[i] := chr(ord(s[i]) - 32); // %lu\n", n % 500, n); break;
    case 6: std::snprintf(line, sizeof line, "  (* state %lu *) while p%lu^.next <> nil do p%lu := p%lu^.next;\n", n % 13, a, a, a); break;
    default: std::snprintf(line, sizeof line, "end;\n"); break;
    }
    out += line;
}

std::string WriteSource(unsigned long lines, size_t& bytes) {
    char name[] = "/tmp/tarn-lexbench-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) {
        std::perror("mkstemp");
        std::exit(1);
    }
    std::string text;
    text.reserve(lines * 48);
    for (unsigned long n = 0; n < lines; ++n) AppendLine(text, n);
    bytes = text.size();
    if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        std::perror("write");
        std::exit(1);
    }
    close(fd);
    return name;
}

double CpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void Fresh() {
    SetAllocMode(0);
    InitOptions();
    InitMessages();
    InitOutputState();   // the lexer and the model hand data to the writer
    SetCompiling(true);
    InitLexer();
    ClearIdentifierTable();
    for (int kind = ANDtok; kind <= XORtok; ++kind) MarkReserved(Intern(KEYWORDS[kind - ANDtok]), kind);
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned long lines = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    size_t bytes = 0;
    const std::string path = WriteSource(lines, bytes);

    double best = 1e30, bestWall = 1e30;
    unsigned long tokens = 0;
    int errors = 0;
    for (int run = 0; run < runs; ++run) {
        Fresh();
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = CpuSeconds();
        PushFile(path.c_str());
        unsigned long count = 0;
        while (GetToken() != EOFtok) ++count;
        const double c1 = CpuSeconds();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, c1 - c0);
        bestWall = std::min(bestWall, std::chrono::duration<double>(t1 - t0).count());
        tokens = count;
        errors = ErrorCount();
        CloseSourceFiles();
        InitOutputState();   // drops the writer's buffers before their blocks go
        ReleaseAll();
    }
    unlink(path.c_str());
    std::printf("lexer: %lu lines, %.1f MB, %lu tokens, %d errors, best of %d: %.3f s CPU, %.3f s wall\n",
                lines, static_cast<double>(bytes) / 1e6, tokens, errors, runs, best, bestWall);
    std::printf("lexer: %.0f lines/s, %.0f tokens/s, %.0f MB/s\n", static_cast<double>(lines) / best,
                static_cast<double>(tokens) / best, static_cast<double>(bytes) / 1e6 / best);
    return errors == 0 ? 0 : 1;
}
