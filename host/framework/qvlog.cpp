#include "qv/qvlog.h"

#include "qvformat.h"

#include <stdio.h>
#include <string>
#include <vector>

namespace {

// One lock for the file and the capture; messages of different threads never interleave.
struct LogState {
    CRITICAL_SECTION lock;
    FILE* file = nullptr;
    bool capturing = false;
    QV_LogListener listener = nullptr;
    void* listenerContext = nullptr;
    std::vector<std::wstring> captured;
    LogState() { InitializeCriticalSection(&lock); }
    ~LogState() {
        if (file) fclose(file);
        DeleteCriticalSection(&lock);
    }
};

LogState& State() {
    static LogState state;
    return state;
}

volatile LONG g_lDetail = 0;
volatile LONG g_lAsserts = 0;

struct Place {
    const wchar_t* file = L"";
    int line = 0;
};
thread_local Place t_place;

const wchar_t* BaseName(const wchar_t* path) {
    const wchar_t* base = path ? path : L"";
    for (const wchar_t* p = base; *p; ++p)
        if (*p == L'/' || *p == L'\\') base = p + 1;
    return base;
}

void Write(const std::wstring& message) {
    LogState& s = State();
    EnterCriticalSection(&s.lock);
    if (s.capturing) s.captured.push_back(message);
    if (s.listener) s.listener(message.c_str(), s.listenerContext);
    if (s.file) {
        SYSTEMTIME t;
        GetLocalTime(&t);
        fwprintf(s.file, L"%02u:%02u:%02u.%03u [%5lu] %ls(%d): %ls\n", t.wHour, t.wMinute, t.wSecond,
                 t.wMilliseconds, GetCurrentThreadId(), BaseName(t_place.file), t_place.line,
                 message.c_str());
        fflush(s.file);
    }
    LeaveCriticalSection(&s.lock);
}

} // namespace

bool CQvLogFile::Detail() {
    return g_lDetail != 0;
}

void CQvLogFile::SetDetail(bool detail) {
    InterlockedExchange(&g_lDetail, detail ? 1 : 0);
}

bool CQvLogFile::Open(const wchar_t* path) {
    LogState& s = State();
    EnterCriticalSection(&s.lock);
    if (s.file) {
        fclose(s.file);
        s.file = nullptr;
    }
    if (path) s.file = _wfopen(path, L"a, ccs=UTF-8");
    bool ok = !path || s.file;
    LeaveCriticalSection(&s.lock);
    return ok;
}

void DiagOutputExW_hlp(const wchar_t* file, int line) {
    t_place.file = file ? file : L"";
    t_place.line = line;
}

void DiagOutputExW(const wchar_t* format, ...) {
    std::wstring message;
    va_list args;
    va_start(args, format);
    QvFormatAppendV(message, format, args);
    va_end(args);
    Write(message);
}

void DiagAssertW(int, const wchar_t* expression, int, const wchar_t* file, int line) {
    InterlockedIncrement(&g_lAsserts);
    std::wstring message = L"ASSERT failed: ";
    message += expression ? expression : L"";
    message += L" at ";
    message += BaseName(file);
    message += L"(" + std::to_wstring(line) + L")";
    Write(message);
}

void QV_LogCaptureStart() {
    LogState& s = State();
    EnterCriticalSection(&s.lock);
    s.captured.clear();
    s.capturing = true;
    LeaveCriticalSection(&s.lock);
}

void QV_LogCaptureStop() {
    LogState& s = State();
    EnterCriticalSection(&s.lock);
    s.capturing = false;
    LeaveCriticalSection(&s.lock);
}

int QV_LogCaptureCount() {
    LogState& s = State();
    EnterCriticalSection(&s.lock);
    int n = static_cast<int>(s.captured.size());
    LeaveCriticalSection(&s.lock);
    return n;
}

int QV_LogCaptureLine(int index, wchar_t* buffer, int capacity) {
    LogState& s = State();
    EnterCriticalSection(&s.lock);
    int length = -1;
    if (index >= 0 && index < static_cast<int>(s.captured.size())) {
        const std::wstring& line = s.captured[static_cast<size_t>(index)];
        length = static_cast<int>(line.size());
        if (buffer && capacity > 0) {
            int n = length < capacity - 1 ? length : capacity - 1;
            line.copy(buffer, static_cast<size_t>(n));
            buffer[n] = 0;
        }
    }
    LeaveCriticalSection(&s.lock);
    return length;
}

void QV_LogSetListener(QV_LogListener listener, void* context) {
    LogState& s = State();
    EnterCriticalSection(&s.lock);
    if (listener || s.listenerContext == context) {
        s.listener = listener;
        s.listenerContext = listener ? context : nullptr;
    }
    LeaveCriticalSection(&s.lock);
}

long QV_AssertCount() {
    return g_lAsserts;
}
