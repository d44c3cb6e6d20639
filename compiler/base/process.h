// process: what every part of the compiler may ask about the process it runs in: the
// directory of the compiler's own program (the include fallbacks and the executable
// builder look there) and whether the user asked it to stop.
#pragma once

#include <csignal>

namespace tarn::tpc {

// The directory holding the compiler's own program, with a trailing "/" ("" when
// unknown).
const char* InstallDir();
// Takes it from /proc/self/exe, else from argv[0] made absolute.
void SetInstallDir(const char* argv0);

// True once an interrupt or termination signal has arrived (the driver's signal trap sets
// it); the lexer polls it for every token, the writer once more, and both then issue
// "Compilation terminated by the user.". Inline, being read that often.
extern volatile std::sig_atomic_t gUserBreak;
inline bool UserBreak() { return gUserBreak != 0; }
inline void SetUserBreak() { gUserBreak = 1; }
inline void ClearUserBreak() { gUserBreak = 0; }

}  // namespace tarn::tpc
