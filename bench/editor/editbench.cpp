// The editor's text engine under load: a 100,000-line text edited one key at a time at
// random places, the caret's jump to a random place on its own, and opening a 10 MB file.
//   editbench           the full run (make bench)
//   editbench --smoke   tiny sizes, to keep it working (ctest)
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "ide/editengine/editengine.h"
#include "ide/editor/text_file.h"

using namespace tarn::ide;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

std::string SourceText(int lines) {
    std::string s;
    for (int i = 1; i <= lines; ++i)
        s += "    total := total + values[" + std::to_string(i) + "] * factor;   { line }\n";
    return s;
}

EditPos RandomPos(const EditEngine& e, std::mt19937& rng) {
    int line = int(rng() % unsigned(e.LineCount())) + 1;
    return {line, int(rng() % unsigned(e.LineLength(line) + 1)) + 1};
}

}  // namespace

int main(int argc, char** argv) {
    bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    int lines = smoke ? 1000 : 100000;
    int rounds = smoke ? 50 : 20000;
    std::mt19937 rng(42);

    EditEngine e;
    std::string text = SourceText(lines);
    auto t0 = Clock::now();
    LoadText(e, text, true, 4);
    auto t1 = Clock::now();
    std::printf("EditEngine, %d lines (%.1f MB): loaded in %.1f ms\n", e.LineCount() - 1,
                text.size() / 1e6, Seconds(t0, t1) * 1e3);

    // Typing: a jump to a random place, then ten keys inserted and five deleted there.
    long keys = 0;
    double keyTime = 0, jumpTime = 0;
    for (int r = 0; r < rounds; ++r) {
        EditPos p = RandomPos(e, rng);
        auto a = Clock::now();
        e.SetCaret(p.line, p.col);
        e.InsertChar('x');  // moves the gap here
        auto b = Clock::now();
        for (int k = 0; k < 9; ++k) e.InsertChar('a' + k);
        for (int k = 0; k < 5; ++k) e.Backspace();
        auto c = Clock::now();
        jumpTime += Seconds(a, b);
        keyTime += Seconds(b, c);
        keys += 14;
    }
    std::printf("  key at the caret (insert or delete):        %8.0f ns per key\n",
                keyTime / double(keys) * 1e9);
    std::printf("  first key after a jump to a random place:   %8.0f ns (the gap moves there)\n",
                jumpTime / rounds * 1e9);

    // Every key at a new random place: the worst case of a single gap.
    int singles = smoke ? 50 : 5000;
    auto a = Clock::now();
    for (int r = 0; r < singles; ++r) {
        EditPos p = RandomPos(e, rng);
        e.SetCaret(p.line, p.col);
        if (r % 2)
            e.InsertChar('y');
        else
            e.DeleteChar();
    }
    auto b = Clock::now();
    std::printf("  every key at a new random place:            %8.0f ns per key\n",
                Seconds(a, b) / singles * 1e9);

    // Lines read for drawing, anywhere in the text.
    std::string line;
    a = Clock::now();
    for (int r = 0; r < rounds; ++r) e.LineText(RandomPos(e, rng).line, line);
    b = Clock::now();
    std::printf("  line read at a random place:                %8.0f ns\n",
                Seconds(a, b) / rounds * 1e9);

    // Opening a 10 MB source file.
    const size_t bigSize = smoke ? 100 * 1000 : 10 * 1000 * 1000;
    std::string big = SourceText(1000);
    while (big.size() < bigSize) big += big.substr(0, bigSize - big.size());
    std::string path = "/tmp/editbench-" + std::to_string(::getpid()) + ".pas";
    std::ofstream(path, std::ios::binary) << big;
    EditEngine f;
    a = Clock::now();
    LoadResult r = LoadTextFile(f, path, false, 4);
    b = Clock::now();
    ::unlink(path.c_str());
    if (!r.ok) {
        std::fprintf(stderr, "editbench: %s\n", r.error.c_str());
        return 1;
    }
    std::printf("  opening a %.1f MB file (%d lines):         %8.1f ms\n", big.size() / 1e6,
                f.LineCount() - 1, Seconds(a, b) * 1e3);
    return 0;
}
