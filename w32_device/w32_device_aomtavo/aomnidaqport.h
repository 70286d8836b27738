// NI-DAQmx binding: loading the library, board discovery and the AOM control voltages. Only the device's
// worker uses a port once the device is connected; the host's threads reach it only after the worker ended.
#pragma once

#include "aomlock.h"
#include "aomtavoapi.h"

#include <qv/qvstring.h>

#include <string>
#include <utility>
#include <vector>

class CQvAOMTAVO;
struct SDAQBoard;

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
    bool bTaskCreated = false; // hTask is a started task of sChannel over dLow to dHigh
    // The span the channel is created with, so that NI chooses the DAC range and refuses any value outside
    // it; equal ends take the board range that holds them.
    double dLow = 0.0, dHigh = 0.0;
};

// A board that cannot be reached is tried again at the device's board check, this often.
const unsigned AOM_BOARD_CHECK_PERIOD_MS = 1000;

class CQvAOMNIDAQPort {
public:
    enum { LineCount = 3 };
    CQvAOMNIDAQPort();
    virtual ~CQvAOMNIDAQPort();

    // Binds the library (once) and fills the device's board and channel tables.
    bool Open(CQvAOMTAVO& device, bool simulate);
    // True in simulation (nothing to do); false after releasing the stale tasks of a real port.
    bool Close();
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
    // The channel and span of the line's next write; its task is built afresh for them.
    void SetLineOutput(int line, const CQvStringW& channel, double low, double high);
    // Writes the line's voltage. A task that refuses the write (aborted by a board reset, or a board that
    // left and came back) is built again and written once more. A board that cannot be reached is noted: the
    // line's next writes fail at once with that cause, unless probing, which tries the board again.
    bool WriteChannelVoltage(int line, double volts, bool probe = false);
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
    // A discovered channel and the output ranges of its board.
    struct SChannelRanges {
        std::string sName;
        std::vector<std::pair<double, double>> ranges;
    };

    void FillSimulated(CQvAOMTAVO& device);
    // The span a line's channel is created with: its own, or for equal ends the board range that holds
    // them (the board's first, else -10 to 10 V, when none does).
    void ChannelSpan(const SNIDAQLineTask& task, double& low, double& high) const;
    bool LoadLibraryAndCheckVersion(CQvAOMTAVO& device);
    bool Discover(CQvAOMTAVO& device);
    // Reads one board's ranges into its record; false when the query failed.
    bool ReadRanges(const char* board, SDAQBoard& record, std::vector<std::pair<double, double>>& ranges);
    void KeepMessage(const wchar_t* text); // translated, for ShowPendingMessage
    void ForgetTasks();
    // Drops this port's reference to the library.
    void ReleaseLibrary();
    int32_t WriteTask(SNIDAQLineTask& task, double volts);
    // Notes the line's board as unreachable after a failure that says so, or as reachable again after a
    // success; each change is logged once, whatever the detail setting.
    void NoteBoard(const std::string& board, bool reached);

    // This port's copy of the module-wide table, with a reference of its own on the library: another device
    // that refuses the version and unloads the library cannot unmap it while this port calls into it.
    SDAQmxBinding m_Library;
    std::vector<SChannelRanges> m_Channels;
    std::vector<std::string> m_UnreachableBoards;
    int32_t m_iLastStatus = 0; // of the last failure ReportError took
    CQvStringW m_sLastFailure;
    CQvStringW m_sPendingMessage;
};
