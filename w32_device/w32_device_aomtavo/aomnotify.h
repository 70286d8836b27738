// Building the change records of the logical devices.
#pragma once

#include <qv/qvdevice.h>

#include <string.h>

// A record with one entry for the given logical device; everything but the entry's data is filled.
inline void InitChangeRecord(SQvDMChangeRecord& record, uint32_t key) {
    // Zeroed whole, so that no stack contents travel to the host in the bytes the device leaves unset.
    memset(&record, 0, sizeof record);
    record.uCount = 1;
    record.auKey[0] = key;
    record.auSubKind[0] = 1;
}

template <class T> void PutData(SQvDMChangeRecord& record, size_t offset, T value) {
    static_assert(sizeof(T) <= SQvDMChangeRecord::DataSize, "field fits the entry");
    memcpy(record.aData[0] + offset, &value, sizeof value);
}
