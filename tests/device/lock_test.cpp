// The device's locks under contention, and passed on from threads ended by force inside them.
#include "logcapture.h"

#include <aomlock.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

const DWORD kBoundMs = 10000;

// A thread running a function; the handle lets the test end it by force.
class Thread {
public:
    explicit Thread(std::function<void()> body) : m_Body(std::move(body)) {
        m_hThread = CreateThread(nullptr, 0, Run, this, 0, &m_dwId);
    }
    ~Thread() {
        if (m_hThread) CloseHandle(m_hThread);
    }
    bool Ends() const { return WaitForSingleObject(m_hThread, kBoundMs) == WAIT_OBJECT_0; }
    void End() {
        TerminateThread(m_hThread, 1);
        WaitForSingleObject(m_hThread, kBoundMs);
    }
    DWORD Id() const { return m_dwId; }

private:
    static DWORD WINAPI Run(void* self) {
        static_cast<Thread*>(self)->m_Body();
        return 0;
    }
    std::function<void()> m_Body;
    HANDLE m_hThread = nullptr;
    DWORD m_dwId = 0;
};

// A lock that let two threads in at once would lose some of these additions.
TEST(GuardedLock, LetsOneThreadInAtATime) {
    CAOMGuardedLock lock(L"test");
    const int kThreads = 4, kRounds = 5000;
    volatile long counter = 0;
    std::vector<std::unique_ptr<Thread>> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(new Thread([&] {
            for (int i = 0; i < kRounds; ++i) {
                lock.Enter(QV_WFILE, __LINE__);
                long seen = counter;
                Sleep(0); // lets another thread find it held
                counter = seen + 1;
                lock.Leave(QV_WFILE, __LINE__);
            }
        }));
    for (auto& t : threads)
        ASSERT_TRUE(t->Ends());
    EXPECT_EQ(kThreads * kRounds, counter);
}

// A holder ended inside the lock, even nested, leaves it to the next thread that enters, which takes it
// over once and starts afresh; a leave by a thread that does not hold the lock releases nothing.
TEST(GuardedLock, PassesFromAThreadEndedInsideItToTheNextThread) {
    CAOMGuardedLock lock(L"test");
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Thread holder([&] {
        lock.Enter(QV_WFILE, __LINE__);
        lock.Enter(QV_WFILE, __LINE__); // reported, and nested
        SetEvent(held);
        WaitForSingleObject(never, kBoundMs);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held, kBoundMs));

    long asserts = QV_AssertCount();
    lock.Leave(QV_WFILE, __LINE__); // not this thread's
    EXPECT_EQ(asserts + 1, QV_AssertCount());
    EXPECT_FALSE(lock.TryEnter(QV_WFILE, __LINE__)) << "the stray leave released the holder's lock";

    LogCapture log(false);
    bool got = false, fresh = false;
    Thread waiter([&] {
        // Nothing of the dead holder's state is left: no enter is taken for a nested one, no leave finds
        // the lock marked free.
        long before = QV_AssertCount();
        for (int round = 0; round < 2; ++round) {
            lock.Enter(QV_WFILE, __LINE__);
            got = true;
            lock.Leave(QV_WFILE, __LINE__);
        }
        fresh = QV_AssertCount() == before;
    });
    holder.End();
    EXPECT_TRUE(waiter.Ends());
    EXPECT_TRUE(got);
    EXPECT_TRUE(fresh);
    EXPECT_EQ(1u, log.Count(L"ERROR: test lock was held by a thread that was ended; taken over"));
    EXPECT_TRUE(lock.TryEnter(QV_WFILE, __LINE__)) << "free again";
    lock.Leave(QV_WFILE, __LINE__);
    CloseHandle(held);
    CloseHandle(never);
}

} // namespace
