// Conversions between variant values and automation variants (see variants.h).
#include "platform/variants.h"

#include <cmath>
#include <cstdio>

namespace tarn::automation {

namespace {

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's civil_from_days).
void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = static_cast<unsigned>(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
}

constexpr int64_t kDateEpochOffset = -25569;      // 1899-12-30 in days since 1970-01-01
constexpr int64_t kFileTimeEpochOffset = -134774; // 1601-01-01 in days since 1970-01-01
constexpr int64_t kSecondsPerDay = 86400;

bool FormatDay(int64_t unixDays, std::string& out) {
    int64_t y;
    unsigned m, d;
    CivilFromDays(unixDays, y, m, d);
    if (y < 1 || y > 9999) return false;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
    out = buf;
    return true;
}

std::string FormatTime(int64_t seconds) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return buf;
}

ProgramValue Word(uint32_t type, uint32_t word) {
    ProgramValue p;
    p.value.type = type;
    p.value.word = word;
    return p;
}

ProgramValue Real(double d) {
    ProgramValue p;
    p.value.type = kVmReal;
    p.value.real = d;
    return p;
}

ProgramValue Text(std::string s) {
    ProgramValue p;
    p.value.type = kVmString;
    p.value.text = std::move(s);
    return p;
}

ProgramValue Error45(const char* description) {
    ProgramValue p;
    p.error = description;
    return p;
}

ProgramValue TextOrError(bool ok, const std::string& s) {
    return ok ? Text(s) : Error45("Value could not be converted to string");
}

}  // namespace

std::string NarrowText(const uint16_t* s) {
    uint32_t n = tarn_sysstr_len(s);
    std::string out(n, '\0');
    for (uint32_t i = 0; i < n; ++i) out[i] = s[i] <= 0xFF ? static_cast<char>(s[i]) : '?';
    return out;
}

tarn_sysstr WidenText(std::string_view text) {
    if (text.size() > UINT32_MAX / 4) return nullptr;
    return tarn_sysstr_from_bytes(text.data(), static_cast<uint32_t>(text.size()));
}

bool DateText(double date, std::string& out) {
    if (!std::isfinite(date) || std::fabs(date) > 3.0e6) return false;
    int64_t days = static_cast<int64_t>(std::trunc(date));
    int64_t seconds = std::llround(std::fabs(date - static_cast<double>(days)) * kSecondsPerDay);
    if (seconds == kSecondsPerDay) {
        seconds = 0;
        days += date < 0 ? -1 : 1;
    }
    if (days == 0 && seconds != 0) {  // a time of day alone
        out = FormatTime(seconds);
        return true;
    }
    if (!FormatDay(days + kDateEpochOffset, out)) return false;
    if (seconds != 0) out += " " + FormatTime(seconds);
    return true;
}

std::string CurrencyText(int64_t cy) {
    uint64_t magnitude = cy < 0 ? 0 - static_cast<uint64_t>(cy) : static_cast<uint64_t>(cy);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%llu", cy < 0 ? "-" : "", static_cast<unsigned long long>(magnitude / 10000));
    std::string out = buf;
    unsigned fraction = static_cast<unsigned>(magnitude % 10000);
    if (fraction) {
        std::snprintf(buf, sizeof buf, ".%04u", fraction);
        std::string f = buf;
        while (f.back() == '0') f.pop_back();
        out += f;
    }
    return out;
}

bool FileTimeText(uint64_t filetime, std::string& out) {
    uint64_t seconds = filetime / 10000000u;
    int64_t days = static_cast<int64_t>(seconds / kSecondsPerDay);
    if (!FormatDay(days + kFileTimeEpochOffset, out)) return false;
    out += " " + FormatTime(static_cast<int64_t>(seconds % kSecondsPerDay));
    return true;
}

bool DecimalToReal(const tarn_decimal& d, double& out) {
    if (d.scale > 28) return false;
    long double magnitude = std::ldexp(static_cast<long double>(d.hi32), 64) + static_cast<long double>(d.lo64);
    magnitude /= std::pow(10.0L, d.scale);
    out = static_cast<double>((d.sign & 0x80) ? -magnitude : magnitude);
    return std::isfinite(out);
}

ProgramValue FromAutomation(const tarn_variant& v) {
    if (v.vt & (TARN_VT_ARRAY | TARN_VT_VECTOR | TARN_VT_BYREF)) return Error45("Invalid value");
    std::string s;
    switch (v.vt) {
        case TARN_VT_EMPTY:
        case TARN_VT_VOID: return Error45("Call did not return a value");
        case TARN_VT_NULL: return Word(kVmNull, 0);
        case TARN_VT_I2: return Word(kVmInteger, static_cast<uint32_t>(static_cast<int32_t>(v.u.i2)));
        case TARN_VT_I4:
        case TARN_VT_INT: return Word(kVmInteger, static_cast<uint32_t>(v.u.i4));
        case TARN_VT_R4: return Real(v.u.r4);
        case TARN_VT_R8: return Real(v.u.r8);
        case TARN_VT_CY: return Text(CurrencyText(v.u.cy));
        case TARN_VT_DATE: {
            bool ok = DateText(v.u.date, s);
            return TextOrError(ok, s);
        }
        case TARN_VT_I8: return Text(std::to_string(v.u.i8));
        case TARN_VT_UI8: return Text(std::to_string(v.u.ui8));
        case TARN_VT_FILETIME: {
            bool ok = FileTimeText(v.u.filetime, s);
            return TextOrError(ok, s);
        }
        case TARN_VT_BSTR: return Text(NarrowText(v.u.bstr));
        case TARN_VT_DISPATCH: {
            ProgramValue p = Word(kVmObject, 0);
            p.object = v.u.dispatch;
            if (p.object) p.object->vtbl->add_ref(p.object);
            return p;
        }
        case TARN_VT_BOOL: return Word(kVmBoolean, v.u.boolean != 0);
        case TARN_VT_DECIMAL: {
            double d;
            if (!DecimalToReal(v.u.decimal, d)) return Error45("Decimal value could not be converted to real");
            return Real(d);
        }
        case TARN_VT_I1: return Word(kVmBoolean, v.u.i1 != 0);
        case TARN_VT_UI1: return Word(kVmByte, v.u.ui1);
        case TARN_VT_UI2: return Word(kVmWord, v.u.ui2);
        case TARN_VT_UI4:
        case TARN_VT_UINT: return Word(kVmWord, v.u.ui4);
        case TARN_VT_ERROR:
        case TARN_VT_VARIANT:
        case TARN_VT_UNKNOWN:
        case TARN_VT_PTR:
        case TARN_VT_BLOB:
        case TARN_VT_STREAM: return Error45("Invalid value");
        default: return Error45("Unknown value");
    }
}

bool ToAutomation(const VmValue& v, tarn_dispatch* object, tarn_variant& out) {
    tarn_variant_init(&out);
    switch (v.type) {
        case kVmInteger: out.vt = TARN_VT_I4; out.u.i4 = static_cast<int32_t>(v.word); return true;
        case kVmReal: out.vt = TARN_VT_R8; out.u.r8 = v.real; return true;
        case kVmBoolean: out.vt = TARN_VT_BOOL; out.u.boolean = v.word ? -1 : 0; return true;
        case kVmByte: out.vt = TARN_VT_UI1; out.u.ui1 = static_cast<uint8_t>(v.word & 0xFF); return true;
        case kVmWord: out.vt = TARN_VT_UI4; out.u.ui4 = v.word; return true;
        case kVmNull: out.vt = TARN_VT_NULL; return true;
        case kVmString: {
            tarn_sysstr s = WidenText(v.text);
            if (!s) return false;
            out.vt = TARN_VT_BSTR;
            out.u.bstr = s;
            return true;
        }
        case kVmObject:
            if (object || v.word == 0) {
                out.vt = TARN_VT_DISPATCH;
                out.u.dispatch = object;
                if (object) object->vtbl->add_ref(object);
                return true;
            }
            break;
        default: break;
    }
    out.vt = TARN_VT_ERROR;
    out.u.scode = TARN_PARAM_NOT_FOUND;
    return true;
}

}  // namespace tarn::automation
