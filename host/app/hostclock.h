// The host's clock for stamping what it receives: milliseconds from the performance counter, which keeps
// its pace whatever the system timer's resolution.
#pragma once

#include <stdint.h>

uint64_t HostClockMs();
// The same clock to a fraction of a millisecond, for timing what is shorter than one.
double HostClockFineMs();
