#include "qvhost_run.h"

#include <windows.h>

#include <initializer_list>

#include <fstream>
#include <iterator>

const char kConfiguration[] =
    "bEmpty[0]=0;iIndex[0]=1;fValMin[0]=  0.0;fValMax[0]=  5.0;fValLambda[0]=488.0;sChannel_Name[0]=Dev1/ao0;"
    "sLineName[0]=Blue;bEmpty[1]=0;iIndex[1]=2;fValMin[1]=  0.0;fValMax[1]=  4.5;fValLambda[1]=561.0;"
    "sChannel_Name[1]=Dev1/ao1;sLineName[1]=Green Line;bEmpty[2]=1;iIndex[2]=0;fValMin[2]=  0.0;"
    "fValMax[2]=  0.0;fValLambda[2]=640.0;sChannel_Name[2]=None;";

namespace {
// An empty temporary file the child inherits, removed when its last handle closes (null when none).
HANDLE InheritedTempFile() {
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"qvp", 0, path)) return nullptr;
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

// A file's text from its start, as written.
std::string ReadBack(HANDLE file) {
    std::string text;
    char buffer[4096];
    DWORD bytes = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    while (file && ReadFile(file, buffer, sizeof buffer, &bytes, nullptr) && bytes > 0)
        text.append(buffer, bytes);
    return text;
}
} // namespace

ProcessResult Qvhost(const std::wstring& arguments, const std::string& input, const wchar_t* directory) {
    return QvhostRunning(arguments, directory, &input).Finish(60000);
}

QvhostRunning::QvhostRunning(const std::wstring& arguments, const wchar_t* directory,
                             const std::string* script) {
    InitializeCriticalSection(&m_Lock);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr;
    DWORD written = 0;
    m_hErrors = InheritedTempFile();
    // A script known beforehand waits in a file: nothing has to be written to a child that stopped reading.
    bool ready = m_hErrors && CreatePipe(&m_hOutput, &childOut, &inherit, 0) &&
                 (script ? (childIn = InheritedTempFile()) &&
                               WriteFile(childIn, script->data(), static_cast<DWORD>(script->size()),
                                         &written, nullptr) &&
                               SetFilePointer(childIn, 0, nullptr, FILE_BEGIN) == 0
                         : CreatePipe(&childIn, &m_hInput, &inherit, 0));
    // Only the child's ends are inherited.
    if (m_hInput) SetHandleInformation(m_hInput, HANDLE_FLAG_INHERIT, 0);
    if (m_hOutput) SetHandleInformation(m_hOutput, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = childIn;
    si.hStdOutput = childOut;
    si.hStdError = m_hErrors;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + BesideExecutable(L"qvhost.exe") + L"\" " + arguments;
    if (ready && CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, directory, &si, &pi)) {
        CloseHandle(pi.hThread);
        m_hProcess = pi.hProcess;
        m_hArrived = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        m_hReader = CreateThread(nullptr, 0, &QvhostRunning::ReadOutput, this, 0, nullptr);
    }
    for (HANDLE h : {childIn, childOut})
        if (h) CloseHandle(h);
}

QvhostRunning::~QvhostRunning() {
    Finish();
    for (HANDLE h : {m_hProcess, m_hInput, m_hOutput, m_hErrors, m_hReader, m_hArrived})
        if (h) CloseHandle(h);
    DeleteCriticalSection(&m_Lock);
}

DWORD WINAPI QvhostRunning::ReadOutput(void* context) {
    QvhostRunning* self = static_cast<QvhostRunning*>(context);
    char buffer[4096];
    DWORD bytes = 0;
    while (ReadFile(self->m_hOutput, buffer, sizeof buffer, &bytes, nullptr) && bytes > 0) {
        EnterCriticalSection(&self->m_Lock);
        self->m_sOutput.append(buffer, bytes);
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

ProcessResult QvhostRunning::Finish(unsigned long boundMs) {
    ProcessResult result;
    result.started = m_hProcess != nullptr;
    if (m_hInput) {
        CloseHandle(m_hInput); // the end of its script
        m_hInput = nullptr;
    }
    if (m_hProcess) {
        result.finished = WaitForSingleObject(m_hProcess, boundMs) == WAIT_OBJECT_0;
        if (!result.finished) {
            TerminateProcess(m_hProcess, 99);
            WaitForSingleObject(m_hProcess, 5000);
        }
        GetExitCodeProcess(m_hProcess, &result.exitCode);
    }
    if (m_hReader && WaitForSingleObject(m_hReader, 5000) != WAIT_OBJECT_0) {
        CancelSynchronousIo(m_hReader); // a program it left behind holds the pipe
        WaitForSingleObject(m_hReader, 5000);
    }
    result.output = Output();
    result.errors = ReadBack(m_hErrors);
    return result;
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

std::wstring RealClassOptions(const TempStore& store, const char* daqVariant) {
    return L"--class CQvAOMTAVO --daq-dir \"" + FakeDaqmxDir(daqVariant) + L"\" " + store.Option();
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
