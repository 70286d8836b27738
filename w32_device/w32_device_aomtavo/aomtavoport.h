// Serial link to the unit's TAVO controller: one carriage-return request, one line-feed reply.
#pragma once

#include "aomtavoapi.h"

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
    // Sends the request and reads that many reply lines into reply (BufferSize bytes). `shape` is the
    // shortest well-formed reply line without its line end (e.g. "aTES0"), or null when none is known.
    // With waitOutShape, reading begins once that reply and a carriage return and line feed can have
    // crossed the wire. Returns the characters stored, 0 when lines < 1, -1 when a read failed or timed out.
    int Exchange(const char* request, char* reply, int lines, const char* shape = nullptr,
                 bool waitOutShape = false);
    // Writes one exchange to the log (only while communication logging and detail are on).
    void Command(const wchar_t* name, const char* request, const char* reply, int length);

    // The unit's commands. Outputs may be null; on failure they are left as they were.
    // The version is cut to fit the capacity and always NUL-terminated. The status poll's reads (polling)
    // wait out the reply's wire time before reading it (see Exchange).
    bool RdVersion(char* version, size_t capacity);
    bool RdBinoShutter(bool* engaged, bool polling = false);
    bool RdLineUsed(uint32_t* line, bool polling = false);
    bool WrLineUsed(uint32_t line);
    bool RdLinesUsed(uint32_t* mask, bool polling = false);
    bool WrLinesUsed(uint32_t mask);

    HANDLE hComm;
    COMMTIMEOUTS timeouts;
    DCB dcb;
    bool bLogCommunication;
    bool bSimulate;
    uint32_t iSimLineUsed;
    uint32_t iSimLinesUsed;

private:
    int ReadLine(char* buffer, int room, const char* shape);
    bool ReadBytes(char* buffer, int count, int& length, bool& lineEnded);
    // One exchange of a number-reading command: "r<mnemonic>" answered by "a<mnemonic><number>".
    bool ReadNumber(const wchar_t* name, const char* request, const char* replyFormat, uint32_t* value,
                    bool polling);
    bool Write(const wchar_t* name, const char* request, const char* acknowledgement);
};
