// The module's lock under contention, and taken back from threads ended by force inside it.
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
TEST(RecoverableLock, LetsOneThreadInAtATime) {
    CAOMRecoverableLock lock(L"test");
    const int kThreads = 4, kRounds = 5000;
    volatile long counter = 0;
    std::vector<std::unique_ptr<Thread>> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(new Thread([&] {
            for (int i = 0; i < kRounds; ++i) {
                lock.Enter();
                long seen = counter;
                Sleep(0); // lets another thread find it held
                counter = seen + 1;
                lock.Leave();
            }
        }));
    for (auto& t : threads)
        ASSERT_TRUE(t->Ends());
    EXPECT_EQ(kThreads * kRounds, counter);
}

// A holder ended inside the lock, even nested, leaves it to the thread that reclaims it, and the thread
// that waits for it gets it then.
TEST(RecoverableLock, IsTakenBackFromAThreadEndedInsideIt) {
    CAOMRecoverableLock lock(L"test");
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Thread holder([&] {
        lock.Enter();
        lock.Enter();
        SetEvent(held);
        WaitForSingleObject(never, kBoundMs);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held, kBoundMs));
    bool got = false;
    Thread waiter([&] {
        got = lock.Enter() == 1;
        lock.Leave();
    });
    holder.End();

    LogCapture log;
    EXPECT_FALSE(lock.Reclaim(waiter.Id())) << "a thread that holds nothing";
    EXPECT_TRUE(lock.Reclaim(holder.Id()));
    EXPECT_TRUE(waiter.Ends());
    EXPECT_TRUE(got);
    EXPECT_EQ(1u, log.Count(L"ERROR: test lock was held by a thread that was ended; taken over"));
    EXPECT_EQ(1, lock.Enter());
    lock.Leave();
    CloseHandle(held);
    CloseHandle(never);
}

} // namespace
