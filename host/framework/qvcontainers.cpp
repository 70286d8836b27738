#include "qv/qvcontainers.h"

#include <stdlib.h>
#include <string.h>
#include <new>

SQvLogicalDeviceList::SQvLogicalDeviceList() : m_apDevices{}, m_iCount(0) {}

bool SQvLogicalDeviceList::Add(IQvLogicalDevice* device) {
    if (m_iCount >= Capacity) return false;
    m_apDevices[m_iCount++] = device;
    return true;
}

void SQvLogicalDeviceList::RemoveAll() {
    m_iCount = 0;
}

IQvLogicalDevice* SQvLogicalDeviceList::GetAt(int index) const {
    return (index >= 0 && index < m_iCount) ? m_apDevices[index] : nullptr;
}

CQvUIntArray::CQvUIntArray() : m_pData(nullptr), m_iCount(0), m_iCapacity(0) {}

CQvUIntArray::CQvUIntArray(const CQvUIntArray& other) : CQvUIntArray() {
    *this = other;
}

CQvUIntArray& CQvUIntArray::operator=(const CQvUIntArray& other) {
    if (this != &other) {
        RemoveAll();
        for (int i = 0; i < other.m_iCount; ++i)
            Add(other.m_pData[i]);
    }
    return *this;
}

CQvUIntArray::~CQvUIntArray() {
    free(m_pData);
}

bool CQvUIntArray::Add(unsigned int value) {
    if (m_iCount == m_iCapacity) {
        int grown = m_iCapacity ? m_iCapacity * 2 : 8;
        void* p = realloc(m_pData, sizeof(unsigned int) * static_cast<size_t>(grown));
        if (!p) return false;
        m_pData = static_cast<unsigned int*>(p);
        m_iCapacity = grown;
    }
    m_pData[m_iCount++] = value;
    return true;
}

void CQvUIntArray::RemoveAll() {
    m_iCount = 0;
}

unsigned int CQvUIntArray::GetAt(int index) const {
    return (index >= 0 && index < m_iCount) ? m_pData[index] : 0;
}

CQvHWUnitList::CQvHWUnitList() : m_pData(nullptr), m_iCount(0), m_iCapacity(0) {}

CQvHWUnitList::~CQvHWUnitList() {
    delete[] m_pData;
}

bool CQvHWUnitList::Add(const SQvHWUnit& unit) {
    if (m_iCount == m_iCapacity) {
        int grown = m_iCapacity ? m_iCapacity * 2 : 4;
        SQvHWUnit* p = new (std::nothrow) SQvHWUnit[grown];
        if (!p) return false;
        for (int i = 0; i < m_iCount; ++i)
            p[i] = m_pData[i];
        delete[] m_pData;
        m_pData = p;
        m_iCapacity = grown;
    }
    m_pData[m_iCount++] = unit;
    return true;
}

void CQvHWUnitList::RemoveAll() {
    delete[] m_pData;
    m_pData = nullptr;
    m_iCount = m_iCapacity = 0;
}

const SQvHWUnit& CQvHWUnitList::GetAt(int index) const {
    static const SQvHWUnit none;
    return (index >= 0 && index < m_iCount) ? m_pData[index] : none;
}

CQvLiteVariantR::CQvLiteVariantR() {}
