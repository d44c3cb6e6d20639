// VARCVT (see vmvariant.h). Conversions follow the automation rules users know: reals
// become integers by rounding to nearest (ties to even), booleans are 0 or 1, texts are
// parsed as numbers or as True/False, and a value outside the target's range is an error
// rather than a silent truncation.
#include "runtime/vmvariant.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "runtime/errors.h"
#include "runtime/vmstrings.h"
#include "vm/image.h"

namespace tarn::rt {

namespace {

using vm::VariantType;

// A variant's value once taken off the stack.
struct Value {
    enum Kind { Signed, Unsigned, Real, Boolean, Text } kind;
    int64_t i = 0;
    double d = 0;
    std::string s;
};

Value Number(Value::Kind kind, int64_t i) {
    Value v{kind, i, 0, {}};
    return v;
}

Value PopText(Regs& regs) {
    uint32_t length = VmWord(regs.sp);
    uint32_t footprint = ValueFootprint(regs, length);
    Value v = Number(Value::Text, 0);
    v.s.assign(reinterpret_cast<const char*>(VmSpan(regs.sp + 4, length)), length);
    regs.sp += footprint;
    return v;
}

Value PopValue(Regs& regs, uint32_t vtype) {
    switch (static_cast<VariantType>(vtype)) {
    case VariantType::Empty: RunTimeError("Attempt to access empty variant");
    case VariantType::Null: RunTimeError("Attempt to access NULL value");
    case VariantType::Error: RunTimeError("Variant's type is invalid");
    case VariantType::Object: RunTimeError("Can not convert object reference");
    case VariantType::Integer: return Number(Value::Signed, static_cast<int32_t>(Pop(regs)));
    case VariantType::Boolean: return Number(Value::Boolean, Pop(regs) != 0);
    case VariantType::Byte: return Number(Value::Unsigned, Pop(regs) & 0xff);
    case VariantType::Word: return Number(Value::Unsigned, Pop(regs));
    case VariantType::Real: { Value v = Number(Value::Real, 0); v.d = PopReal(regs); return v; }
    case VariantType::String: return PopText(regs);
    }
    RunTimeError("Variant's type is unknown");
}

bool ParseNumber(const std::string& text, double& out) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    out = std::strtod(begin, &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    return end != begin && *end == '\0' && errno == 0;
}

// The value as a number: integers exactly, reals as they are, texts parsed.
double AsNumber(const Value& v) {
    switch (v.kind) {
    case Value::Real: return v.d;
    case Value::Text: {
        if (strcasecmp(v.s.c_str(), "true") == 0) return 1;
        if (strcasecmp(v.s.c_str(), "false") == 0) return 0;
        double d;
        if (!ParseNumber(v.s, d)) RunTimeError("Type mismatch");
        return d;
    }
    default: return static_cast<double>(v.i);
    }
}

int64_t AsInteger(const Value& v, int64_t lo, int64_t hi) {
    int64_t i = v.i;
    if (v.kind == Value::Real || v.kind == Value::Text) {
        double d = std::nearbyint(AsNumber(v));
        if (!(d >= static_cast<double>(lo) && d <= static_cast<double>(hi))) RunTimeError("Value out of range");
        i = static_cast<int64_t>(d);
    }
    if (i < lo || i > hi) RunTimeError("Value out of range");
    return i;
}

std::string AsText(const Value& v) {
    char buf[64];
    switch (v.kind) {
    case Value::Text: return v.s;
    case Value::Boolean: return v.i ? "True" : "False";
    case Value::Real: std::snprintf(buf, sizeof buf, "%.15g", v.d); return buf;
    default: std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v.i)); return buf;
    }
}

void PushText(Regs& regs, const std::string& s) {
    uint64_t sp = uint64_t{regs.sp} - Footprint(s.size());
    CheckStackPointer(sp);
    regs.sp = static_cast<uint32_t>(sp);
    SetVmWord(regs.sp, static_cast<uint32_t>(s.size()));
    std::memcpy(VmSpan(regs.sp + 4, s.size()), s.data(), s.size());
}

void PushConverted(Regs& regs, const Value& v, uint32_t target) {
    switch (static_cast<VariantType>(target)) {
    case VariantType::Integer: Push(regs, static_cast<uint32_t>(AsInteger(v, INT32_MIN, INT32_MAX))); return;
    case VariantType::Byte: Push(regs, static_cast<uint32_t>(AsInteger(v, 0, 255))); return;
    case VariantType::Word: Push(regs, static_cast<uint32_t>(AsInteger(v, 0, UINT32_MAX))); return;
    case VariantType::Boolean: Push(regs, AsNumber(v) != 0 ? 1 : 0); return;
    case VariantType::Real: PushReal(regs, AsNumber(v)); return;
    case VariantType::String: PushText(regs, AsText(v)); return;
    case VariantType::Object: RunTimeError("Type mismatch");
    default: RunTimeError("Instruction not yet implemented");
    }
}

}  // namespace

void VariantConvert(Regs& regs, uint32_t target) {
    uint32_t vtype = Pop(regs);
    if (vtype == target) return;
    Value v = PopValue(regs, vtype);
    CheckStackPointer(uint64_t{regs.sp} - 8);
    PushConverted(regs, v, target);
}

}  // namespace tarn::rt
