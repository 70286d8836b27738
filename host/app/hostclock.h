// The host's clock for stamping what it receives: milliseconds from the performance counter, which keeps
// its pace whatever the system timer's resolution.
#pragma once

#include <stdint.h>

uint64_t HostClockMs();
