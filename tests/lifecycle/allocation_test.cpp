// An allocation that fails while the device holds one of its locks: the lock is left free for the next
// thread, as every lock is held by a guard. The test replaces the program's allocator, which the module
// linked into it shares, and fails on demand the allocations of one size only.
#include "devicehost.h"
#include "logcapture.h"

#include <gtest/gtest.h>

#include <new>
#include <stdlib.h>

namespace {
volatile LONG g_lArmed = 0;
volatile size_t g_uFailFrom = 0, g_uFailTo = 0;
} // namespace

void* operator new(size_t size) {
    if (g_lArmed && size >= g_uFailFrom && size <= g_uFailTo) throw std::bad_alloc();
    if (void* p = malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    free(p);
}
void operator delete(void* p, size_t) noexcept {
    free(p);
}

namespace {

// A change record is queued under the change batch lock: its allocation fails there.
TEST(Allocation, AFailureInsideALockLeavesTheLockFree) {
    DeviceHost host;
    ASSERT_TRUE(host.StartReal("standard"));
    host.PausePoll();
    LogCapture log(false);
    g_uFailFrom = sizeof(SQvDMChangeRecord);
    g_uFailTo = sizeof(SQvDMChangeRecord) + 64; // with the shared pointer's count
    InterlockedExchange(&g_lArmed, 1);
    EDeviceManagerReturnCode failed = host.laser().SetPower(0, 40.0);
    InterlockedExchange(&g_lArmed, 0);
    EXPECT_EQ(DMRC_NO_DEVICE, failed) << "the command whose record could not be made did not complete";
    host.TakeChanges();
    Within(5000, "a flush, which takes the change batch lock", [&] {
        EXPECT_EQ(DMRC_OK, host.physical().BeginChangeBatch(false));
        EXPECT_EQ(DMRC_OK, host.physical().FlushChangeBatch());
    });
    EXPECT_EQ(DMRC_OK, host.laser().SetPower(0, 60.0));
    EXPECT_TRUE(host.WaitForChange(CHostSession::kMultiLaserId));
    EXPECT_DOUBLE_EQ(3.0, LastVoltage("Dev1/ao0"));
}

} // namespace
