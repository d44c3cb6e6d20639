// Writes a random valid Pascal program for the differential test of the engine's tiers:
//   gen_program SEED > prog.pas
//
// The native tier keeps variables in host registers, drops checks it can prove and reasons
// about which stores may touch which variables; its mistakes show only in programs where
// many variables stay live across loops, branches and calls, where a var parameter aliases
// a variable the callee also reads directly, and where stores go through pointers and
// computed addresses. So the programs mix: global and local integer, real, boolean and char
// variables; generated procedures and functions (a nested procedure reaching its parent's
// locals, bounded recursion) with value and var parameters; records and an array of
// records with real fields stepped like an n-body simulation; a linked list built with
// new/dispose and walked through p^ and `with`; sets of a subrange, of char and of an
// enumeration; case statements; for loops whose bounds change inside, loops over arrays
// indexed by the loop variable, tight loops without calls, while and repeat loops; real
// arithmetic with sqrt, trunc and round; straight code that writes a variable through one
// name and reads it through another at once; a recursion whose frames come near the end of
// the stack. One program in ten runs with range checks off, one with undefined-value
// checks off. Every value ends up printed.
//
// Nothing keeps every value in range: division by zero, an index or subrange value out of
// range, the square root of a negative number, the successor of the last enumeration
// value, a case index without a label, an undefined variable, a nil or disposed pointer
// end some programs with a run-time error at varying points, which both tiers must report
// alike. Loops, recursion and calls are bounded, so every program ends.
//
// The same seed always gives the same program: every string is put together in a braced
// list (J), whose elements are evaluated left to right, so the order of the random draws
// does not depend on the compiler.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace {

std::mt19937 g_rng;

int Pick(int n) { return static_cast<int>(g_rng() % static_cast<unsigned>(n)); }
bool Chance(int percent) { return Pick(100) < percent; }
bool Rarely(int perMille) { return Pick(1000) < perMille; }
template <typename T> const T& OneOf(const std::vector<T>& v) { return v[static_cast<size_t>(Pick(static_cast<int>(v.size())))]; }

std::string J(std::initializer_list<std::string> parts) {
    std::string out;
    for (const std::string& p : parts) out += p;
    return out;
}
std::string N(int n) { return std::to_string(n); }
std::string Pad(int depth) { return std::string(static_cast<size_t>(depth) * 2, ' '); }

// A generated routine: procedures take (var v: integer; n: integer) and have a nested
// procedure; functions take (d: integer; var acc: real), recurse on d and return an integer.
struct Routine {
    std::string name;
    bool function;
};
std::vector<Routine> g_routines;

// Some programs run with range checks off ({$R-}). Their indexes out of range then stay near
// the array, so that a store lands in the integers declared beside it (ga..gd beside the
// global a, lg0 and lg1 beside a routine's la on the stack), which both tiers must do alike.
// Variables are laid out in the order of declaration, globals upwards and locals downwards.
bool g_unchecked = false;

// What the code being generated can see: the variables statements may read and assign,
// the routines it may call, and how much work a statement may still cost.
struct Scope {
    std::vector<std::string> ints;   // integer variables, assignable
    std::vector<std::string> fixed;  // integers that are read only (a recursion's depth)
    std::vector<std::string> reals;  // real variables, assignable
    std::vector<std::string> bools;  // boolean variables, assignable
    std::vector<std::string> chars;  // char variables, assignable
    std::vector<std::string> charSets = {"cs", "cs2"};  // set of char variables
    int callable = 0;                // routines [0, callable) may be called
    int maxLoops = 3;                // how deep loops may nest
    bool inRoutine = false;          // a routine body: at most one call, never inside a loop
    int callsLeft = 0;
    std::string nested;              // the nested procedure of the routine, "" for none
    // A variable of the subrange 0..20 that is assigned only sometimes. An integer cannot
    // be undefined (the undefined pattern is -1, a legal integer); a subrange can.
    std::string undefinedInt;
    bool localArray = false;         // la: array[0..4] of integer, a local of the routine
    // No calls of generated functions: set while writing an expression evaluated between
    // taking a list node's address and using it (a call could push or pop that node).
    bool noCalls = false;
};

// The program text. tpc limits the length of a source line, so long lines are broken
// at a blank outside a string literal before the text is written.
std::string g_text;

void Emit(const std::string& text) { g_text += text; }
void EmitLine(const std::string& line) { g_text += line + "\n"; }
template <typename... Args> void EmitFormat(const char* format, Args... args) {
    char buffer[4096];
    std::snprintf(buffer, sizeof buffer, format, args...);
    g_text += buffer;
}

std::string WrapLines(const std::string& text, size_t width) {
    std::string out, line;
    bool quoted = false;
    for (char c : text) {
        if (c == '\n') {
            out += line + "\n";
            line.clear();
            quoted = false;
            continue;
        }
        if (c == '\'') quoted = !quoted;
        if (c == ' ' && !quoted && line.size() >= width && line.find_first_not_of(' ') != std::string::npos) {
            out += line + "\n";
            line = "      ";
            continue;
        }
        line += c;
    }
    return out + line;
}

// ---- expressions -------------------------------------------------------------------------

std::string IntExpr(Scope& s, int depth, int loops);
std::string RealExpr(Scope& s, int depth, int loops);
std::string Cond(Scope& s, int depth, int loops);

// An index of a: mostly in range, sometimes anything (a range error).
std::string Index(Scope& s, int depth, int loops) {
    if (g_unchecked && Chance(10)) return J({"abs(", IntExpr(s, depth, loops), ") mod 14 - 2"});
    if (g_unchecked || !Rarely(15)) return J({"abs(", IntExpr(s, depth, loops), ") mod 10"});
    return IntExpr(s, depth, loops);
}

// An element of the routine's local array: stores through a computed address on the stack.
std::string LocalElement(Scope& s, int depth, int loops) {
    if (g_unchecked && Chance(10)) return J({"la[abs(", IntExpr(s, depth, loops), ") mod 7 - 1]"});
    if (g_unchecked || !Rarely(15)) return J({"la[abs(", IntExpr(s, depth, loops), ") mod 5]"});
    return J({"la[", IntExpr(s, depth, loops), "]"});
}

// An index of bodies (1..4): mostly in range.
std::string BodyIndex(Scope& s, int depth, int loops) {
    if (!Rarely(6)) return J({"1 + abs(", IntExpr(s, depth, loops), ") mod 4"});
    return g_unchecked ? "1" : IntExpr(s, depth, loops);
}

// A call of a generated function is an integer atom: its var argument is a real variable
// the function may also read directly, and it changes globals in the middle of an expression.
std::string FunctionCall(Scope& s, int depth, int loops) {
    std::vector<int> fns;
    for (int i = 0; i < s.callable; ++i)
        if (g_routines[static_cast<size_t>(i)].function) fns.push_back(i);
    if (fns.empty() || s.noCalls || (s.inRoutine && (loops > 0 || s.callsLeft == 0)) || loops > 1) return "";
    if (s.inRoutine) --s.callsLeft;
    const Routine& r = g_routines[static_cast<size_t>(OneOf(fns))];
    return J({r.name, "(abs(", IntExpr(s, depth + 1, loops), ") mod 4, ", OneOf(s.reals), ")"});
}

std::string IntAtom(Scope& s, int depth, int loops) {
    switch (Pick(depth > 2 ? 4 : 22)) {
    case 0: return N(Pick(120) - 20);
    case 1: case 2: case 3: return OneOf(s.ints);
    case 4: return J({"a[", Index(s, depth + 1, loops), "]"});
    case 5: return s.localArray ? LocalElement(s, depth + 1, loops) : J({"a[", Index(s, depth + 1, loops), "]"});
    case 6: return Chance(50) ? "r.x" : "r.y";
    case 7: return Chance(50) ? "ord(r.c)" : J({"ord(", OneOf(s.chars), ")"});
    case 8: return J({"fib(abs(", IntExpr(s, depth + 1, loops), ") mod 14)"});
    case 9: return "length(st)";
    case 10: return J({"sq(", IntExpr(s, depth + 1, loops), ")"});
    case 11: return Chance(50) ? "sm" : "ord(col)";
    case 12: return "nlen";
    case 13: return Chance(50) ? "listhead" : "pint^";
    // The real result is kept small enough for an integer by rclip.
    case 14: return J({Chance(50) ? "trunc" : "round", "(rclip(", RealExpr(s, depth + 1, loops), "))"});
    case 15: return J({"ord(", OneOf(s.bools), ")"});
    case 16: return J({"ord(bodies[", BodyIndex(s, depth + 1, loops), "].tag)"});
    case 17: {
        std::string call = FunctionCall(s, depth, loops);
        return call.empty() ? OneOf(s.ints) : call;
    }
    case 18: return Chance(2) ? "u0" : OneOf(s.ints);  // never assigned
    case 19: return !s.undefinedInt.empty() && Chance(6) ? s.undefinedInt : OneOf(s.ints);
    case 20: return s.fixed.empty() ? OneOf(s.ints) : OneOf(s.fixed);
    default: return OneOf(s.ints);
    }
}

std::string IntExpr(Scope& s, int depth, int loops) {
    if (depth > 3 || Chance(35)) return IntAtom(s, depth, loops);
    static const char* const ops[] = {"+", "-", "*", "div", "mod", "+", "-"};
    std::string op = ops[Pick(7)];
    std::string left = IntExpr(s, depth + 1, loops);
    // Divisors are mostly kept positive; the rest may be zero or negative.
    std::string right = (op == "div" || op == "mod") && Chance(96)
                            ? J({"(abs(", IntExpr(s, depth + 1, loops), ") mod 7 + 1)"})
                            : IntExpr(s, depth + 1, loops);
    return J({"(", left, " ", op, " ", right, ")"});
}

std::string RealAtom(Scope& s, int depth, int loops) {
    static const char* const literals[] = {"0.5", "1.25", "2.0", "0.001", "3.75", "10.0"};
    static const char* const fields[] = {"x", "y", "vx", "vy", "m"};
    switch (Pick(depth > 2 ? 4 : 12)) {
    case 0: return literals[Pick(6)];
    case 1: case 2: case 3: return OneOf(s.reals);
    case 4: case 5: return J({"bodies[", BodyIndex(s, depth + 1, loops), "].", fields[Pick(5)]});
    // Mostly the root of a non-negative number.
    case 6: return J({"sqrt(", Chance(95) ? "abs(" : "(", RealExpr(s, depth + 1, loops), "))"});
    case 7: return J({"sqr(", RealExpr(s, depth + 1, loops), ")"});
    case 8: return J({"abs(", RealExpr(s, depth + 1, loops), ")"});
    case 9: return Chance(1) ? "ux" : IntAtom(s, depth + 1, loops);  // never assigned
    case 10: {
        // Records passed by value: the function changes its copies only.
        std::string from = BodyIndex(s, depth + 1, loops);
        return Chance(50) ? "rclip(rsum)" : J({"dist(bodies[", from, "], bodies[", BodyIndex(s, depth + 1, loops), "])"});
    }
    default: return Chance(50) ? "listr" : OneOf(s.reals);
    }
}

std::string RealExpr(Scope& s, int depth, int loops) {
    if (depth > 3 || Chance(35)) return RealAtom(s, depth, loops);
    static const char* const ops[] = {"+", "-", "*", "/", "+"};
    std::string op = ops[Pick(5)];
    std::string left = RealExpr(s, depth + 1, loops);
    std::string right;
    if (op == "/" && Chance(95))
        right = J({"(abs(", RealExpr(s, depth + 1, loops), ") + 0.5)"});
    else if (op == "/" && Chance(50))
        right = IntExpr(s, depth + 1, loops);  // may be zero
    else
        right = RealExpr(s, depth + 1, loops);
    return J({"(", left, " ", op, " ", right, ")"});
}

std::string SetOfCharExpr(Scope& s) {
    switch (Pick(6)) {
    case 0: return s.charSets[0];
    case 1: return OneOf(s.charSets);
    case 2: return J({"['a'..", OneOf(s.chars), "]"});
    case 3: return J({"[", OneOf(s.chars), ", 'q', 'e']"});
    case 4: return J({"(", OneOf(s.charSets), " * cs2)"});
    default: return J({"(cs + [", OneOf(s.chars), "])"});
    }
}

std::string ColorConst() {
    static const char* const names[] = {"red", "green", "blue", "cyan", "magenta"};
    return names[Pick(5)];
}

std::string ColorSetExpr() {
    switch (Pick(5)) {
    case 0: return "es";
    case 1: return "es2";
    case 2: return J({"[", ColorConst(), ", col]"});
    case 3: return "(es - es2)";
    default: return J({"[red..", ColorConst(), "]"});
    }
}

std::string Cond(Scope& s, int depth, int loops) {
    static const char* const rel[] = {"=", "<>", "<", "<=", ">", ">="};
    static const char* const setRel[] = {"=", "<>", "<=", ">="};
    switch (Pick(depth > 1 ? 9 : 13)) {
    case 0: case 1: {
        std::string left = IntExpr(s, 2, loops);
        return J({left, " ", rel[Pick(6)], " ", IntExpr(s, 2, loops)});
    }
    case 2: {
        std::string left = RealExpr(s, 2, loops);
        return J({left, " ", rel[Pick(6)], " ", RealExpr(s, 2, loops)});
    }
    case 3: return J({"(abs(", IntExpr(s, 2, loops), ") mod 32) in s"});
    case 4: return J({OneOf(s.chars), " in ", SetOfCharExpr(s)});
    case 5: return J({Chance(50) ? "col" : ColorConst(), " in ", ColorSetExpr()});
    case 6: {
        if (Chance(50)) {
            std::string left = SetOfCharExpr(s);
            return J({left, " ", setRel[Pick(4)], " ", SetOfCharExpr(s)});
        }
        std::string left = ColorSetExpr();
        return J({left, " ", setRel[Pick(4)], " ", ColorSetExpr()});
    }
    case 7: return Chance(50) ? OneOf(s.bools) : J({"odd(", IntExpr(s, 2, loops), ")"});
    case 8: {
        if (Chance(40)) return J({"col ", rel[Pick(6)], " ", ColorConst()});
        std::string left = OneOf(s.chars);
        return J({left, " ", rel[Pick(6)], " ", OneOf(s.chars)});
    }
    // Short-circuit evaluation guards the dereference.
    case 9: {
        s.noCalls = true;
        std::string value = IntExpr(s, 2, loops);
        s.noCalls = false;
        return J({"(head <> nil) and (head^.val ", rel[Pick(6)], " ", value, ")"});
    }
    case 10: {
        std::string left = Cond(s, depth + 1, loops);
        return J({"(", left, ") and (", Cond(s, depth + 1, loops), ")"});
    }
    case 11: {
        std::string left = Cond(s, depth + 1, loops);
        return J({"(", left, ") or (", Cond(s, depth + 1, loops), ")"});
    }
    default: return J({"not (", Cond(s, depth + 1, loops), ")"});
    }
}

// ---- statements --------------------------------------------------------------------------

std::string Statement(Scope& s, int depth, int loops);

std::string Block(Scope& s, int depth, int loops, int count) {
    std::string out = "begin\n";
    for (int i = 0; i < count; ++i) {
        out += Statement(s, depth + 1, loops);
        out += i + 1 < count ? ";\n" : "\n";
    }
    return J({out, Pad(depth), "end"});
}

// Integer assignments; most results are cut down so that values stay interesting.
std::string IntAssign(Scope& s, int loops) {
    std::string target;
    switch (Pick(7)) {
    case 0: target = J({"a[", Index(s, 1, loops), "]"}); break;
    case 2: target = s.localArray ? LocalElement(s, 1, loops) : "pint^"; break;
    case 1: target = Chance(50) ? "r.x" : "r.y"; break;
    default: target = OneOf(s.ints); break;
    }
    std::string value = IntExpr(s, 0, loops);
    if (Chance(60)) value = J({"(", value, ") mod 30011"});
    return J({target, " := ", value});
}

std::string RealAssign(Scope& s, int loops) {
    std::string target = Chance(75) ? OneOf(s.reals)
                                    : J({"bodies[", BodyIndex(s, 1, loops), "].", Chance(50) ? "vx" : "y"});
    return J({target, " := rclip(", RealExpr(s, 0, loops), ")"});
}

// Booleans, chars, the subrange and the enumeration: small scalar types with their own
// checks (chr and succ past the end, a subrange value too big).
std::string ScalarAssign(Scope& s, int loops) {
    switch (Pick(8)) {
    case 0: return J({OneOf(s.bools), " := ", Cond(s, 1, loops)});
    case 1: return J({OneOf(s.chars), " := chr(ord('a') + abs(", IntExpr(s, 1, loops), ") mod ", Chance(97) ? "26" : "300", ")"});
    case 2: {
        std::string c = OneOf(s.chars);
        return J({"if ", c, " < 'z' then ", c, " := succ(", c, ") else ", c, " := pred(", c, ")"});
    }
    case 3: return J({"sm := abs(", IntExpr(s, 1, loops), ") mod ", Chance(96) ? "21" : "23"});
    // Unchecked, a successor past the end would send a case statement on col through a
    // jump table entry that is not there.
    case 4: return Chance(85) || g_unchecked ? "if col < magenta then col := succ(col) else col := red" : "col := succ(col)";
    case 5: return J({"col := ", ColorConst()});
    case 6: return J({"r.c := ", OneOf(s.chars)});
    default: return J({OneOf(s.bools), " := not ", OneOf(s.bools)});
    }
}

// Standard procedures that write a variable through its address (inc, dec, str, val),
// followed at once by reads of it.
std::string StandardWrites(Scope& s, int loops) {
    std::string x = OneOf(s.ints);
    std::string y = OneOf(s.ints);
    switch (Pick(4)) {
    case 0: return J({"inc(", x, "); ", y, " := (", y, " + ", x, ") mod 30011"});
    case 1: return J({"dec(", x, ", ", N(1 + Pick(9)), "); ", y, " := (", x, " * 2 - ", y, ") mod 30011"});
    case 2: {
        std::string e = IntExpr(s, 1, loops);
        return J({"str(", e, ", st); ", x, " := (length(st) + ", x, ") mod 30011"});
    }
    default: {
        std::string e = IntExpr(s, 1, loops);
        return J({"str((", e, ") mod 1000, st); val(st, ", x, ", vc); ", y, " := (", x, " + vc + ", y, ") mod 30011"});
    }
    }
}

std::string SetStatement(Scope& s, int loops) {
    switch (Pick(9)) {
    case 0: return J({"s := s + [abs(", IntExpr(s, 1, loops), ") mod ", Chance(93) ? "32" : "40", "]"});
    case 1: return J({"s := s - [abs(", IntExpr(s, 1, loops), ") mod 32]"});
    case 2: {
        std::string set = OneOf(s.charSets);
        return J({set, " := ", set, " + [", OneOf(s.chars), "]"});
    }
    case 3: {
        std::string set = OneOf(s.charSets);
        std::string value = SetOfCharExpr(s);
        return J({set, " := ", value, " - [", OneOf(s.chars), "]"});
    }
    case 4: {
        std::string set = OneOf(s.charSets);
        std::string left = SetOfCharExpr(s);
        return J({set, " := ", left, " * ", SetOfCharExpr(s)});
    }
    case 5: return "es := es + [col]";
    case 6: return J({"es2 := ", ColorSetExpr(), " * [", ColorConst(), ", blue, cyan]"});
    case 7: return J({"es := ", ColorSetExpr(), " - [", ColorConst(), "]"});
    default: return "if length(st) < 20 then st := st + r.c else st := ''";
    }
}

// The linked list: pushing, popping, walking, and stores through p^ followed at once by
// reads of variables; sometimes a nil or disposed pointer, or a second dispose.
std::string ListChange(Scope& s, int depth, int loops) {
    std::string pad = Pad(depth);
    switch (Pick(Chance(97) ? 7 : 10)) {
    case 0: case 1: {
        std::string val = IntExpr(s, 1, loops);
        return J({"if nlen < 40 then begin new(p0); p0^.val := ", val, "; p0^.rr := rclip(",
                  RealExpr(s, 1, loops), "); p0^.next := head; head := p0; nlen := nlen + 1 end"});
    }
    case 2: return "if head <> nil then begin p0 := head; head := head^.next; dispose(p0); nlen := nlen - 1 end";
    case 3: {
        std::string v = OneOf(s.ints);
        return J({v, " := 0; p0 := head;\n", pad, "while p0 <> nil do begin ", v, " := (", v, " + p0^.val) mod 30011; p0 := p0^.next end;\n",
                  pad, "writeln('list ', ", v, ")"});
    }
    case 4: {
        std::string v = OneOf(s.ints);
        std::string val = IntExpr(s, 1, loops);
        return J({"if head <> nil then begin head^.val := ", val, "; ", v, " := head^.val + ", v, " mod 1000 end"});
    }
    case 5: {
        std::string v = OneOf(s.ints);
        std::string val = IntExpr(s, 1, loops);
        return J({"pint^ := (", val, ") mod 30011; ", v, " := pint^ - ", v, " mod 1000"});
    }
    case 6: {
        std::string val = IntExpr(s, 1, loops);
        return J({"if head <> nil then with head^ do begin val := (val + ", val, ") mod 30011; rr := rr * 0.5 + val end"});
    }
    case 7: return J({"p1 := nil; ", OneOf(s.ints), " := p1^.val"});
    case 8: return J({"new(p1); p1^.val := 1; dispose(p1); ", OneOf(s.ints), " := p1^.val"});
    default: return "new(p1); dispose(p1); dispose(p1)";
    }
}

std::string ListStatement(Scope& s, int depth, int loops) {
    s.noCalls = true;
    std::string text = ListChange(s, depth, loops);
    s.noCalls = false;
    return text;
}

// Records: with statements over an element of bodies and over r, and the n-body step.
std::string RecordStatement(Scope& s, int loops) {
    switch (Pick(6)) {
    case 4: {
        // kick reads bodies[1] directly while it writes through its var parameter.
        std::string i = Chance(40) ? "1" : BodyIndex(s, 1, loops);
        return J({"kick(bodies[", i, "], ", RealExpr(s, 1, loops), ")"});
    }
    case 0: {
        std::string i = BodyIndex(s, 1, loops);
        std::string e = RealExpr(s, 1, loops);
        return J({"with bodies[", i, "] do begin vx := rclip(vx + ", e, " * 0.01); tag := ", OneOf(s.chars), " end"});
    }
    case 1: {
        std::string e = IntExpr(s, 1, loops);
        return J({"with r do begin x := (x + ", e, ") mod 30011; y := (y - x) mod 30011 end"});
    }
    case 2: return J({"step(", N(1 + Pick(4)), " * 0.01)"});
    case 3: return "writeln(energy:1:6)";
    default: return J({"rsum := rclip(rsum + bodies[", BodyIndex(s, 1, loops), "].x)"});
    }
}

std::string Output(Scope& s, int loops) {
    switch (Pick(6)) {
    case 0: case 1: return J({"writeln(", IntExpr(s, 0, loops), ")"});
    case 2: {
        std::string e = RealExpr(s, 0, loops);
        return J({"writeln(", e, Chance(80) ? ":1:4" : "", ")"});
    }
    case 3: return J({"writeln(", OneOf(s.chars), ", ' ', ", OneOf(s.bools), ", ' ', ord(col), ' ', sm)"});
    case 4: return "showsets";
    default: {
        std::string out = "writeln('v'";
        for (const std::string& v : s.ints) out += J({", ' ', ", v});
        for (const std::string& v : s.reals) out += J({", ' ', ", v, ":1:3"});
        return out + ")";
    }
    }
}

// A call of a generated routine or of the routine's own nested procedure. The var argument
// is often a variable the callee reads directly too (a global) or the caller's local.
std::string Call(Scope& s, int loops) {
    if (!s.nested.empty() && Chance(50)) {
        std::string var = OneOf(s.ints);
        return J({s.nested, "(", var, ", ", N(Pick(4)), ")"});
    }
    if (!s.inRoutine && loops <= 1 && Chance(12)) {
        std::string v = OneOf(s.ints);
        std::string n = IntExpr(s, 1, loops);
        return J({v, " := deep(abs(", n, ") mod ", Chance(93) ? "400" : "1000", ", ", OneOf(s.ints), ")"});
    }
    if (s.callable == 0 || (s.inRoutine && (loops > 0 || s.callsLeft == 0)) || (!s.inRoutine && loops > 1))
        return J({"bump(", OneOf(s.ints), ", ", IntExpr(s, 1, loops), ")"});
    if (s.inRoutine) --s.callsLeft;
    const Routine& r = g_routines[static_cast<size_t>(Pick(s.callable))];
    if (r.function) {
        std::string v = OneOf(s.ints);
        std::string d = IntExpr(s, 1, loops);
        return J({v, " := ", r.name, "(abs(", d, ") mod 4, ", OneOf(s.reals), ") mod 30011"});
    }
    std::string var;
    switch (Pick(8)) {
    case 0: var = J({"a[", Index(s, 1, loops), "]"}); break;
    case 1: var = s.localArray ? LocalElement(s, 1, loops) : "r.y"; break;
    case 2: var = Chance(50) ? "r.x" : "pint^"; break;
    case 3: case 4: var = J({"i", N(Pick(3))}); break;  // globals the procedures read directly
    default: var = OneOf(s.ints); break;
    }
    return J({r.name, "(", var, ", ", IntExpr(s, 1, loops), ")"});
}

std::string ForLoop(Scope& s, int depth, int loops) {
    // The bounds are read once; the body may change the variables they were read from.
    std::string from = Chance(50) ? N(Pick(5)) : J({"abs(", OneOf(s.ints), ") mod 5"});
    int limit = s.inRoutine ? 6 : 12;
    std::string to = Chance(50) ? N(Pick(limit)) : J({"abs(", OneOf(s.ints), ") mod ", N(limit)});
    std::string head = Chance(75) ? J({"for j", N(loops), " := ", from, " to ", to, " do "})
                                  : J({"for j", N(loops), " := ", to, " downto ", from, " do "});
    return head + Block(s, depth, loops + 1, 1 + Pick(3));
}

// A loop over an array indexed by the loop variable, the kind of check a compiler can prove
// away; the bounds and the offset sometimes reach one element past either end.
std::string ArrayLoop(Scope& s, int loops) {
    std::string j = J({"j", N(loops)});
    bool local = s.localArray && Chance(50);
    int high = local ? 4 : 9;
    int last = high + (Chance(96) ? 0 : 1);
    int offset = Chance(85) ? 0 : (Chance(50) ? 1 : -1);
    std::string from = Chance(70) ? "0" : J({"abs(", OneOf(s.ints), ") mod ", N(high + 1)});
    std::string index = j;
    if (offset != 0) {
        index = J({j, offset > 0 ? " + 1" : " - 1"});
        from = offset > 0 ? "0" : "1";
        last = offset > 0 ? high - 1 + (Chance(90) ? 0 : 1) : high;
    }
    if (Chance(20)) index = J({N(high), " - ", j});
    std::string array = local ? "la" : "a";
    std::string v = OneOf(s.ints);
    std::string value = IntExpr(s, 2, loops + 1);
    bool down = Chance(30);
    std::string range = down ? J({N(last), " downto ", from}) : J({from, " to ", N(last)});
    return J({"for ", j, " := ", range, " do begin ", array, "[", index, "] := (", array, "[", index, "] + ", value,
              ") mod 30011; ", v, " := (", v, " + ", array, "[", index, "]) mod 30011 end"});
}

// A small loop of plain arithmetic on a few variables, without calls: the kind whose
// variables a compiler keeps in registers from one iteration to the next. In a routine the
// variables may be a var parameter and the global it names.
std::string TightLoop(Scope& s, int loops) {
    std::string j = J({"j", N(loops)});
    std::string x = OneOf(s.ints);
    std::string y = OneOf(s.ints);
    std::string z = OneOf(s.ints);
    std::string rx = OneOf(s.reals);
    std::string ry = OneOf(s.reals);
    std::string body = J({x, " := (", x, " + ", y, " * 3 + ", j, ") mod 30011; ", y, " := (", y, " - ", z, ") mod 30011"});
    if (Chance(40)) body += J({"; ", rx, " := ", rx, " * 0.5 + ", ry, " * 0.25 + ", j});
    if (Chance(40)) body += J({"; a[", j, " mod 10] := a[", j, " mod 10] + ", z});
    return J({"for ", j, " := 1 to ", N(2 + Pick(9)), " do begin ", body, " end"});
}

std::string WhileLoop(Scope& s, int depth, int loops) {
    std::string w = J({"w", N(loops)});
    std::string cond = Cond(s, 1, loops);
    return J({w, " := 0;\n", Pad(depth), "while (", w, " < ", N(1 + Pick(8)), ") and (", cond, ") do begin\n",
              Pad(depth + 1), w, " := ", w, " + 1;\n", Pad(depth + 1), Block(s, depth + 1, loops + 1, 1 + Pick(2)),
              "\n", Pad(depth), "end"});
}

std::string RepeatLoop(Scope& s, int depth, int loops) {
    std::string w = J({"w", N(loops)});
    std::string out = J({w, " := 0;\n", Pad(depth), "repeat\n", Pad(depth + 1), w, " := ", w, " + 1"});
    int count = 1 + Pick(3);
    for (int i = 0; i < count; ++i) out += J({";\n", Statement(s, depth + 1, loops + 1)});
    std::string cond = Cond(s, 1, loops);
    return J({out, "\n", Pad(depth), "until (", w, " >= ", N(1 + Pick(7)), ") or (", cond, ")"});
}

// A statement written after a label: generated one level deeper, without its indentation,
// inside begin and end (it may be two statements, or an if that would take the case's else).
std::string Arm(Scope& s, int depth, int loops) {
    std::string text = Statement(s, depth + 2, loops);
    return J({"begin ", text.substr(text.find_first_not_of(' ')), " end"});
}

std::string CaseStatement(Scope& s, int depth, int loops) {
    std::string out;
    if (Chance(30)) {
        out = "case col of\n";
        out += J({Pad(depth + 1), "red, green: ", Arm(s, depth, loops), ";\n"});
        out += J({Pad(depth + 1), "blue: ", Arm(s, depth, loops), ";\n"});
        out += J({Pad(depth + 1), "cyan, magenta: ", Arm(s, depth, loops), "\n"});
    } else {
        // Without an else part an index of 5 has no label: a run-time error.
        bool withElse = Chance(95);
        out = J({"case abs(", IntExpr(s, 1, loops), ") mod 6 of\n"});
        out += J({Pad(depth + 1), "0: ", Arm(s, depth, loops), ";\n"});
        out += J({Pad(depth + 1), "1, 2: ", Arm(s, depth, loops), ";\n"});
        out += J({Pad(depth + 1), "3: ", Arm(s, depth, loops), ";\n"});
        out += J({Pad(depth + 1), "4: ", Arm(s, depth, loops), "\n"});
        if (withElse) out += J({Pad(depth + 1), "else ", Arm(s, depth, loops), "\n"});
    }
    return J({out, Pad(depth), "end"});
}

std::string IfStatement(Scope& s, int depth, int loops) {
    std::string out = J({"if ", Cond(s, 0, loops), " then ", Block(s, depth, loops, 1 + Pick(2))});
    if (Chance(50)) out += J({" else ", Block(s, depth, loops, 1 + Pick(2))});
    return out;
}

// Straight code that writes a variable through one name and reads it at once through
// another: a var parameter and the global it may name, a with statement and the record's
// own name, an element one past an array (unchecked programs) and the integer beside it.
// A tier that keeps the value in a register must see the store.
std::string AliasProbe(Scope& s, int loops) {
    std::string reader = OneOf(s.ints);
    switch (!s.nested.empty() && Chance(40) ? 0 : Pick(5)) {
    case 0:
        if (s.nested.empty()) break;  // procedures only: v may name i0, i1 or i2
        return J({"i", N(Pick(3)), " := ", reader, " + 1; v := (v * 3 + 1) mod 30011; ", reader, " := (i0 + i1 + i2 + v) mod 30011"});
    case 1:
        if (s.fixed.empty()) break;  // functions only: acc may name x1 or x2
        return J({"x", N(1 + Pick(2)), " := rclip(acc + 0.5); acc := rclip(acc * 1.5 - 0.25); lx := rclip(x1 - x2 + acc)"});
    case 2:
        return J({"r.x := ", reader, " mod 1000; with r do x := x + 7; ", reader, " := r.x * 2"});
    case 3: {
        std::string i = g_unchecked ? "abs(j0) mod 12 - 1" : "abs(j0) mod 10";
        if (loops == 0) i = g_unchecked ? N(Pick(3) == 0 ? -1 : 10) : N(Pick(10));
        return J({"gb := ", reader, "; gc := gb + 1; a[", i, "] := 77; ", reader, " := (gb * 3 + gc) mod 30011"});
    }
    default:
        if (!s.localArray) break;
        if (!g_unchecked) return J({"lg1 := ", reader, "; la[", N(Pick(5)), "] := 55; ", reader, " := lg1 + la[0]"});
        return J({"lg0 := ", reader, "; lg1 := 3; la[", Chance(50) ? "5" : "-1", "] := 55; ", reader, " := (lg0 * 3 + lg1) mod 30011"});
    }
    return J({"bodies[1].vx := 0.5; kick(bodies[", Chance(50) ? "1" : "2", "], ", OneOf(s.reals), "); ",
              OneOf(s.reals), " := bodies[1].vx + bodies[1].x"});
}

std::string Statement(Scope& s, int depth, int loops) {
    // Deep statements are simple ones, so the program stays small.
    int kind = Pick(depth > 3 ? 10 : 19);
    std::string text;
    switch (kind) {
    case 0: case 1: case 2: text = IntAssign(s, loops); break;
    case 3: text = RealAssign(s, loops); break;
    case 4: text = ScalarAssign(s, loops); break;
    case 5: text = Chance(70) ? SetStatement(s, loops) : StandardWrites(s, loops); break;
    case 6: text = ListStatement(s, depth, loops); break;
    case 7: text = RecordStatement(s, loops); break;
    case 8: text = Output(s, loops); break;
    case 9: text = Call(s, loops); break;
    case 10: case 11: case 12: text = IfStatement(s, depth, loops); break;
    case 13: text = loops < s.maxLoops ? ForLoop(s, depth, loops) : Output(s, loops); break;
    case 14: text = loops < s.maxLoops ? (Chance(50) ? ArrayLoop(s, loops) : ForLoop(s, depth, loops)) : Output(s, loops); break;
    case 15:
        if (loops >= s.maxLoops) text = IntAssign(s, loops);
        else text = Chance(30) ? TightLoop(s, loops) : WhileLoop(s, depth, loops);
        break;
    case 16: text = loops < s.maxLoops ? RepeatLoop(s, depth, loops) : RealAssign(s, loops); break;
    case 17: text = Chance(60) ? CaseStatement(s, depth, loops) : AliasProbe(s, loops); break;
    default:
        text = s.undefinedInt.empty() || Chance(50) ? IntAssign(s, loops)
                                                     : J({s.undefinedInt, " := abs(", IntExpr(s, 1, loops), ") mod 21"});
        break;
    }
    return Pad(depth) + text;
}

// ---- the program -------------------------------------------------------------------------

const char* const kPrelude = R"(type color = (red, green, blue, cyan, magenta);
  colors = set of color;
  point = record x, y: integer; c: char end;
  body = record x, y, vx, vy, m: real; tag: char end;
  pnode = ^node;
  node = record val: integer; rr: real; next: pnode end;
  small = 0..20;
var i0, i1, i2, i3, i4, j0, j1, j2, w0, w1, w2, nlen, vc: integer;
  u0, u1: small; ux: real;
  x0, x1, x2, rsum: real;
  b0, b1: boolean; c0, c1: char;
  ga, gb: integer; a: array[0..9] of integer; gc, gd: integer;
  r: point; s: set of 0..31; st: string[20];
  cs, cs2: set of char; es, es2: colors; col: color; sm: small;
  bodies: array[1..4] of body;
  head, p0, p1: pnode; pint: ^integer;
function fib(n: integer): integer;
begin if n < 2 then fib := n else fib := fib(n - 1) + fib(n - 2) end;
function sq(n: integer): integer;
begin sq := (n mod 1000) * (n mod 1000) end;
{ bump reads i0 directly, so bump(i0, d) reads what it writes through v. }
procedure bump(var v: integer; d: integer);
begin v := v + 2 * d + i0 mod 3; if v > 100000 then v := v mod 977 end;
{ kick reads bodies[1] directly, so kick(bodies[1], f) reads what it writes through b. }
procedure kick(var b: body; f: real);
begin
  b.vx := b.vx + f * 0.01; b.x := b.x + bodies[1].vx * 0.1;
  if b.tag < 'z' then b.tag := succ(b.tag) else b.tag := 'A'
end;
{ p and q are copies: the caller's records stay as they were. }
function dist(p, q: body): real;
begin p.x := p.x - q.x; p.y := p.y - q.y; dist := sqrt(sqr(p.x) + sqr(p.y)) end;
{ Keeps a real value small, so that trunc and round fit an integer. }
function rclip(v: real): real;
begin while abs(v) > 1000.0 do v := v / 7.0; rclip := v end;
function listhead: integer;
begin if head = nil then listhead := -1 else listhead := head^.val end;
function listr: real;
begin if head = nil then listr := 0.25 else listr := head^.rr end;
procedure step(dt: real);
var i, k: integer; dx, dy, d2, f: real;
begin
  for i := 1 to 4 do
    for k := 1 to 4 do
      if i <> k then begin
        dx := bodies[k].x - bodies[i].x; dy := bodies[k].y - bodies[i].y;
        d2 := dx * dx + dy * dy + 0.01;
        f := bodies[k].m / (d2 * sqrt(d2));
        bodies[i].vx := bodies[i].vx + dx * f * dt;
        bodies[i].vy := bodies[i].vy + dy * f * dt
      end;
  for i := 1 to 4 do
    with bodies[i] do begin x := rclip(x + vx * dt); y := rclip(y + vy * dt) end
end;
function energy: real;
var i, k: integer; e: real;
begin
  e := 0;
  for i := 1 to 4 do begin
    e := e + 0.5 * bodies[i].m * (sqr(bodies[i].vx) + sqr(bodies[i].vy));
    for k := i + 1 to 4 do
      e := e - bodies[i].m * bodies[k].m /
        (sqrt(sqr(bodies[i].x - bodies[k].x) + sqr(bodies[i].y - bodies[k].y)) + 0.1)
  end;
  energy := e
end;
{ deep recurses n levels with locals live across its call, so that the frames come near the
  end of the stack (64 KiB: about 450 levels); deeper, the run ends with a stack overflow. }
function deep(n: integer; var acc: integer): integer;
var k, m: integer; t: real; la: array[0..3] of integer;
begin
  k := n * 3; m := acc mod 7; t := n / 2; la[n mod 4] := k;
  if n > 0 then begin
    acc := (acc + k) mod 30011;
    deep := (deep(n - 1, acc) + m + trunc(t) + la[n mod 4]) mod 30011
  end else deep := acc + m
end;
procedure showsets;
var ch: char; c: color; k: integer;
begin
  for ch := 'a' to 'z' do if ch in cs then write(ch);
  write('|');
  for ch := 'a' to 'z' do if ch in cs2 then write(ch);
  write('|');
  for c := red to magenta do if c in es then write(ord(c));
  write('|');
  for c := red to magenta do if c in es2 then write(ord(c));
  write('|');
  for k := 0 to 31 do if k in s then write(k, ' ');
  writeln
end;
)";

// The scope of the main program: the globals.
Scope MainScope() {
    Scope s;
    s.ints = {"i0", "i1", "i2", "i3", "i4", "gb", "gc"};
    s.reals = {"x0", "x1", "x2"};
    s.bools = {"b0", "b1"};
    s.chars = {"c0", "c1"};
    s.callable = static_cast<int>(g_routines.size());
    s.undefinedInt = "u1";
    return s;
}

// A procedure (var v: integer; n: integer) with locals live across its whole body and a
// recursive nested procedure that reads the var parameter and changes locals of its parent.
void WriteProcedure(int index) {
    std::string name = J({"proc", N(index)});
    Scope s = MainScope();
    s.ints = {"l0", "l1", "l2", "v", "n", "lr.x", "lg0", "lg1", "i0", "i1", "i2"};
    s.reals = {"lx", "ly", "x0", "x1"};
    s.bools = {"lb", "b0"};
    s.chars = {"lc", "c0"};
    s.callable = index;
    s.inRoutine = true;
    s.maxLoops = 2;
    s.callsLeft = 1;
    s.nested = name + "in";
    s.undefinedInt = "lu";
    s.localArray = true;
    s.charSets = {"ls", "cs", "cs2"};
    EmitFormat("procedure %s(var v: integer; n: integer);\n", name.c_str());
    EmitLine("var l0, l1, l2, j0, j1, j2, w0, w1, w2: integer; lu: small; lx, ly: real; lb: boolean; lc: char;");
    EmitLine("  lg0: integer; la: array[0..4] of integer; lg1: integer; lr: point; ls: set of char;");
    // The nested procedure recurses, reaching the same parent frame from every level.
    EmitFormat("  procedure %sin(var z: integer; k: integer);\n", name.c_str());
    EmitLine("  begin");
    EmitLine("    z := (z + l0 - v) mod 30011; l1 := l1 + 1; lx := lx * 0.5 + z;");
    EmitFormat("    if k > 0 then %sin(l2, k - 1); l0 := (l0 + z) mod 30011\n", name.c_str());
    EmitLine("  end;");
    EmitLine("begin");
    EmitLine("  l0 := n; l1 := v; l2 := i0 + n; lx := n / 4; ly := x0; lb := odd(v); lc := c1;");
    EmitLine("  for j0 := 0 to 4 do la[j0] := j0 * 7 + n; lg0 := 1; lg1 := 2; lr.x := v; lr.y := n; lr.c := lc; ls := cs2 + [lc];");
    int count = 3 + Pick(8);
    for (int i = 0; i < count; ++i) EmitLine(Statement(s, 1, 0) + ";");
    EmitLine("  v := (v + l0 + l1 + l2) mod 30011; if ls <= cs then cs2 := ls - ['a'..'e'] else cs2 := cs2 + ls;");
    EmitFormat("  writeln('%s ', l0, ' ', l1, ' ', l2, ' ', lx:1:3, ' ', ly:1:3, ' ', lb, ' ', lc, ' ', lr.x, ' ', lr.y, ' ', la[0] + la[1] * 3 + la[2] * 5 + la[3] * 7 + la[4] * 11, ' ', lg0, ' ', lg1)\n", name.c_str());
    EmitLine("end;");
}

// A function (d: integer; var acc: real): integer that recurses on d (at most 3 deep), with
// the var parameter often naming a global real it also reads.
void WriteFunction(int index) {
    std::string name = J({"func", N(index)});
    Scope s = MainScope();
    s.ints = {"l0", "l1", "lg1", "i1", "i3", "i4"};
    s.fixed = {"d"};
    s.localArray = true;
    s.reals = {"lx", "acc", "x1", "x2"};
    s.bools = {"lb", "b1"};
    s.chars = {"lc", "c1"};
    s.callable = index;
    s.inRoutine = true;
    s.maxLoops = 2;
    s.callsLeft = 1;
    EmitFormat("function %s(d: integer; var acc: real): integer;\n", name.c_str());
    EmitLine("var l0, l1, j0, j1, j2, w0, w1, w2: integer; lx: real; lb: boolean; lc: char;");
    EmitLine("  lg0: integer; la: array[0..4] of integer; lg1: integer;");
    EmitLine("begin");
    EmitLine("  l0 := d * 3 + i1 mod 5; l1 := i3; lx := acc / 2; lb := d > 1; lc := c0;");
    EmitLine("  for j0 := 0 to 4 do la[j0] := j0 - d; lg0 := 3; lg1 := 4;");
    int count = 3 + Pick(7);
    for (int i = 0; i < count; ++i) EmitLine(Statement(s, 1, 0) + ";");
    EmitLine("  writeln('la ', la[0], ' ', la[1], ' ', la[2], ' ', la[3], ' ', la[4], ' ', lg0, ' ', lg1);");
    EmitLine("  acc := rclip(acc + lx);");
    EmitFormat("  if d > 0 then %s := (l0 + %s(d - 1, acc)) mod 30011 else %s := (l1 + ord(lc) + ord(lb)) mod 30011\n",
                name.c_str(), name.c_str(), name.c_str());
    EmitLine("end;");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: gen_program SEED\n", stderr);
        return 2;
    }
    unsigned long seed = std::strtoul(argv[1], nullptr, 10);
    g_rng.seed(static_cast<uint32_t>(seed));
    EmitFormat("program gen%lu;\n", seed);
    // Most programs keep every check on; some turn off range checks or undefined-value
    // checks, which changes the code the checks guard.
    switch (Pick(10)) {
    case 0: g_unchecked = true; EmitLine("{$R-}"); break;
    case 1: EmitLine("{$U-}"); break;
    default: break;
    }
    Emit(kPrelude);

    int routines = Pick(5);
    for (int i = 0; i < routines; ++i) {
        bool function = Chance(50);
        if (function)
            WriteFunction(i);
        else
            WriteProcedure(i);
        g_routines.push_back({J({function ? "func" : "proc", N(i)}), function});
    }

    EmitLine("begin");
    EmitLine("  i0 := 1; i1 := 2; i2 := 3; i3 := 5; i4 := 7; nlen := 0; rsum := 0; ga := 0; gb := 0; gc := 0; gd := 0;");
    EmitLine("  x0 := 0.5; x1 := -1.25; x2 := 3.0; b0 := true; b1 := false; c0 := 'k'; c1 := 'c';");
    EmitLine("  for j0 := 0 to 9 do a[j0] := j0 * 3;");
    EmitLine("  r.x := 4; r.y := -6; r.c := 'A'; s := [1, 3, 5]; st := 'ab';");
    EmitLine("  cs := ['a', 'e'..'h']; cs2 := []; es := [green]; es2 := [red, cyan]; col := blue; sm := 7;");
    EmitLine("  for j0 := 1 to 4 do with bodies[j0] do begin");
    EmitLine("    x := j0 * 1.5; y := (j0 mod 2) * 2.0 - j0 * 0.25; vx := 0; vy := 0.1 * j0; m := 1 + j0 / 2; tag := chr(64 + j0)");
    EmitLine("  end;");
    EmitLine("  head := nil; p0 := nil; p1 := nil; new(pint); pint^ := 11;");
    Scope s = MainScope();
    int count = 8 + Pick(16);
    for (int i = 0; i < count; ++i) EmitLine(Statement(s, 1, 0) + ";");
    EmitLine("  writeln(i0, ' ', i1, ' ', i2, ' ', i3, ' ', i4, ' ', r.x, ' ', r.y, ' ', st);");
    EmitLine("  writeln(x0:1:5, ' ', x1:1:5, ' ', x2:1:5, ' ', rsum:1:5, ' ', b0, ' ', b1, ' ', c0, c1, r.c, ' ', ord(col), ' ', sm, ' ', nlen, ' ', pint^);");
    EmitLine("  for j0 := 0 to 9 do write(a[j0], ' ');");
    EmitLine("  writeln(ga, ' ', gb, ' ', gc, ' ', gd);");
    EmitLine("  writeln;");
    EmitLine("  for j0 := 1 to 4 do with bodies[j0] do writeln(x:1:6, ' ', y:1:6, ' ', vx:1:6, ' ', vy:1:6, ' ', tag);");
    EmitLine("  showsets;");
    EmitLine("  i0 := 0; p0 := head; while p0 <> nil do begin i0 := (i0 * 31 + p0^.val) mod 30011; x0 := rclip(x0 + p0^.rr); p0 := p0^.next end;");
    EmitLine("  writeln('list ', i0, ' ', x0:1:5)");
    EmitLine("end.");
    std::fputs(WrapLines(g_text, 150).c_str(), stdout);
    return 0;
}
