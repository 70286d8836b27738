#include <windows.h>

#include "sim.h"

namespace fakedaqmx {
namespace {

// The driver calls from a worker thread while tests read from theirs.
struct Guard {
    CRITICAL_SECTION section;
    Guard() { InitializeCriticalSection(&section); }
    ~Guard() { DeleteCriticalSection(&section); }
};

Guard g_guard;
State g_state;

} // namespace

Locked::Locked() {
    EnterCriticalSection(&g_guard.section);
    if (!g_state.loaded) g_state.ResetFromEnvironment();
}

Locked::~Locked() {
    LeaveCriticalSection(&g_guard.section);
}

State& Locked::state() {
    return g_state;
}

} // namespace fakedaqmx
