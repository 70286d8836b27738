// Reference-counted objects and the class registry.
#pragma once

#include "qvbase.h"
#include <stddef.h>

class CQvClass;
class CQvClassInfo;

// Root interface. The destructor comes first, then the way back to the counted object.
class QV_FRAMEWORK_API IQvInterface {
public:
    virtual ~IQvInterface();
    virtual CQvClass* GetClassObject() = 0;
};

typedef IQvInterface* (*PFN_QvConstructor)(const char* file, unsigned int line);

class QV_FRAMEWORK_API CQvClass : public virtual IQvInterface {
public:
    // bCounted: the object starts with one reference owned by its creator.
    explicit CQvClass(bool bCounted);
    ~CQvClass() override;

    virtual long AddRef();
    virtual long Release(); // the last release deletes the object
    virtual const CQvClassInfo* GetClassInfo() const = 0;
    virtual IQvInterface* QueryInterface(const char* name) = 0;

    long GetRefCount() const;

    static void* operator new(size_t size, const char* file, unsigned int line);
    static void operator delete(void* p, const char* file, unsigned int line);
    static void operator delete(void* p);
    // Objects made through operator new above that are still alive (for leak checks).
    static long LiveObjects();

private:
    volatile long m_lRefCount;
};

// One registration record per class; the constructor enters it into the host's registry.
class QV_FRAMEWORK_API CQvClassInfo {
public:
    enum { MaxParents = 9 };
    CQvClassInfo(const char* className, const char* parent1, const char* parent2, const char* parent3,
                 const char* parent4, const char* parent5, const char* parent6, const char* parent7,
                 const char* parent8, const char* parent9, int objectSize, PFN_QvConstructor constructor);
    ~CQvClassInfo();

    const char* GetClassName() const { return m_pszClassName; }
    const char* GetParent(int i) const { return (i >= 0 && i < MaxParents) ? m_pszParents[i] : nullptr; }
    int GetObjectSize() const { return m_iObjectSize; }
    PFN_QvConstructor GetConstructor() const { return m_pfnConstructor; }

    // The registry, in registration order.
    static int GetCount();
    static const CQvClassInfo* GetAt(int index);
    static const CQvClassInfo* Find(const char* className);

private:
    const char* m_pszClassName;
    const char* m_pszParents[MaxParents];
    int m_iObjectSize;
    PFN_QvConstructor m_pfnConstructor;
};
