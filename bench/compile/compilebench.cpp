// Compile-speed benchmark: generates a Pascal program of at least 100,000 lines
// (declarations, expressions, statements and nested routines in every procedure), runs
// tpc on it and prints the compiler's own speed (its message 4) and the speed over the
// whole process's wall time.
//
//   compilebench [tpc] [routines]     (defaults: the tpc of this build, 4200 routines)
//   compilebench --source FILE        only write the program (the golden-image test
//                                     compiles it and compares the image)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// One routine of 25 lines; routine n calls routine n - 1, so every routine is used.
void WriteRoutine(FILE* f, int n) {
    std::fprintf(f,
        "procedure p%d(a: integer; var b: integer);\n"
        "const k = %d;\n"
        "type r = record x, y: integer; z: real end;\n"
        "var i, j: integer; q: r; s: set of 0..31;\n"
        "  function f(m: integer): integer;\n"
        "  begin\n"
        "    if m > k then f := m - k else f := m * 2 + (k div 3)\n"
        "  end;\n"
        "begin\n"
        "  b := 0; s := [1, 2, 5..7];\n"
        "  for i := 1 to a do begin\n"
        "    j := f(i) + a * (i mod 7) - (b shl 1);\n"
        "    q.x := j; q.y := q.x + 1; q.z := q.y / 2.0;\n"
        "    if (j > 10) and (i in s) then b := b + j else b := b - 1;\n"
        "    while j > 0 do j := j div 2;\n"
        "    case i mod 3 of\n"
        "      0: b := b + 1;\n"
        "      1: b := b - round(q.z);\n"
        "      2: b := -b\n"
        "    end\n"
        "  end;\n",
        n, n);
    if (n > 0) std::fprintf(f, "  if a > 1 then p%d(a - 1, b);\n", n - 1);
    else std::fprintf(f, "  b := b + 1;\n");
    std::fprintf(f, "  b := b + q.x\nend;\n\n");
}

int WriteProgram(const std::string& path, int routines) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fprintf(f, "program bench(output);\nvar total: integer;\n\n");
    for (int n = 0; n < routines; n++) WriteRoutine(f, n);
    std::fprintf(f, "begin\n  p%d(10, total);\n  writeln(total)\nend.\n", routines - 1);
    std::fclose(f);
    return 3 + routines * 26 + 4;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--source") {
        if (WriteProgram(argv[2], 4200) != 0) return 0;
        std::fprintf(stderr, "compilebench: cannot write %s\n", argv[2]);
        return 1;
    }
    const std::string tpc = argc > 1 ? argv[1] : TARN_TPC_PATH;
    const int routines = argc > 2 ? std::atoi(argv[2]) : 4200;
    const std::string dir = "/tmp/tarn_compilebench_" + std::to_string(getpid());
    const std::string source = dir + "/bench.pas";
    if (std::system(("mkdir -p " + dir).c_str()) != 0) return 1;
    const int lines = WriteProgram(source, routines);
    if (lines == 0) {
        std::fprintf(stderr, "compilebench: cannot write %s\n", source.c_str());
        return 1;
    }
    std::printf("compilebench: %d lines, %d routines\n", lines, routines);
    const std::string command = "cd " + dir + " && '" + tpc + "' bench.pas";
    const auto start = std::chrono::steady_clock::now();
    FILE* out = popen(command.c_str(), "r");
    if (!out) return 1;
    char line[512];
    std::string said;
    while (std::fgets(line, sizeof line, out)) said += line;
    const int status = pclose(out);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s", said.c_str());
    std::printf("compilebench: whole process %.3f s, %.0f lines/sec\n", seconds, lines / seconds);
    std::system(("rm -rf " + dir).c_str());
    // The summary must report a clean compilation, or the figure means nothing.
    if (said.find("0 error(s) and 0 warning(s) were issued.") == std::string::npos) {
        std::fprintf(stderr, "compilebench: the generated program did not compile cleanly (status %d)\n", status);
        return 1;
    }
    return 0;
}
