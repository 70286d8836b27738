// Serial link to the unit's TAVO controller: one carriage-return request, one line-feed reply.
#pragma once

#include "aomtavoapi.h"

#include <qv/qvstring.h>

#include <stddef.h>
#include <stdint.h>

class CQvAOMTAVOPort {
public:
    enum { BufferSize = 256, FirstExtendedPort = 10, LastPort = 254 };

    CQvAOMTAVOPort();
    virtual ~CQvAOMTAVOPort();

    // Opens COM1 to COM254 at 9600 8N1 and probes the unit for its version.
    bool Open(int port, bool simulate, bool logCommunication);
    // True in simulation; otherwise whether an open handle was closed.
    bool Close();
    // Sends the request and reads that many reply lines into reply (BufferSize bytes). Returns the
    // characters stored, 0 when lines < 1, -1 when a read failed or timed out.
    int Exchange(const char* request, char* reply, int lines);
    // Writes one exchange to the log (only while communication logging and detail are on).
    void Command(const wchar_t* name, const char* request, const char* reply, int length);

    // The unit's commands. Outputs may be null; on failure they are left as they were.
    // The version is cut to fit the capacity and always NUL-terminated.
    bool RdVersion(char* version, size_t capacity);
    bool RdBinoShutter(bool* engaged);
    bool RdLineUsed(uint32_t* line);
    bool WrLineUsed(uint32_t line);
    bool RdLinesUsed(uint32_t* mask);
    bool WrLinesUsed(uint32_t mask);

    // Whether the unit sent anything at all in the last exchange, however malformed: a unit that answers
    // badly is still on the line.
    bool LastExchangeAnswered() const { return bAnswered; }
    // Why the last Open or command failed, in words for the log.
    const wchar_t* LastFailure() const { return sLastFailure.GetString(); }

    HANDLE hComm;
    COMMTIMEOUTS timeouts;
    DCB dcb;
    bool bLogCommunication;
    bool bSimulate;
    uint32_t iSimLineUsed;
    uint32_t iSimLinesUsed;

private:
    int ReadLine(char* buffer, int room);
    // One exchange of a number-reading command: "r<mnemonic>" answered by "a<mnemonic><number>".
    bool ReadNumber(const wchar_t* name, const char* request, const char* replyFormat, uint32_t* value);
    bool Write(const wchar_t* name, const char* request, const char* acknowledgement);
    // Keeps why a command failed: no answer, or the answer it got instead of the expected one.
    void NoteFailure(const char* request, const char* reply);

    int iPort;
    bool bAnswered;
    CQvStringW sLastFailure;
    CQvStringW sLastReply;
};
