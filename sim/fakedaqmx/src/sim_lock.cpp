#include <windows.h>

#include "fakedaqmx_control.h"
#include "sim.h"

#include <string>

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

// A stall has a lock and events of its own: a stalled caller holds nothing of the state.
const DWORD kMaxStallMs = 60000;
struct Stall {
    CRITICAL_SECTION section;
    std::string function;                                              // "" : nothing stalls
    HANDLE released = CreateEventW(nullptr, TRUE, TRUE, nullptr);      // set while nothing stalls
    HANDLE someoneWaits = CreateEventW(nullptr, TRUE, FALSE, nullptr); // set once a call is held
    Stall() { InitializeCriticalSection(&section); }
    ~Stall() {
        DeleteCriticalSection(&section);
        CloseHandle(released);
        CloseHandle(someoneWaits);
    }
};
Stall g_stall;

} // namespace

void WaitIfStalled(const char* function) {
    EnterCriticalSection(&g_stall.section);
    bool stalled = !g_stall.function.empty() && g_stall.function == function;
    if (stalled) SetEvent(g_stall.someoneWaits);
    LeaveCriticalSection(&g_stall.section);
    if (stalled) WaitForSingleObject(g_stall.released, kMaxStallMs);
}

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

extern "C" {

int32 DAQMX_CFUNC fakedaqmx_Stall(const char* fn) {
    using namespace fakedaqmx;
    EnterCriticalSection(&g_stall.section);
    g_stall.function = fn ? fn : "";
    ResetEvent(g_stall.someoneWaits);
    if (g_stall.function.empty())
        SetEvent(g_stall.released);
    else
        ResetEvent(g_stall.released);
    LeaveCriticalSection(&g_stall.section);
    return 0;
}

int32 DAQMX_CFUNC fakedaqmx_WaitStalled(uInt32 ms) {
    return WaitForSingleObject(fakedaqmx::g_stall.someoneWaits, ms) == WAIT_OBJECT_0 ? 1 : 0;
}

} // extern "C"
