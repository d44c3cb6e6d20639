// The engine's process-wide state (engine.h). One program runs at a time in a process.
#include "runtime/engine.h"

namespace tarn::rt {

Engine g_engine;
volatile std::sig_atomic_t g_userBreak = 0;

}  // namespace tarn::rt
