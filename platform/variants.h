// Conversions between a program's variant values and automation variants.
//
// A variant value on the VM stack is a value followed by its type code: 1 null, 3 integer,
// 5 real, 11 boolean, 17 byte, 19 word, 30 string, 73 object. VmValue holds one off the
// stack; the engine pops and pushes it, this module converts it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tarn/automation.h"

namespace tarn::automation {

// The type codes of variant values (vm::VariantType, repeated here so this layer does
// not depend on the engine).
enum VmType : uint32_t {
    kVmEmpty = 0,
    kVmNull = 1,
    kVmInteger = 3,
    kVmReal = 5,
    kVmBoolean = 11,
    kVmByte = 17,
    kVmWord = 19,
    kVmString = 30,
    kVmObject = 73,
};

struct VmValue {
    uint32_t type = kVmNull;
    uint32_t word = 0;  // integer, boolean, byte, word; an object's record address
    double real = 0;
    std::string text;
};

// A result converted for the program. For an object (73) the engine wraps `object` (one
// reference, now the engine's) in a new object record; a null object becomes nil. error,
// when set, is the description of error 45 ("Generic object failure"), and value is null.
struct ProgramValue {
    VmValue value;
    tarn_dispatch* object = nullptr;
    const char* error = nullptr;
};

ProgramValue FromAutomation(const tarn_variant& v);

// Converts an argument; object is the dispatch interface of an object argument's record
// (null when the value is nil or no automation object). The variant owns what it holds
// (a system string, a reference). False when a string could not be allocated: the variant
// is then empty and the caller records error 45.
bool ToAutomation(const VmValue& v, tarn_dispatch* object, tarn_variant& out);

// Text both ways: one character per byte; characters above 255 narrow to '?'.
std::string NarrowText(const uint16_t* s);
tarn_sysstr WidenText(std::string_view text);

// The textual forms of the types a program gets as strings. False when the value has none
// (a date beyond the years 1-9999, a NaN).
bool DateText(double date, std::string& out);
std::string CurrencyText(int64_t cy);
bool FileTimeText(uint64_t filetime, std::string& out);
bool DecimalToReal(const tarn_decimal& d, double& out);

}  // namespace tarn::automation
