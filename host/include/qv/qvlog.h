// The host's diagnostic log.
#pragma once

#include "qvbase.h"

class QV_FRAMEWORK_API CQvLogFile {
public:
    // Whether detailed messages are written; modules test it before formatting a message.
    static bool Detail();
    static void SetDetail(bool detail);
    // Sends the log to a file (appending); a null path closes it.
    static bool Open(const wchar_t* path);
};

// Records the source position of the next message of this thread.
QV_FRAMEWORK_API void DiagOutputExW_hlp(const wchar_t* file, int line);
// Writes one message, printf-style with the host's meaning (%s wide, %S narrow).
QV_FRAMEWORK_API void DiagOutputExW(const wchar_t* format, ...);
// Reports a broken invariant and returns.
QV_FRAMEWORK_API void DiagAssertW(int reserved1, const wchar_t* expression, int reserved2,
                                  const wchar_t* file, int line);

// Capture of the log's message texts, for the host's own checks and for tests.
QV_FRAMEWORK_API void QV_LogCaptureStart(); // empties the capture and starts capturing
QV_FRAMEWORK_API void QV_LogCaptureStop();
QV_FRAMEWORK_API int QV_LogCaptureCount();
// Copies line i (NUL-terminated, cut to fit); returns its full length or -1 when i is out of range.
QV_FRAMEWORK_API int QV_LogCaptureLine(int index, wchar_t* buffer, int capacity);
QV_FRAMEWORK_API long QV_AssertCount();

// A listener the host application gives the log: called with every message as it is written, on the
// writing thread and under the log's lock, so it must only take the text (it must not write to the log).
// One listener at a time; a null listener removes the one given this context (and no other).
typedef void (*QV_LogListener)(const wchar_t* message, void* context);
QV_FRAMEWORK_API void QV_LogSetListener(QV_LogListener listener, void* context);

// The usual form: place, then the message only when detail is on.
#define QV_DIAG(...)                                                                                         \
    do {                                                                                                     \
        DiagOutputExW_hlp(QV_WFILE, __LINE__);                                                               \
        if (CQvLogFile::Detail()) DiagOutputExW(__VA_ARGS__);                                                \
    } while (0)
