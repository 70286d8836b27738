#include "hostclock.h"

#include <windows.h>

namespace {
uint64_t TicksPerSecond() {
    static const uint64_t perSecond = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<uint64_t>(f.QuadPart);
    }();
    return perSecond;
}

uint64_t Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<uint64_t>(now.QuadPart);
}
} // namespace

uint64_t HostClockMs() {
    uint64_t ticks = Ticks(), perSecond = TicksPerSecond();
    // Whole seconds and the rest apart, so that the product never overflows.
    return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

double HostClockFineMs() {
    return static_cast<double>(Ticks()) * 1000.0 / static_cast<double>(TicksPerSecond());
}
