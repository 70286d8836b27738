// A thread of the system's own for tests that count the process's handles: the C++ runtime keeps what it
// made for its threads (a handle and an event each) for later threads, so that a count after several
// overlapping std::threads shows handles no one leaked.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

class TestThread {
public:
    explicit TestThread(std::function<void()> body) : m_Body(std::move(body)) {
        m_hThread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~TestThread() { join(); }
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;
    // Waits for the body to end (a hung body is ended by the test's own time-outs, not here).
    void join() {
        if (!m_hThread) return;
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }

private:
    static DWORD WINAPI Run(void* self) {
        static_cast<TestThread*>(self)->m_Body();
        return 0;
    }
    std::function<void()> m_Body;
    HANDLE m_hThread;
};
