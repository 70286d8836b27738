// Small containers of the device-manager interfaces. Their storage is owned by the framework.
#pragma once

#include "qvstring.h"

class IQvLogicalDevice;

// The host's list of logical devices of one physical device; it does not own them.
class QV_FRAMEWORK_API SQvLogicalDeviceList {
public:
    enum { Capacity = 32 };
    SQvLogicalDeviceList();
    bool Add(IQvLogicalDevice* device); // false when full
    void RemoveAll();
    int GetCount() const { return m_iCount; }
    IQvLogicalDevice* GetAt(int index) const;

private:
    IQvLogicalDevice* m_apDevices[Capacity];
    int m_iCount;
};

class QV_FRAMEWORK_API CQvUIntArray {
public:
    CQvUIntArray();
    CQvUIntArray(const CQvUIntArray& other);
    CQvUIntArray& operator=(const CQvUIntArray& other);
    ~CQvUIntArray();
    bool Add(unsigned int value);
    void RemoveAll();
    int GetCount() const { return m_iCount; }
    unsigned int GetAt(int index) const;

private:
    unsigned int* m_pData;
    int m_iCount;
    int m_iCapacity;
};

// One hardware unit as the host lists it: a type, the ids of its logical devices and a name.
struct QV_FRAMEWORK_API SQvHWUnit {
    int iUnitType = 0;
    CQvUIntArray LogicalDeviceIds;
    CQvStringW sName;
};

class QV_FRAMEWORK_API CQvHWUnitList {
public:
    CQvHWUnitList();
    CQvHWUnitList(const CQvHWUnitList&) = delete;
    CQvHWUnitList& operator=(const CQvHWUnitList&) = delete;
    ~CQvHWUnitList();
    bool Add(const SQvHWUnit& unit);
    void RemoveAll();
    int GetCount() const { return m_iCount; }
    const SQvHWUnit& GetAt(int index) const;

private:
    SQvHWUnit* m_pData;
    int m_iCount;
    int m_iCapacity;
};

// The host's variant type; modules only pass it through.
class QV_FRAMEWORK_API CQvLiteVariantR {
public:
    CQvLiteVariantR();
    CQvStringW sValue;
};
