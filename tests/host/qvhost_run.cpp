#include "qvhost_run.h"

#include "moduleloader.h"

#include <windows.h>

#include <initializer_list>

#include <fstream>
#include <iterator>

const char kConfiguration[] =
    "bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  5.0;fValLambda[0]=488.0;sChannel_Name[0]=Dev1/ao0;"
    "sLineName[0]=Blue;bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  0.0;fValMax[1]=  4.5;fValLambda[1]=561.0;"
    "sChannel_Name[1]=Dev1/ao1;sLineName[1]=Green Line;bEmpty[2]=1;iIndex[2]=0;fValMin[2]=  0.0;"
    "fValMax[2]=  0.0;fValLambda[2]=640.0;sChannel_Name[2]=None;";

ProcessResult Qvhost(const std::wstring& arguments, const std::string& input, const wchar_t* directory) {
    return RunProcess(L"\"" + BesideExecutable(L"qvhost.exe") + L"\" " + arguments, input, 60000, directory);
}

QvhostRunning::QvhostRunning(const std::wstring& arguments) {
    InitializeCriticalSection(&m_Lock);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr, input = nullptr, output = nullptr;
    HANDLE null = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
    if (!CreatePipe(&childIn, &input, &inherit, 0) || !CreatePipe(&output, &childOut, &inherit, 0)) return;
    // Only the child's ends are inherited.
    SetHandleInformation(input, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0);
    m_hInput = input;
    m_hOutput = output;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = childIn;
    si.hStdOutput = childOut;
    si.hStdError = null;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + BesideExecutable(L"qvhost.exe") + L"\" " + arguments;
    if (CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        m_hProcess = pi.hProcess;
        m_hArrived = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        m_hReader = CreateThread(nullptr, 0, &QvhostRunning::ReadOutput, this, 0, nullptr);
    }
    CloseHandle(childIn);
    CloseHandle(childOut);
    if (null != INVALID_HANDLE_VALUE) CloseHandle(null);
}

QvhostRunning::~QvhostRunning() {
    Finish();
    for (HANDLE h : {m_hProcess, m_hInput, m_hOutput, m_hReader, m_hArrived})
        if (h) CloseHandle(h);
    DeleteCriticalSection(&m_Lock);
}

DWORD WINAPI QvhostRunning::ReadOutput(void* context) {
    QvhostRunning* self = static_cast<QvhostRunning*>(context);
    char buffer[4096];
    DWORD bytes = 0;
    while (ReadFile(self->m_hOutput, buffer, sizeof buffer, &bytes, nullptr) && bytes > 0) {
        EnterCriticalSection(&self->m_Lock);
        for (DWORD i = 0; i < bytes; ++i)
            if (buffer[i] != '\r') self->m_sOutput += buffer[i];
        LeaveCriticalSection(&self->m_Lock);
        SetEvent(self->m_hArrived);
    }
    SetEvent(self->m_hArrived);
    return 0;
}

bool QvhostRunning::Send(const std::string& text) {
    DWORD written = 0;
    return m_hInput && WriteFile(m_hInput, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

std::string QvhostRunning::Output() {
    EnterCriticalSection(&m_Lock);
    std::string output = m_sOutput;
    LeaveCriticalSection(&m_Lock);
    return output;
}

bool QvhostRunning::WaitFor(const std::string& text, unsigned long timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (Output().find(text) != std::string::npos) return true;
        ULONGLONG now = GetTickCount64();
        if (!m_hArrived || now >= deadline) return false;
        WaitForSingleObject(m_hArrived, static_cast<DWORD>(deadline - now));
    }
}

std::string QvhostRunning::Finish() {
    if (m_hInput) {
        CloseHandle(m_hInput); // the end of its script
        m_hInput = nullptr;
    }
    if (m_hProcess && WaitForSingleObject(m_hProcess, 30000) != WAIT_OBJECT_0) {
        TerminateProcess(m_hProcess, 99);
        WaitForSingleObject(m_hProcess, 5000);
    }
    if (m_hReader && WaitForSingleObject(m_hReader, 5000) != WAIT_OBJECT_0) {
        CancelSynchronousIo(m_hReader); // a program it left behind holds the pipe
        WaitForSingleObject(m_hReader, 5000);
    }
    return Output();
}

TempStore::TempStore(const char* name) {
    wchar_t folder[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, folder);
    m_sPath = std::wstring(folder, n < MAX_PATH ? n : 0) + L"qvhost-" +
              std::wstring(name, name + strlen(name)) + L"-" + std::to_wstring(GetCurrentProcessId()) +
              L".store";
    DeleteFileW(m_sPath.c_str());
    DeleteFileW((m_sPath + L".new").c_str());
}

TempStore::~TempStore() {
    DeleteFileW(m_sPath.c_str());
    DeleteFileW((m_sPath + L".new").c_str());
}

DaqScenario::DaqScenario(const char* text) {
    if (!text) return;
    wchar_t folder[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, folder);
    m_sPath = std::wstring(folder, n < MAX_PATH ? n : 0) + L"qvhost-scenario-" +
              std::to_wstring(GetCurrentProcessId()) + L".txt";
    m_bWritten = WriteWholeFile(m_sPath, text);
    SetEnvironmentVariableW(L"FAKEDAQMX_SCENARIO", m_sPath.c_str());
}

DaqScenario::~DaqScenario() {
    if (m_sPath.empty()) return;
    SetEnvironmentVariableW(L"FAKEDAQMX_SCENARIO", nullptr);
    DeleteFileW(m_sPath.c_str());
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    std::ifstream f(path.c_str(), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return f.is_open();
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    std::ofstream f(path.c_str(), std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    f.close();
    return !f.fail();
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> OutputLines(const std::string& output) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        lines.push_back(output.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> LinesStartingWith(const std::string& output, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : OutputLines(output))
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    return found;
}
