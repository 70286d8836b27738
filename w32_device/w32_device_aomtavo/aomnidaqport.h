// NI-DAQmx binding: loading the library, board discovery and the AOM control voltages.
#pragma once

#include "aomlock.h"
#include "aomtavoapi.h"

#include <qv/qvstring.h>

#include <string>
#include <vector>

class CQvAOMTAVO;

// The NI-DAQmx library's module handle and its functions, looked up by name in a fixed order.
struct SDAQmxBinding {
    enum { FunctionCount = 39 };
    HMODULE hModule = nullptr;
    FARPROC apFunctions[FunctionCount] = {};
    // Through void*: the pointers were looked up by name and have the types the library publishes.
    template <class T> T Get(int f) const {
        return reinterpret_cast<T>(reinterpret_cast<void*>(apFunctions[f]));
    }
};

// The output task of one laser line.
struct SNIDAQLineTask {
    CQvStringW sChannel;
    void* hTask = nullptr;
    bool bTaskCreated = false; // hTask is a started task of sChannel
};

class CQvAOMNIDAQPort {
public:
    enum { LineCount = 3 };
    CQvAOMNIDAQPort();
    virtual ~CQvAOMNIDAQPort();

    // Binds the library (once) and fills the device's board and channel tables.
    bool Open(CQvAOMTAVO& device, bool simulate);
    // True in simulation (nothing to do); false after releasing the stale tasks of a real port.
    bool Close();
    void Lock();
    void Unlock();
    // Unloads the module-wide table's library (a refused version). Ports that still hold their own
    // reference keep it mapped until they let it go.
    static void UnloadLibrary();

    // Splits a ", "-separated list in place into at most capacity entries (filter: keep items containing it).
    // Returns 0, or -9 when an argument is missing. Items beyond the capacity are left out and logged.
    static int SplitList(char* text, CQvStringW* output, int& count, const char* filter, int capacity);
    // Logs the library's extended error text for function, which failed with status, and keeps it as the
    // last failure.
    int ReportError(const wchar_t* function, int32_t status);

    int CreateCompleteTask(SNIDAQLineTask* task);
    int DestroyCompleteTask();
    bool WriteChannelVoltage(int line, double volts);
    // Why the last Open or WriteChannelVoltage failed, one short English phrase; empty after a success. For
    // the caller, on the thread that made the call, right after it.
    const CQvStringW& LastFailure() const { return m_sLastFailure; }
    // The dialog a failed Open has for the user. Open only keeps it: it runs on the worker, which must not
    // wait for a person; the caller shows it once the connect is over, with no lock held.
    void ShowPendingMessage();

    SNIDAQLineTask m_LineTasks[LineCount];
    bool bSimulate;
    uint32_t uSDKMajorVersion;
    uint32_t uSDKMinorVersion;
    bool bOpened; // a real Open has completed

private:
    // A discovered channel and the output range of its board, which its task is created with.
    struct SChannelRange {
        std::string sName;
        double dLow, dHigh;
    };

    void FillSimulated(CQvAOMTAVO& device);
    bool FindChannelRange(const char* channel, double& low, double& high) const;
    bool LoadLibraryAndCheckVersion(CQvAOMTAVO& device);
    bool Discover(CQvAOMTAVO& device);
    void KeepMessage(const wchar_t* text); // translated, for ShowPendingMessage
    void ForgetTasks();
    // Drops this port's reference to the library.
    void ReleaseLibrary();

    CAOMGuardedLock m_Lock{L"NI-DAQ port"};
    // This port's copy of the module-wide table, with a reference of its own on the library: another device
    // that refuses the version and unloads the library cannot unmap it while this port calls into it.
    SDAQmxBinding m_Library;
    std::vector<SChannelRange> m_ChannelRanges;
    CQvStringW m_sLastFailure;
    CQvStringW m_sPendingMessage;
};
