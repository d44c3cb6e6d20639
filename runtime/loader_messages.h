// Texts of the loader that a launcher prints too: a launcher that cannot find the image in
// its own file says what the loader says of a file without one.
#pragma once

namespace tarn::rt {

inline constexpr const char kInvalidExecutableMessage[] = "[TARNRUN] ERROR: Invalid executable.\n";

}  // namespace tarn::rt
