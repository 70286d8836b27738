// The physical device: the laser unit's TAVO controller on a COM port and its AOMs on NI-DAQmx outputs.
#pragma once

#include "aomlock.h"
#include "aomtavoapi.h"

#include <qv/qvdevicedefault.h>

#include <deque>
#include <memory>

class CQvAOMTAVOPort;
class CQvAOMNIDAQPort;
class CQvAOMTAVOPad;
class CQvAOMTAVOMultiLaser;
class CQvAOMTAVOShutter;

// A command the worker runs; by convention the first argument is the object it works on.
typedef int32_t (*PFN_AOMCommand)(uint64_t arg1, uint64_t arg2, uint64_t arg3);

enum {
    AOM_LINE_COUNT = 3,
    AOM_MAX_AO_CHANNELS = 256,
    AOM_MAX_DAQ_BOARDS = 16,
    AOM_MAX_AO_RANGES = 16,
};

// One analog-output channel as discovery found it and the configuration ranged it.
struct SAOChannel {
    CQvStringW sName;
    bool bUserRange = false; // min and max came from the configuration text
    int iBoardIndex = 0;
    float fMin = 0.0f;
    float fMax = 0.0f;
};

struct SDAQBoard {
    CQvStringW sName;
    uint32_t uSDKMajor = 0;
    uint32_t uSDKMinor = 0;
    float fAORangeLow = 0.0f; // the first range the board lists
    float fAORangeHigh = 0.0f;
    // Every output range the board lists, in its order; NI chooses among them for each channel's span.
    int iAORangeCount = 0;
    float afAORangeLow[AOM_MAX_AO_RANGES] = {};
    float afAORangeHigh[AOM_MAX_AO_RANGES] = {};
    int iAOChannels = 0;
    uint32_t uProductNum = 0;
    int iBusType = 0;
    uint32_t uPCIDevNum = 0;
};

// Configuration of one laser position.
struct SAOMLineConfig {
    CQvStringW sChannel_Name;
    int iIndex = 0; // 1-based position in the channel table; 0 = no channel
    float fValMin = 0.0f;
    float fValMax = 0.0f;
    float fValLambda = 0.0f;
    int bEmpty = 0;
};

class CQvAOMTAVO : public CQvPhysicalDevice_Default, public virtual CQvClass {
public:
    CQvAOMTAVO();
    ~CQvAOMTAVO() override;

    // IQvInterface and CQvClass
    CQvClass* GetClassObject() override;
    const CQvClassInfo* GetClassInfo() const override;
    IQvInterface* QueryInterface(const char* name) override;

    // IQvPhysicalDevice
    CQvStringW GetInfoString(int index) override;
    int GetDeviceState() override;
    EDeviceManagerReturnCode SetChangeCallback(PFN_QvDMChange function, uint64_t context) override;
    EDeviceManagerReturnCode GetChangeCallback(PFN_QvDMChange* function, uint64_t* context) override;
    bool SupportsChangeCallback() override;
    EDeviceManagerReturnCode GetCalibration(CQvLiteVariantR* data) override;
    EDeviceManagerReturnCode SetCalibration(CQvLiteVariantR* data) override;
    EDeviceManagerReturnCode GetDisplayInfo(CQvStringW* name, CQvStringW* groupCaption,
                                            uint32_t* iconId) override;
    EDeviceManagerReturnCode GetControlPad(IQvGUIElement** pad, IQvDevicePadSite* site) override;
    EDeviceManagerReturnCode RefreshControlPad() override;
    EDeviceManagerReturnCode GetStatusText(CQvStringW& text) override;
    EDeviceManagerReturnCode ShowStatusDialog(HWND parent) override;
    bool SupportsBatching() override;
    EDeviceManagerReturnCode GetBatching(bool* batching) override;
    EDeviceManagerReturnCode BeginChangeBatch(bool batching) override;
    EDeviceManagerReturnCode FlushChangeBatch() override;
    bool NeedsExclusiveAccess() override;
    EDeviceManagerReturnCode StartExperiment(CQvLiteVariantR* data) override;
    EDeviceManagerReturnCode StopExperiment() override;
    EDeviceManagerReturnCode GetExperimentState(int* state) override;
    EDeviceManagerReturnCode GetHWUnits(CQvHWUnitList& units) override;
    EDeviceManagerReturnCode ConnectDevice(const wchar_t* connection) override;
    void DisconnectDevice() override;
    EDeviceManagerReturnCode ResetDevice(SQvLogicalDeviceList& list) override;
    EDeviceManagerReturnCode ShowConnectionDialog(CQvStringW& connection, HWND parent) override;
    using CQvPhysicalDevice_Default::ConfigureDevice;
    EDeviceManagerReturnCode ConfigureDevice(const wchar_t* configuration, uint32_t physDevId,
                                             SQvLogicalDeviceList& list) override;
    EDeviceManagerReturnCode ShowLineConfigurationDialog(CQvStringW& configuration, HWND parent) override;

    // Runs a command on the worker and waits for its result: -2 when a command is running already,
    // 1460 when the worker did not take or finish it in time (wait 0: 15000 ms). When the result is not 0
    // and failure is given, it receives why, in words for the log.
    int64_t CallBack(PFN_AOMCommand command, uint64_t arg1, uint64_t arg2, uint64_t arg3, uint32_t waitMs,
                     CQvStringW* failure = nullptr);
    // For the commands: false while the line to the unit is lost; then, and when the unit does not take the
    // line (standard mode) or mask (extended mode), m_sCommandFailure says why.
    bool UnitReachable();
    bool WriteSelection(bool extended, uint32_t value);
    static int32_t C_Connect(uint64_t device, uint64_t comPort, uint64_t);
    static int32_t C_Disconnect(uint64_t device, uint64_t, uint64_t);

    // Settings texts: "key=value;" and "key[index]=value;". 0, or -9 when absent or empty.
    static int GetKeyValue(const wchar_t* text, const wchar_t* key, CQvStringW& value);
    static int GetIndexedKeyValue(const wchar_t* text, const wchar_t* key, CQvStringW& value, int index);
    static int AddKeyValue(CQvStringW& text, const wchar_t* key, const wchar_t* value);
    static int AddIndexedKeyValue(CQvStringW& text, const wchar_t* key, const wchar_t* value, int index);
    // The configuration text of the three line records; also gives the multi-laser their wavelengths.
    void WriteConfigurationText(CQvStringW& text);
    // Takes a new channel and voltage span for a position, under the unit-state lock: the worker's next
    // write to the line builds its task for it, and a line whose channel or span changed gets its voltage
    // written afresh.
    void SetLineOutput(int position, int index, const CQvStringW& channel, float min, float max);
    // Puts every line's recorded power on its AOM where the channel does not have it yet, on the worker, as
    // far as the device is configured; what cannot be written now, the next board check writes.
    void ApplyPowers();

    void AddToChangeBatch(const SQvDMChangeRecord& record);
    // Queues the record for the host's change callback, or adds it to the batch while the host batches, and
    // queues the pad's refresh of that part. False when the host has not set a callback yet.
    enum EPadUpdate { PadMultiLaser, PadShutter };
    bool DeliverChange(const SQvDMChangeRecord& record, EPadUpdate pad);
    // Makes the queued host calls, outside every lock; returns at once when another thread is making them.
    void DeliverHostCalls();
    void RefreshChannelTable();

    // The device lock guards the state, the connected flag and the host's list; the unit-state lock the
    // mirror of the unit and of the AOMs: the unit's lines and shutter, each line's power record, and the
    // channel and span its voltage is written with.
    CAOMGuardedLock& DeviceLock() { return m_DeviceLock; }
    CAOMGuardedLock& UnitStateLock() { return m_UnitStateLock; }

    // State shared with the logical devices, the pad and the dialogs.
    SQvDMChangeRecord m_ChangeBatch;
    bool m_bBatching;
    volatile int m_iState; // 0 not connected, 3 connected, 2 configured, 1 reset

    // The host's change callback, under the batch lock.
    PFN_QvDMChange m_pfnChange;
    uint64_t m_pChangeContext;

    CQvStringW m_AOChannelNames[AOM_MAX_AO_CHANNELS];
    SAOChannel m_AOChannels[AOM_MAX_AO_CHANNELS];
    int m_iAOChannelCount;
    CQvStringW m_DAQBoardNames[AOM_MAX_DAQ_BOARDS];
    SDAQBoard m_DAQBoards[AOM_MAX_DAQ_BOARDS];
    int m_iDAQBoardCount;
    // Channel, index and span are written under the unit-state lock (SetLineOutput); the worker reads them
    // there. Each change of a line's output counts up the generation of them all.
    SAOMLineConfig m_Lines[AOM_LINE_COUNT];
    uint32_t m_uOutputsGeneration;

    // Command worker.
    HANDLE m_hWorkerThread;
    DWORD m_dwWorkerThreadId;
    HANDLE m_hEvStarted;
    HANDLE m_hEvEnded; // set once the worker's loop has ended: it no longer touches the device
    HANDLE m_hEvTaken;
    HANDLE m_hEvDone;
    HANDLE m_hEvRequest;
    PFN_AOMCommand m_pfnCommand;
    uint64_t m_aCommandArgs[3];
    int64_t m_iCommandResult;
    // Why the running command failed: emptied by the worker before it runs one, written by the command,
    // read by its poster once the answer is there and before it lets another poster in.
    CQvStringW m_sCommandFailure;
    // Matches answers to posts, so that a late answer of an abandoned command is never taken for a new one.
    volatile LONG m_lPostedCommand;
    volatile LONG m_lTakenCommand;
    volatile LONG m_lDoneCommand;
    // Set by the stop, apart from the command slot: the worker ends at its next wake, and no post is taken.
    volatile LONG m_lStopRequested;

    CQvAOMTAVOPort* m_pPort;
    CQvAOMNIDAQPort* m_pNIDAQPort;
    CQvAOMTAVOPad* m_pPad;
    IQvDevicePadSite* m_pPadSite;
    bool m_bSimulator;
    uint32_t m_iPhysDevId;
    int m_iInstanceNumber;
    int m_iCOMPort;
    // The port of the running connection: the connection dialog may change m_iCOMPort meanwhile.
    int m_iConnectedCOMPort;
    volatile bool m_bConnected;
    CQvAOMTAVOMultiLaser* m_pMultiLaser;
    CQvAOMTAVOShutter* m_pShutter;
    CQvStringW m_sFWVersion;
    bool m_bLogCommunication;
    volatile int m_iPollCountdown;
    bool m_bPushPending;
    bool m_bExtendedMode;
    // Lost-line recovery, worker thread only: polls without any answer in a row, whether the port was
    // closed for it, and when the next reopen is due.
    int m_iFailedPolls;
    bool m_bLineLost;
    ULONGLONG m_uNextReopen;

    // Mirror of the unit, under the unit-state lock.
    bool m_bBinoShutter;
    uint32_t m_iLineUsed;
    uint32_t m_iLinesUsed;
    bool m_bShutterOpen;
    uint32_t m_iLinesMask;
    uint32_t m_iCurrentLine;

private:
    // A call the device makes into the host: a change record for its callback, or a refresh of the pad.
    struct SHostCall {
        PFN_QvDMChange pfnChange = nullptr;
        uint64_t uContext = 0;
        LONG lGeneration = 0;                       // of the callback it was queued for
        std::shared_ptr<SQvDMChangeRecord> pRecord; // null: a pad refresh
        EPadUpdate ePadUpdate = PadMultiLaser;
    };
    // The host's callback as it is set now, for a change call; under the batch lock.
    SHostCall ChangeCallLocked() const;
    void AddToChangeBatchLocked(const SQvDMChangeRecord& record, const SHostCall& call);
    void QueueBatchLocked(const SHostCall& call);
    // Returns once no other thread is calling the callback of that generation (bounded); at once on the
    // thread that is delivering, which cannot wait for itself.
    void WaitForCallsOf(LONG generation);
    // Returns once no other thread is making host calls (bounded).
    void WaitForDeliveries();
    // After the thread was ended by force: it delivers no more.
    void ForgetHostCallsOf(DWORD thread);

    // ConnectDevice's work, under the lifecycle lock; false when the connect failed.
    bool Connect(const wchar_t* connection);
    bool StartWorker();
    void StopWorker();
    // The worker runs the host's change callback: a callback that connects, disconnects or resets the
    // device would wait for its own thread. Logs the refusal.
    bool RefusedOnWorker(const wchar_t* operation) const;
    // Ends a worker that did not stop in time: its serial I/O is cancelled first, and only a worker still
    // stuck after that is ended by force. False when it could not be ended at all.
    bool EndStuckWorker();
    // Answers a poster whose command the stopped worker never finished, and waits (bounded) until every
    // poster has left.
    void ReleasePosters();
    void CloseWorkerHandles();
    // Closes the COM port and the NI-DAQ port from a host thread once no worker runs.
    void ClosePorts();
    static DWORD WINAPI WorkerThread(void* device);
    void Main();
    // Runs the command posted in the slot.
    void RunPostedCommand();
    // False when the unit sent nothing at all to either read.
    bool StatusPoll();
    // Counts a poll's outcome; after too many failures in a row closes the port.
    void WatchLine(bool answered);
    // While the line is lost: one reopen with the probe; on success the unit's state is read as at connect.
    void TryReopenLine();
    // Reads the version, the binocular shutter, line and mask, picks the mode and sets the mirror and the
    // push; false when the version is not answered.
    bool ReadUnitAfterOpen(char* version, size_t capacity);
    bool WaitForAnswer(HANDLE event, volatile LONG& answered, LONG post, DWORD waitMs);

    CAOMGuardedLock m_DeviceLock{L"device"};
    CAOMGuardedLock m_UnitStateLock{L"unit-state"};
    // Worker commands post through the slot lock, which the worker holds while it runs a command, and the
    // call lock, which only posters hold.
    CAOMGuardedLock m_CommandSlotLock{L"command slot"};
    CAOMSection m_CallLock;
    // Connect, disconnect, reset and the destructor, one at a time: at most one worker per device.
    CAOMSection m_LifecycleLock;
    // The batch, the queue of host calls and the callback: the worker adds to them while a host thread
    // flushes.
    CAOMGuardedLock m_ChangeBatchLock{L"change batch"};
    std::deque<SHostCall> m_HostCalls;
    DWORD m_dwDeliveringThread = 0; // the thread making the queued host calls, 0 when none
    // The callback's generation counts up at each change of it. A deliverer marks the generation it is
    // calling before it looks at the current one, and a change of callback looks at the mark after it
    // counted up, so that one of the two always sees the other.
    volatile LONG m_lCallbackGeneration = 1;
    volatile LONG m_lCallingGeneration = 0;
    volatile LONG m_lRundownWaiters = 0;
    HANDLE m_hEvCallReturned; // set after each host call while someone waits for one to return
};

class CQvAOMTAVOSim : public CQvAOMTAVO {
public:
    CQvAOMTAVOSim();
    const CQvClassInfo* GetClassInfo() const override;
};

extern "C" {
AOMTAVO_API IQvInterface* QV_ConstructorForCQvAOMTAVO(const char* file, unsigned int line);
AOMTAVO_API IQvInterface* QV_ConstructorForCQvAOMTAVOSim(const char* file, unsigned int line);
}
