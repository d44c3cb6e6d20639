// Numbers and mathematics (routines 73-91). Each routine replaces its argument. The
// functions that can leave their domain or range (arctan, cosh, exp, ln, log, sqrt, sinh,
// tan, tanh) run between BeginMath and EndMath, which turn a failure into "Invalid domain
// (math)", "Result out of range (math)" or "Exception (math)"; the others behave like the
// arithmetic instructions, whose faults reach the floating-point signal.
#include <cerrno>
#include <cfenv>
#include <cfloat>
#include <cmath>

#include "runtime/errors.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

StdOutcome Done() { return StdOutcome::Continue; }

template <double (*F)(double)>
StdOutcome Checked(Regs& r, int&) {
    double x = PopReal(r);
    MathGuard guard = BeginMath();
    double y = F(x);
    // The C library reports a result that underflows to (nearly) zero as a range error;
    // such a result is still the right answer, so only overflow counts.
    if (errno == ERANGE && std::fabs(y) < DBL_MIN) errno = 0;
    EndMath(guard);
    PushReal(r, y);
    return Done();
}

template <double (*F)(double)>
StdOutcome Unchecked(Regs& r, int&) {
    PushReal(r, F(PopReal(r)));
    return Done();
}

double Abs(double x) { return std::fabs(x); }
double ArcTan(double x) { return std::atan(x); }
double Cos(double x) { return std::cos(x); }
double Cosh(double x) { return std::cosh(x); }
double Exp(double x) { return std::exp(x); }
double Ln(double x) { return std::log(x); }
double Log10(double x) { return std::log10(x); }
double Sqrt(double x) { return std::sqrt(x); }
double Sin(double x) { return std::sin(x); }
double Sinh(double x) { return std::sinh(x); }
double Tan(double x) { return std::tan(x); }
double Tanh(double x) { return std::tanh(x); }
double Square(double x) { return x * x; }

double Frac(double x) {
    double whole;
    return std::modf(x, &whole);
}

double Int(double x) {
    double whole;
    std::modf(x, &whole);
    return whole;
}

StdOutcome AbsInteger(Regs& r, int&) {
    int32_t v = static_cast<int32_t>(Pop(r));
    if (v == INT32_MIN) RunTimeError("Result out of range (math)");
    Push(r, static_cast<uint32_t>(v < 0 ? -v : v));
    return Done();
}

StdOutcome Pi(Regs& r, int&) {
    PushReal(r, 3.141592653589793);
    return Done();
}

// As TRUNC converts: a value outside the integer range is an invalid operation, which
// reaches the floating-point signal while the run's traps are on.
uint32_t ToWord(double d) {
    if (d > -2147483649.0 && d < 2147483648.0) return static_cast<uint32_t>(static_cast<int32_t>(d));
    std::feraiseexcept(FE_INVALID);
    return 0x80000000u;
}

StdOutcome Round(Regs& r, int&) {
    double x = PopReal(r);
    Push(r, ToWord(x >= 0 ? std::floor(x + 0.5) : std::ceil(x - 0.5)));
    return Done();
}

StdOutcome SqrInteger(Regs& r, int&) {
    uint32_t v = Pop(r);
    Push(r, v * v);
    return Done();
}

}  // namespace

// sqrt of a non-negative number cannot fail, so the native tier computes it inline and
// calls this routine only for the others.
StdOutcome SqrtRoutine(Regs& r, int& exitCode) { return Checked<Sqrt>(r, exitCode); }

void RegisterMathRoutines() {
    using vm::Std;
    static constexpr struct { Std n; StdRoutine routine; } kRoutines[] = {
        {Std::AbsReal, Unchecked<Abs>},     {Std::AbsInteger, AbsInteger},
        {Std::ArcTan, Checked<ArcTan>},     {Std::Cos, Unchecked<Cos>},
        {Std::Cosh, Checked<Cosh>},         {Std::Exp, Checked<Exp>},
        {Std::Frac, Unchecked<Frac>},       {Std::Int, Unchecked<Int>},
        {Std::Ln, Checked<Ln>},             {Std::Log, Checked<Log10>},
        {Std::Pi, Pi},                      {Std::Round, Round},
        {Std::SqrReal, Unchecked<Square>},  {Std::SqrInteger, SqrInteger},
        {Std::Sqrt, SqrtRoutine},         {Std::Sin, Unchecked<Sin>},
        {Std::Sinh, Checked<Sinh>},         {Std::Tan, Checked<Tan>},
        {Std::Tanh, Checked<Tanh>},
    };
    for (const auto& r : kRoutines) RegisterStd(vm::Number(r.n), r.routine);
}

}  // namespace tarn::rt
