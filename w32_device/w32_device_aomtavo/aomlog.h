// Lines the device writes whatever the log's detail setting: what went wrong, in words a user can act on.
#pragma once

#include <qv/qvlog.h>

#define AOM_ALWAYS(...)                                                                                      \
    do {                                                                                                     \
        DiagOutputExW_hlp(QV_WFILE, __LINE__);                                                               \
        DiagOutputExW(__VA_ARGS__);                                                                          \
    } while (0)
