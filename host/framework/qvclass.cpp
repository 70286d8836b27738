#include "qv/qvclass.h"

#include <stdlib.h>
#include <string.h>

namespace {
volatile long g_lLiveObjects = 0;

// The registry keeps records in registration order; modules register from their static constructors,
// which run under the loader lock one module at a time.
enum { RegistryCapacity = 256 };
const CQvClassInfo* g_apRegistry[RegistryCapacity];
int g_iRegistered = 0;
} // namespace

IQvInterface::~IQvInterface() {}

CQvClass::CQvClass(bool bCounted) : m_lRefCount(bCounted ? 1 : 0) {}

CQvClass::~CQvClass() {}

long CQvClass::AddRef() {
    return InterlockedIncrement(&m_lRefCount);
}

long CQvClass::Release() {
    long count = InterlockedDecrement(&m_lRefCount);
    if (count == 0) delete this;
    return count;
}

long CQvClass::GetRefCount() const {
    return m_lRefCount;
}

void* CQvClass::operator new(size_t size, const char*, unsigned int) {
    void* p = calloc(1, size);
    if (p) InterlockedIncrement(&g_lLiveObjects);
    return p;
}

void CQvClass::operator delete(void* p, const char*, unsigned int) {
    operator delete(p);
}

void CQvClass::operator delete(void* p) {
    if (!p) return;
    InterlockedDecrement(&g_lLiveObjects);
    free(p);
}

long CQvClass::LiveObjects() {
    return g_lLiveObjects;
}

CQvClassInfo::CQvClassInfo(const char* className, const char* parent1, const char* parent2,
                           const char* parent3, const char* parent4, const char* parent5, const char* parent6,
                           const char* parent7, const char* parent8, const char* parent9, int objectSize,
                           PFN_QvConstructor constructor)
    : m_pszClassName(className), m_pszParents{parent1, parent2, parent3, parent4, parent5,
                                              parent6, parent7, parent8, parent9},
      m_iObjectSize(objectSize), m_pfnConstructor(constructor) {
    if (g_iRegistered < RegistryCapacity) g_apRegistry[g_iRegistered++] = this;
}

CQvClassInfo::~CQvClassInfo() {
    for (int i = 0; i < g_iRegistered; ++i) {
        if (g_apRegistry[i] == this) {
            memmove(&g_apRegistry[i], &g_apRegistry[i + 1],
                    sizeof(g_apRegistry[0]) * (g_iRegistered - i - 1));
            --g_iRegistered;
            break;
        }
    }
}

int CQvClassInfo::GetCount() {
    return g_iRegistered;
}

const CQvClassInfo* CQvClassInfo::GetAt(int index) {
    return (index >= 0 && index < g_iRegistered) ? g_apRegistry[index] : nullptr;
}

const CQvClassInfo* CQvClassInfo::Find(const char* className) {
    for (int i = 0; className && i < g_iRegistered; ++i)
        if (strcmp(g_apRegistry[i]->m_pszClassName, className) == 0) return g_apRegistry[i];
    return nullptr;
}
