// The demo: every step of the real host's order of calls against one device, told in plain words.
#pragma once

#include "hostapp.h"

// Returns the process exit code: 0, or 1 when a step failed (the demo stops there).
int RunDemo(CHostApp& app);
