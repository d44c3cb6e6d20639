// Writes a random valid Pascal program for the differential test of the engine's tiers:
//   gen_program SEED > prog.pas
// The program mixes integer arithmetic, arrays, a record, a set, a string, procedure calls
// with variable parameters, a recursive function, loops and real arithmetic with sqrt, and
// prints as it goes. Nothing
// keeps its values in range: divisions by zero, negative MOD divisors, indexes and set
// elements out of range and square roots of negative numbers end some programs with a run-time error, which both tiers must
// report alike. Loops and recursion are bounded, so every program ends.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

std::mt19937 g_rng;

int Pick(int n) { return static_cast<int>(g_rng() % static_cast<unsigned>(n)); }
bool Chance(int percent) { return Pick(100) < percent; }

const char* const kVars[] = {"i0", "i1", "i2", "i3", "i4"};

std::string Expr(int depth);

// An array index: mostly in range, sometimes anything.
std::string Index(int depth) {
    return Chance(90) ? "abs(" + Expr(depth) + ") mod 10" : Expr(depth);
}

std::string Atom(int depth) {
    switch (Pick(depth > 2 ? 3 : 9)) {
    case 0: return std::to_string(Pick(120) - 20);
    case 1: case 2: return kVars[Pick(5)];
    case 3: return "a[" + Index(depth + 1) + "]";
    case 4: return Chance(50) ? "r.x" : "r.y";
    case 5: return "ord(r.c)";
    case 6: return "fib(abs(" + Expr(depth + 1) + ") mod 14)";
    case 7: return "length(st)";
    default: return "sq(" + Expr(depth + 1) + ")";
    }
}

std::string Expr(int depth) {
    if (depth > 3 || Chance(35)) return Atom(depth);
    static const char* const ops[] = {"+", "-", "*", "div", "mod", "+", "-"};
    std::string op = ops[Pick(7)];
    // Divisors are mostly kept positive; the rest may be zero or negative.
    std::string right = (op == "div" || op == "mod") && Chance(92) ? "(abs(" + Expr(depth + 1) + ") mod 7 + 1)"
                                                                   : Expr(depth + 1);
    return "(" + Expr(depth + 1) + " " + op + " " + right + ")";
}

std::string Cond(int depth) {
    static const char* const rel[] = {"=", "<>", "<", "<=", ">", ">="};
    switch (Pick(depth > 1 ? 2 : 5)) {
    case 0: return Expr(2) + " " + rel[Pick(6)] + " " + Expr(2);
    case 1: return "(abs(" + Expr(2) + ") mod 32) in s";
    case 2: return "(" + Cond(depth + 1) + ") and (" + Cond(depth + 1) + ")";
    case 3: return "(" + Cond(depth + 1) + ") or (" + Cond(depth + 1) + ")";
    default: return "not (" + Cond(depth + 1) + ")";
    }
}

void Indent(int n) { for (int i = 0; i < n; ++i) std::fputs("  ", stdout); }

void Statement(int depth, int loops);

void Block(int depth, int loops, int count) {
    std::puts("begin");
    for (int i = 0; i < count; ++i) {
        Statement(depth + 1, loops);
        std::puts(i + 1 < count ? ";" : "");
    }
    Indent(depth);
    std::fputs("end", stdout);
}

void Statement(int depth, int loops) {
    Indent(depth);
    int kind = Pick(depth > 3 ? 6 : 12);
    switch (kind) {
    case 0: case 1: std::printf("%s := %s", kVars[Pick(5)], Expr(0).c_str()); break;
    case 2: std::printf("a[%s] := %s", Index(1).c_str(), Expr(0).c_str()); break;
    case 3: std::printf("writeln(%s)", Expr(0).c_str()); break;
    case 4:
        switch (Pick(4)) {
        case 0: std::printf("s := s + [abs(%s) mod %d]", Expr(1).c_str(), Chance(90) ? 32 : 40); break;
        case 1: std::printf("s := s - [abs(%s) mod 32]", Expr(1).c_str()); break;
        case 2: std::printf("r.c := chr(65 + abs(%s) mod 26)", Expr(1).c_str()); break;
        default: std::printf("if length(st) < 20 then st := st + r.c else st := ''"); break;
        }
        break;
    case 5:
        std::printf("bump(%s, %s)", Chance(50) ? kVars[Pick(5)] : (Chance(50) ? "r.x" : "r.y"), Expr(1).c_str());
        break;
    case 6: case 7:
        std::printf("if %s then ", Cond(0).c_str());
        Block(depth, loops, 1 + Pick(2));
        if (Chance(50)) { std::fputs(" else ", stdout); Block(depth, loops, 1 + Pick(2)); }
        break;
    case 8: {
        if (loops >= 3) { std::printf("writeln(%s)", Expr(0).c_str()); break; }
        std::printf("for j%d := %d to %d do ", loops, Pick(5), Pick(12));
        Block(depth, loops + 1, 1 + Pick(3));
        break;
    }
    case 9: {
        if (loops >= 3) { std::printf("writeln(st, ' ', r.x)"); break; }
        std::printf("w%d := 0;\n", loops);
        Indent(depth);
        std::printf("while (w%d < %d) and (%s) do begin\n", loops, 1 + Pick(8), Cond(1).c_str());
        Indent(depth + 1);
        std::printf("w%d := w%d + 1;\n", loops, loops);
        Indent(depth + 1);
        Block(depth + 1, loops + 1, 1 + Pick(2));
        std::puts(";");
        Indent(depth);
        std::fputs("end", stdout);
        break;
    }
    case 11:
    {
        // Mostly in range; sometimes the square root of a negative number or a division of
        // reals by zero.
        std::string root = Chance(90) ? "abs(" + Expr(1) + ")" : Expr(1);
        std::string divisor = Chance(92) ? "(abs(" + Expr(1) + ") mod 5 + 1)" : Expr(1);
        std::printf("writeln(sqrt(%s * 1.5) * 0.25 + %s / %s:1:4)", root.c_str(), Expr(1).c_str(), divisor.c_str());
        break;
    }
    default:
        std::printf("case abs(%s) mod 4 of 0: i0 := i0 + 1; 1: i1 := i1 - 1; 2, 3: writeln('c', i2) end",
                    Expr(1).c_str());
        break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: gen_program SEED\n", stderr);
        return 2;
    }
    unsigned long seed = std::strtoul(argv[1], nullptr, 10);
    g_rng.seed(static_cast<uint32_t>(seed));
    std::printf("program gen%lu;\n", seed);
    std::puts("type point = record x, y: integer; c: char end;");
    std::puts("var i0, i1, i2, i3, i4, j0, j1, j2, w0, w1, w2: integer;");
    std::puts("  a: array[0..9] of integer; r: point; s: set of 0..31; st: string[20];");
    std::puts("function fib(n: integer): integer;");
    std::puts("begin if n < 2 then fib := n else fib := fib(n - 1) + fib(n - 2) end;");
    std::puts("function sq(n: integer): integer;");
    std::puts("begin sq := (n mod 1000) * (n mod 1000) end;");
    std::puts("procedure bump(var v: integer; d: integer);");
    std::puts("begin v := v + 2 * d; if v > 100000 then v := v mod 977 end;");
    std::puts("begin");
    std::puts("  i0 := 1; i1 := 2; i2 := 3; i3 := 5; i4 := 7;");
    std::puts("  for j0 := 0 to 9 do a[j0] := j0 * 3;");
    std::puts("  r.x := 4; r.y := -6; r.c := 'A'; s := [1, 3, 5]; st := 'ab';");
    int count = 6 + Pick(14);
    for (int i = 0; i < count; ++i) {
        Statement(1, 0);
        std::puts(";");
    }
    std::puts("  writeln(i0, ' ', i1, ' ', i2, ' ', i3, ' ', i4, ' ', r.x, ' ', r.y, ' ', st);");
    std::puts("  for j0 := 0 to 9 do write(a[j0], ' ');");
    std::puts("  writeln");
    std::puts("end.");
    return 0;
}
