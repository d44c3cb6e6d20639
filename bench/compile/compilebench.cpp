// Compile-speed benchmark: generates Pascal programs of about 100,000 lines, runs tpc on
// each five times and prints the compiler's own speed (its message 4), the best speed over
// the whole process's wall time (start to exit) and the process's peak memory. Three
// shapes, so that no single one is tuned for:
//
//   standard  4200 routines of 25 lines: declarations, expressions, statements and a
//             nested function in every procedure (the golden-image test compiles it)
//   records   many small routines over records, sets, strings and case statements
//   huge      a few huge routines, each one statement part of thousands of statements
//
//   compilebench [tpc] [routines]       (defaults: the tpc of this build, 4200 routines of
//                                        the standard shape; the other shapes are sized to
//                                        about as many lines)
//   compilebench --source FILE          only write the standard program
//   compilebench --shape SHAPE FILE     only write the program of that shape
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// ---- standard: one routine of 25 lines; routine n calls routine n - 1, so every routine
// is used.
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

int WriteStandard(FILE* f, int routines) {
    std::fprintf(f, "program bench(output);\nvar total: integer;\n\n");
    for (int n = 0; n < routines; n++) WriteRoutine(f, n);
    std::fprintf(f, "begin\n  p%d(10, total);\n  writeln(total)\nend.\n", routines - 1);
    return 3 + routines * 26 + 4;
}

// ---- records: a global record type per group of routines, then small routines of 18
// lines that fill records, take sets apart, join strings and branch by case. Routine n
// calls routine n - 1.
constexpr int RECORD_GROUP = 50;

int WriteRecordGroupTypes(FILE* f, int g) {
    std::fprintf(f,
        "type\n"
        "  item%d = record\n"
        "    name: string[40];\n"
        "    code, weight: integer;\n"
        "    tags: set of 0..63;\n"
        "    ratio: real\n"
        "  end;\n\n",
        g);
    return 8;
}

int WriteRecordRoutine(FILE* f, int n) {
    const int g = n / RECORD_GROUP;
    // The first routine of a group calls the last of the group before, whose record type
    // is another one: it passes a local record of that type.
    const bool first = n > 0 && n % RECORD_GROUP == 0;
    std::fprintf(f,
        "procedure r%d(var it: item%d; s: string; var acc: integer);\n"
        "var t: string; i, k: integer; u: set of 0..63; p: item%d;\n"
        "begin\n"
        "  it.name := s; t := it.name + '.%d'; k := length(t);\n"
        "  u := [1, 3, 5..9, k mod 64]; it.tags := it.tags + u - [2];\n"
        "  for i := 1 to k do if t[i] = '.' then it.code := i;\n"
        "  case (k + it.code) mod 5 of\n"
        "    0: it.weight := it.weight + 1;\n"
        "    1, 2: begin it.weight := k * 2; it.ratio := it.weight / 3.0 end;\n"
        "    3: if 5 in it.tags then it.name := 'five' else it.name := t;\n"
        "    4: it.weight := -k\n"
        "  end;\n"
        "  if (it.name <> '') and (k > 3) then acc := acc + it.weight;\n",
        n, g, first ? g - 1 : g, n % 1000);
    std::fprintf(f, "  p.code := it.code; p.tags := it.tags; p.name := t;\n");
    if (n > 0)
        std::fprintf(f, "  if acc < %d then r%d(%s, t, acc);\n", 1000000 + n, n - 1,
                     first ? "p" : "it");
    else std::fprintf(f, "  acc := acc + p.code;\n");
    std::fprintf(f, "  acc := acc + k\nend;\n\n");
    return 18;
}

int WriteRecords(FILE* f, int routines) {
    int lines = 0;
    std::fprintf(f, "program records(output);\n\n");
    lines += 2;
    for (int n = 0; n < routines; n++) {
        if (n % RECORD_GROUP == 0) lines += WriteRecordGroupTypes(f, n / RECORD_GROUP);
        lines += WriteRecordRoutine(f, n);
    }
    const int last = routines - 1;
    std::fprintf(f,
        "var total: integer; it: item%d;\n"
        "begin\n"
        "  total := 0; it.tags := []; it.code := 0; it.weight := 0;\n"
        "  r%d(it, 'start', total);\n"
        "  writeln(total)\n"
        "end.\n",
        last / RECORD_GROUP, last);
    return lines + 6;
}

// ---- huge: a few routines, each with a statement part of thousands of statements
// (assignments, nested ifs, loops and case statements over arrays and locals).
int WriteHugeRoutine(FILE* f, int n, int blocks) {
    int lines = 0;
    std::fprintf(f,
        "procedure h%d(var acc: integer);\n"
        "var a: array[0..99] of integer; i, j, k, m: integer; x, y: real; s: string;\n"
        "begin\n"
        "  for i := 0 to 99 do a[i] := i * %d;\n"
        "  j := 0; k := 1; m := 2; x := 0.5; y := 1.5; s := '';\n",
        n, n + 1);
    lines += 5;
    for (int b = 0; b < blocks; b++) {
        std::fprintf(f,
            "  j := (a[%d] + k * %d - m div 3) mod 100;\n"
            "  if j < 0 then j := -j;\n"
            "  a[j] := a[(j + %d) mod 100] + (k shl 2) - (m and 15);\n"
            "  if (a[j] > %d) or (k = m) then begin\n"
            "    k := k + 1; x := x * 1.0001 + j / 7.0\n"
            "  end else if a[j] < 0 then\n"
            "    m := m - 1\n"
            "  else begin\n"
            "    while k > 1000 do k := k div 2;\n"
            "    y := y + x * 0.5\n"
            "  end;\n"
            "  case (j + b%d) mod 4 of\n"
            "    0: acc := acc + a[j];\n"
            "    1: acc := acc - k;\n"
            "    2: begin s := 'x'; acc := acc + length(s) end;\n"
            "    3: acc := acc + round(y) mod 7\n"
            "  end;\n",
            b % 100, b % 13 + 1, b % 37 + 1, b % 500, b % 4);
        lines += 17;
    }
    std::fprintf(f, "  acc := acc + j + k + m\nend;\n\n");
    return lines + 3;
}

int WriteHuge(FILE* f, int routines, int blocks) {
    int lines = 0;
    std::fprintf(f, "program huge(output);\nconst b0 = 0; b1 = 1; b2 = 2; b3 = 3;\n\n");
    lines += 3;
    for (int n = 0; n < routines; n++) lines += WriteHugeRoutine(f, n, blocks);
    std::fprintf(f, "var total: integer;\nbegin\n  total := 0;\n");
    lines += 3;
    for (int n = 0; n < routines; n++) {
        std::fprintf(f, "  h%d(total);\n", n);
        lines++;
    }
    std::fprintf(f, "  writeln(total)\nend.\n");
    return lines + 2;
}

// The lines of a written file, counted (the writers' own sums are only estimates).
int CountLines(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    int lines = 0;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        for (size_t i = 0; i < n; ++i) lines += buffer[i] == '\n';
    std::fclose(f);
    return lines;
}

// Writes the program of a shape (standard, records, huge) sized by `routines` (0: the
// default size) and returns its line count, or 0 when it cannot be written.
int WriteProgram(const std::string& path, const std::string& shape, int routines) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    int written = 0;
    if (shape == "standard") written = WriteStandard(f, routines ? routines : 4200);
    else if (shape == "records") written = WriteRecords(f, routines ? routines : 5600);
    else if (shape == "huge") written = WriteHuge(f, routines ? routines : 6, 1000);
    if (std::fclose(f) != 0 || written == 0) return 0;
    return CountLines(path);
}

// Runs of tpc per shape.
constexpr int RUNS = 5;

struct Run {
    std::string said;    // tpc's output
    double seconds = 0;  // wall time from fork to exit
    long peakKb = 0;     // the tpc process's peak resident memory
    double cpu = 0;      // its user and system time
    int status = -1;
};

// Runs tpc on `source` inside `dir`, with its output through a pipe, and measures the
// process itself (not a shell around it).
Run RunTpc(const std::string& tpc, const std::string& dir, const std::string& source) {
    Run run;
    int pipeFd[2];
    if (pipe(pipeFd) != 0) return run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFd[1], 1);
        close(pipeFd[0]);
        close(pipeFd[1]);
        if (chdir(dir.c_str()) != 0) _exit(127);
        execl(tpc.c_str(), tpc.c_str(), source.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFd[1]);
    if (pid < 0) {
        close(pipeFd[0]);
        return run;
    }
    char buffer[512];
    ssize_t n;
    while ((n = read(pipeFd[0], buffer, sizeof buffer)) > 0) run.said.append(buffer, n);
    close(pipeFd[0]);
    struct rusage usage {};
    if (wait4(pid, &run.status, 0, &usage) != pid) run.status = -1;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKb = usage.ru_maxrss;
    run.cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
              (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return run;
}

// One shape: writes it, compiles it, prints the figures. False when it did not compile
// cleanly (the figures then mean nothing).
bool Measure(const std::string& tpc, const std::string& dir, const std::string& shape,
             int routines) {
    const std::string source = shape + ".pas";
    const int lines = WriteProgram(dir + "/" + source, shape, routines);
    if (lines == 0) {
        std::fprintf(stderr, "compilebench: cannot write %s/%s\n", dir.c_str(), source.c_str());
        return false;
    }
    std::printf("compilebench: %s program, %d lines\n", shape.c_str(), lines);
    std::fflush(stdout);
    // The best of RUNS runs (the machine's other work only ever adds time), tpc's own
    // report from the first; the peak is the largest of them.
    const Run run = RunTpc(tpc, dir, source);
    std::printf("%s", run.said.c_str());
    Run best = run;
    long peakKb = run.peakKb;
    for (int i = 1; i < RUNS && run.status == 0; ++i) {
        const Run again = RunTpc(tpc, dir, source);
        if (again.seconds < best.seconds) best = again;
        if (again.peakKb > peakKb) peakKb = again.peakKb;
    }
    // CPU time beside the wall time: on a loaded machine the wall time includes waiting.
    std::printf("compilebench: %s: whole process %.3f s, %.0f lines/sec, peak memory %.1f MB"
                " (cpu %.3f s, %.0f lines/sec; best of %d)\n",
                shape.c_str(), best.seconds, lines / best.seconds, peakKb / 1024.0, best.cpu,
                best.cpu > 0 ? lines / best.cpu : 0.0, RUNS);
    std::fflush(stdout);
    if (run.said.find("0 error(s) and 0 warning(s) were issued.") == std::string::npos) {
        std::fprintf(stderr, "compilebench: the %s program did not compile cleanly (status %d)\n",
                     shape.c_str(), run.status);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--source") {
        if (WriteProgram(argv[2], "standard", 0) != 0) return 0;
        std::fprintf(stderr, "compilebench: cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc == 4 && std::string(argv[1]) == "--shape") {
        if (WriteProgram(argv[3], argv[2], 0) != 0) return 0;
        std::fprintf(stderr, "compilebench: cannot write %s (shapes: standard, records, huge)\n",
                     argv[3]);
        return 1;
    }
    const std::string tpc = argc > 1 ? argv[1] : TARN_TPC_PATH;
    const int routines = argc > 2 ? std::atoi(argv[2]) : 0;
    const std::string dir = "/tmp/tarn_compilebench_" + std::to_string(getpid());
    if (std::system(("mkdir -p " + dir).c_str()) != 0) return 1;
    bool clean = Measure(tpc, dir, "standard", routines);
    if (clean && routines == 0) {
        for (const char* shape : {"records", "huge"}) {
            std::printf("\n");
            clean = Measure(tpc, dir, shape, 0) && clean;
        }
    }
    std::system(("rm -rf " + dir).c_str());
    return clean ? 0 : 1;
}
