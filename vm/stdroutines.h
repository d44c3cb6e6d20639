// Numbers of the standard routines reached through CALLSTD, generated from stdroutines.def.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tarn::vm {

enum class Std : uint32_t {
#define STD(number, name) name = number,
#include "vm/stdroutines.def"
#undef STD
};

constexpr uint32_t kStdCount = 195;  // numbers 0 .. 194

constexpr std::array<std::string_view, kStdCount> MakeStdNames() {
    std::array<std::string_view, kStdCount> t{};
#define STD(number, name) t[number] = #name;
#include "vm/stdroutines.def"
#undef STD
    return t;
}

inline constexpr std::array<std::string_view, kStdCount> kStdNames = MakeStdNames();

constexpr uint32_t Number(Std s) { return static_cast<uint32_t>(s); }

}  // namespace tarn::vm
