// Change notifications collected while the host batches, and what the host finally receives.
#include "moduleloader.h"

#include <aomtavodevice.h>

#include <gtest/gtest.h>

#include <string.h>
#include <vector>

namespace {

struct Delivery {
    uint32_t kind;
    uint32_t count;
    std::vector<uint32_t> keys, kinds, subKinds;
    std::vector<uint8_t> firstData;
};

struct Receiver {
    std::vector<Delivery> deliveries;
    static int64_t Callback(uint32_t kind, SQvDMChangeRecord* r, uint64_t context) {
        Receiver* self = reinterpret_cast<Receiver*>(static_cast<uintptr_t>(context));
        Delivery d{kind, r->uCount, {}, {}, {}, {}};
        for (uint32_t i = 0; i < r->uCount; ++i) {
            d.keys.push_back(r->auKey[i]);
            d.kinds.push_back(r->auKind[i]);
            d.subKinds.push_back(r->auSubKind[i]);
        }
        d.firstData.assign(r->aData[0], r->aData[0] + SQvDMChangeRecord::DataSize);
        self->deliveries.push_back(d);
        return 0;
    }
};

SQvDMChangeRecord Record(uint32_t key, uint8_t fill, uint32_t kind = 0, uint32_t subKind = 1) {
    SQvDMChangeRecord r;
    memset(&r, 0xCC, sizeof r);
    r.uCount = 1;
    r.auKey[0] = key;
    r.auKind[0] = kind;
    r.auSubKind[0] = subKind;
    memset(r.aData[0], fill, SQvDMChangeRecord::DataSize);
    return r;
}

class ChangeBatch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, device);
        device->m_iState = 2;
        device->SetChangeCallback(&Receiver::Callback, reinterpret_cast<uintptr_t>(&receiver));
        ASSERT_EQ(DMRC_OK, device->BeginChangeBatch(true));
    }
    void TearDown() override { device->m_iState = 0; }

    LoadedModule module;
    DeviceRef object{module.Make("QV_ConstructorForCQvAOMTAVOSim")};
    CQvAOMTAVO* device = dynamic_cast<CQvAOMTAVO*>(object.device());
    Receiver receiver;
};

TEST_F(ChangeBatch, ThirtyThreeKeysDeliverThirtyTwoInOneCallAndKeepOne) {
    for (uint32_t key = 1; key <= 33; ++key)
        device->AddToChangeBatch(Record(key, static_cast<uint8_t>(key)));
    ASSERT_EQ(1u, receiver.deliveries.size());
    const Delivery& d = receiver.deliveries[0];
    EXPECT_EQ(1u, d.kind);
    EXPECT_EQ(32u, d.count);
    for (uint32_t i = 0; i < 32; ++i)
        EXPECT_EQ(i + 1, d.keys[i]);
    EXPECT_EQ(1u, device->m_ChangeBatch.uCount);
    EXPECT_EQ(33u, device->m_ChangeBatch.auKey[0]);

    EXPECT_EQ(DMRC_OK, device->FlushChangeBatch());
    ASSERT_EQ(2u, receiver.deliveries.size());
    EXPECT_EQ(1u, receiver.deliveries[1].count);
    EXPECT_EQ(33u, receiver.deliveries[1].keys[0]);
    bool batching = true;
    device->GetBatching(&batching);
    EXPECT_FALSE(batching);
}

TEST_F(ChangeBatch, RepeatedKeyKeepsLatestDataAndFirstKinds) {
    device->AddToChangeBatch(Record(7, 0x11, 5, 1));
    device->AddToChangeBatch(Record(7, 0x22, 9, 4));
    EXPECT_EQ(1u, device->m_ChangeBatch.uCount);
    ASSERT_EQ(DMRC_OK, device->FlushChangeBatch());
    ASSERT_EQ(1u, receiver.deliveries.size());
    const Delivery& d = receiver.deliveries[0];
    EXPECT_EQ(1u, d.count);
    EXPECT_EQ(5u, d.kinds[0]);
    EXPECT_EQ(1u, d.subKinds[0]);
    EXPECT_EQ(std::vector<uint8_t>(SQvDMChangeRecord::DataSize, 0x22), d.firstData);
}

TEST_F(ChangeBatch, KeyZeroIsNeverAddedAndAnEmptyFlushCallsNobody) {
    device->AddToChangeBatch(Record(0, 0x33));
    EXPECT_EQ(0u, device->m_ChangeBatch.uCount);
    EXPECT_EQ(DMRC_OK, device->FlushChangeBatch());
    EXPECT_TRUE(receiver.deliveries.empty());
    bool batching = true;
    device->GetBatching(&batching);
    EXPECT_FALSE(batching);
}

TEST_F(ChangeBatch, WithoutCallbackAFullBatchIsDroppedNotOverrun) {
    device->SetChangeCallback(nullptr, 0);
    for (uint32_t key = 1; key <= 70; ++key)
        device->AddToChangeBatch(Record(key, 1));
    EXPECT_EQ(70u % 32u, device->m_ChangeBatch.uCount);
    EXPECT_TRUE(receiver.deliveries.empty());
}

// The worker adds while a host thread flushes: every key must arrive exactly once.
TEST_F(ChangeBatch, ConcurrentAddAndFlushLoseAndRepeatNothing) {
    const uint32_t total = 20000;
    struct Args {
        CQvAOMTAVO* device;
        uint32_t total;
    } args{device, total};
    HANDLE worker = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            Args* a = static_cast<Args*>(p);
            for (uint32_t key = 1; key <= a->total; ++key)
                a->device->AddToChangeBatch(Record(key, 1));
            return 0;
        },
        &args, 0, nullptr);
    ASSERT_NE(nullptr, worker);
    while (WaitForSingleObject(worker, 0) == WAIT_TIMEOUT) {
        device->FlushChangeBatch();
        device->BeginChangeBatch(true);
    }
    CloseHandle(worker);
    device->FlushChangeBatch();
    std::vector<int> seen(total + 1, 0);
    for (const Delivery& d : receiver.deliveries) {
        ASSERT_LE(d.count, 32u);
        for (uint32_t key : d.keys)
            ++seen[key];
    }
    for (uint32_t key = 1; key <= total; ++key)
        ASSERT_EQ(1, seen[key]) << "key " << key;
}

} // namespace
